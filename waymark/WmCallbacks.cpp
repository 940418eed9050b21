// Signal handlers of the bar and the item window, drops, and launching.
#include "waymark/WmCallbacks.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "common/I18n.h"
#include "waymark/WmDialogs.h"
#include "waymark/WmInterface.h"
#include "waymark/WmSupport.h"
#include "waymark/WmTable.h"
#include "waymark/WmText.h"

namespace wm {

namespace {

unsigned gDragSerial = 0;

// What launching asks of the windows.
class WindowLaunchUi : public LaunchUi {
  public:
    void ShowMessage(int code, bool showItemWindowAgain) override {
        wyMessageBox(code, showItemWindowAgain);
    }
    int SelectApplication(const std::vector<NaviExt>& apps) override {
        return SelectApplicationWindow(apps);
    }
};

WindowLaunchUi& Ui() {
    static WindowLaunchUi ui;
    return ui;
}

ProcessStarter& Starter() {
    static SystemStarter fallback;
    ProcessStarter* starter = Launcher().starter;
    return starter ? *starter : fallback;
}

// True when the model was saved.
bool SaveOrTell(bool showItemWindow) {
    const int code = WriteNaviInfo(*pNaviData);
    if (code != 0) {
        wyMessageBox(code, showItemWindow);
    }
    return code == 0;
}

std::vector<Gtk::TargetEntry> BarTargets() {
    return {Gtk::TargetEntry(kItemTarget, Gtk::TARGET_SAME_APP, TARGET_ITEM),
            Gtk::TargetEntry("text/uri-list", Gtk::TargetFlags(0), TARGET_URI_LIST),
            Gtk::TargetEntry("STRING", Gtk::TargetFlags(0), TARGET_STRING),
            Gtk::TargetEntry("text/plain", Gtk::TargetFlags(0), TARGET_PLAIN)};
}

std::vector<Gtk::TargetEntry> ItemTargets() {
    return {Gtk::TargetEntry(kItemTarget, Gtk::TARGET_SAME_APP, TARGET_ITEM)};
}

// The serial a drag of ours carries; 0 for anything else.
unsigned SerialOf(const Gtk::SelectionData& data) {
    if (data.get_length() < static_cast<int>(sizeof(unsigned)) || data.get_format() != 8) {
        return 0;
    }
    unsigned serial = 0;
    std::memcpy(&serial, data.get_data(), sizeof serial);
    return serial;
}

// Drops are asked for here, not by the toolkit's default, so that each drop
// is finished exactly once, by its data handler, with its real outcome.
bool RequestDropData(Gtk::Widget& widget, const Glib::RefPtr<Gdk::DragContext>& context,
                     guint time) {
    const Glib::ustring target = widget.drag_dest_find_target(context);
    if (target.empty() || target == "NONE") {
        context->drag_finish(false, false, time);
        return true;
    }
    widget.drag_get_data(context, target, time);
    return true;
}

// While a drag hovers over `widget`, `step` runs every `ms` milliseconds on
// the timer `timer` gives, until it returns false or the drag leaves; drops
// there are always refused.
void ScrollWhileHovered(Gtk::Widget& widget, sigc::connection& (*timer)(), int ms,
                        const std::function<bool()>& step) {
    widget.signal_drag_motion().connect(
        [timer, ms, step](const Glib::RefPtr<Gdk::DragContext>&, int, int, guint) {
            if (!timer().connected()) {
                timer() = Glib::signal_timeout().connect(step, ms);
            }
            return false;
        },
        false);
    widget.signal_drag_leave().connect(
        [timer](const Glib::RefPtr<Gdk::DragContext>&, guint) { timer().disconnect(); });
    widget.signal_drag_drop().connect(
        [timer](const Glib::RefPtr<Gdk::DragContext>& context, int, int, guint time) {
            timer().disconnect();
            context->drag_finish(false, false, time);
            return true;
        },
        false);
}

// The event reached the slot box through its own window, not one of its
// children's (the info button and the handle have windows of their own).
bool FromSlotItself(GdkEvent* event, int slot) {
    return gtk_get_event_widget(event) == GTK_WIDGET(pwyGroup->slots[slot].box->gobj());
}

}  // namespace

bool AnyDialogOpen() {
    return pAddItem || pRenameItem || pwyEdit || pwyRename || pwyConfilm || pwyMessage ||
           pwSelectApp;
}

// ---- bar ------------------------------------------------------------------

void on_ComboEntry_changed() {
    if (pNavi == nullptr || pNavi->filling) {
        return;
    }
    // The row, not the shown text: a name the locale cannot show is shown
    // with stand-ins that would match no user, or the wrong one.
    const int found = pNavi->combo->get_active_row_number();
    if (found < 0 || GetUser(*pNaviData, found) == nullptr) {
        return;
    }
    CloseOpenMenu();
    pNaviData->CurrentUser = found;
    pNavi->MenuTop = 0;
    SetToggleButton(true);
    SaveOrTell(false);
}

void MoveToggleButton(bool right) {
    NaviUser* user = GetCurrentUser(*pNaviData);
    if (user == nullptr || user->MenuCount <= pNavi->ToggleCount) {
        return;
    }
    if (right && pNavi->MenuTop + pNavi->ToggleCount < user->MenuCount) {
        ++pNavi->MenuTop;
    } else if (!right && pNavi->MenuTop > 0) {
        --pNavi->MenuTop;
    } else {
        return;
    }
    if (MenuIsOpen()) {
        const int open = user->CurrentMenu;
        SetToggleActive(pNavi->ActiveToggle, false);
        ChangeToggleFixedColor(false, pNavi->ActiveToggle);
        if (open >= pNavi->MenuTop && open < pNavi->MenuTop + pNavi->ToggleCount) {
            // The open menu keeps its absolute index; only its button moved.
            pNavi->ActiveToggle = open - pNavi->MenuTop;
        } else {
            pNavi->ActiveToggle = -1;
            user->CurrentMenu = -1;
            HideGroupWindow();
        }
    }
    SetToggleButton(false);
}

bool ScrollToggleButton(bool right) {
    if (pNavi == nullptr) {
        return false;
    }
    MoveToggleButton(right);
    return true;
}

void on_Toggle_toggled(int position) {
    if (pNavi == nullptr || pNavi->updating) {
        return;
    }
    NaviUser* user = GetCurrentUser(*pNaviData);
    Gtk::ToggleButton* button = pNavi->toggles[position].button;
    if (button->get_active()) {
        ChangeToggleFixedColor(true, position);
        if (pNavi->ActiveToggle >= 0 && pNavi->ActiveToggle != position) {
            SetToggleActive(pNavi->ActiveToggle, false);
            ChangeToggleFixedColor(false, pNavi->ActiveToggle);
        }
        const int index = position + pNavi->MenuTop;
        if (user == nullptr || GetMenu(*user, index) == nullptr) {
            SetToggleActive(position, false);
            ChangeToggleFixedColor(false, position);
            pNavi->ActiveToggle = -1;
            return;
        }
        pNavi->ActiveToggle = position;
        user->CurrentMenu = index;
        SetGroupWindow();
    } else if (position == pNavi->ActiveToggle) {
        CloseOpenMenu();
    } else {
        ChangeToggleFixedColor(false, position);
    }
}

void on_Toggle_enter(int position) {
    ChangeToggleFixedColor(true, position);
}

void on_Toggle_leave(int position) {
    ChangeToggleFixedColor(pNavi->toggles[position].button->get_active(), position);
}

void on_Toggle_pressed(int position) {
    if (pNavi->toggles[position].button->get_active()) {
        ChangeToggleFixedColor(false, position);
    }
}

void on_EditButton_clicked() {
    CreateEditMenu();
}

void on_FMButton_clicked() {
    StartFileManager(*pNaviData, Starter(), Launcher().paths);
}

void on_HelpButton_clicked() {
    OpenHelp(*pNaviData, Starter(), Ui(), Launcher().paths);
}

// ---- item window ------------------------------------------------------------

void on_Adjustment_value_changed() {
    NaviMenu* menu = OpenMenu();
    if (menu == nullptr) {
        return;
    }
    const int value = static_cast<int>(pwyGroup->adjustment->get_value() + 0.5);
    const int top = (value + 1) / 2 * 2;
    if (top == menu->ScrollTop) {
        return;
    }
    menu->ScrollTop = top;
    SetGroupWindow();
}

bool ItemScroll(bool down) {
    NaviMenu* menu = OpenMenu();
    if (menu == nullptr || pwyGroup == nullptr) {
        return false;
    }
    if (down && menu->ScrollTop + kSlotCount < menu->ItemCount) {
        pwyGroup->adjustment->set_value(menu->ScrollTop + 2);
    } else if (!down && menu->ScrollTop > 0) {
        pwyGroup->adjustment->set_value(menu->ScrollTop - 2);
    } else {
        return false;
    }
    on_Adjustment_value_changed();
    return true;
}

void on_AddItemButton_clicked() {
    pwyGroup->addItemImage->set(pNavi->pictures.addItem[0]);
    NaviMenu* menu = OpenMenu();
    if (menu == nullptr) {
        return;
    }
    HideGroupWindow();
    if (menu->ItemCount >= kMaxItems) {
        wyMessageBox(CODE_ITEMS_EXCEED, true);
        return;
    }
    CreateAddItemWindow(GetCurrentUser(*pNaviData)->CurrentMenu, -1);
}

bool on_Slot_button_press_event(GdkEventButton* event, int slot) {
    // Presses on the info button or the handle are theirs, not the slot's.
    if (!FromSlotItself(reinterpret_cast<GdkEvent*>(event), slot)) {
        return true;
    }
    if (event->button == 1 && event->type == GDK_BUTTON_PRESS) {
        pwyGroup->pressedSlot = slot;
        ChangeSlotPictures(slot, 2);
    }
    return true;
}

bool on_Slot_button_release_event(GdkEventButton* event, int slot) {
    const bool pressedHere = pwyGroup->pressedSlot == slot;
    if (event->button == 1) {
        pwyGroup->pressedSlot = -1;
    }
    if (!FromSlotItself(reinterpret_cast<GdkEvent*>(event), slot) || event->button != 1 ||
        !pressedHere) {
        return true;
    }
    // The press's grab brings the release here wherever it happened: only
    // one on the slot itself starts the item.
    const ItemSlot& s = pwyGroup->slots[slot];
    if (event->x < 0 || event->y < 0 || event->x >= s.box->get_allocated_width() ||
        event->y >= s.box->get_allocated_height()) {
        ChangeSlotPictures(slot, 0);
        return true;
    }
    LaunchSlot(slot);
    return true;
}

bool on_Slot_enter_notify_event(GdkEventCrossing*, int slot) {
    ChangeSlotPictures(slot, 1);
    return false;
}

bool on_Slot_motion_notify_event(GdkEventMotion*, int slot) {
    if (!pwyGroup->slots[slot].hover) {
        ChangeSlotPictures(slot, 1);
    }
    return false;
}

bool on_Slot_leave_notify_event(GdkEventCrossing* event, int slot) {
    // Crossing into the slot's own children is not leaving it.
    if (event != nullptr && event->detail == GDK_NOTIFY_INFERIOR) {
        return false;
    }
    ChangeSlotPictures(slot, 0);
    return false;
}

void on_InfoButton_clicked(int slot) {
    ChangeSlotPictures(slot, 0);
    CreateItemInfoMenu(slot);
}

void LaunchSlot(int slot) {
    if (!GroupWindowVisible()) {
        return;
    }
    HideGroupWindow();
    ChangeSlotPictures(slot, 0);
    const int result = ExecApp(*pNaviData, slot, Starter(), Ui(), Launcher().paths);
    if (result == 0) {
        CloseOpenMenu();
    } else if (result == -1) {
        SetGroupWindow();
    }
    // A message code: the message window shows the item window again.
}

// ---- drops ----------------------------------------------------------------------

bool DropTextOnMenu(int position, const std::string& raw, guint info) {
    Drop = DropRecord{};
    if (AnyDialogOpen() || raw.empty()) {
        return false;
    }
    if (MenuIsOpen()) {
        HideGroupWindow();
    }
    const std::string text = info == TARGET_URI_LIST ? UriListToDropText(raw) : raw;
    const DropText drop = ParseDropText(text);
    if (drop.code != 0) {
        if (drop.code == CODE_BAD_DROP) {
            std::printf("Drop Data: %s\n", text.c_str());
            std::fflush(stdout);
        }
        wyMessageBox(drop.code, true);
        return false;
    }
    NaviUser* user = GetCurrentUser(*pNaviData);
    const int index = pNavi->MenuTop + position;
    NaviMenu* menu = user ? GetMenu(*user, index) : nullptr;
    if (menu == nullptr) {
        if (MenuIsOpen()) {
            ShowGroupWindow();
        }
        return false;
    }
    if (menu->ItemCount >= kMaxItems) {
        wyMessageBox(CODE_ITEMS_EXCEED, true);
        return false;
    }
    if (CreateAddItemWindow(index, position) == nullptr) {
        return false;
    }
    SetEntryBytes(*pAddItem->name, drop.name);
    SetEntryBytes(*pAddItem->link, drop.link);
    pAddItem->name->grab_focus();
    pAddItem->name->select_region(0, -1);
    return true;
}

unsigned BeginItemDrag(int slot) {
    Drop = DropRecord{};
    NaviUser* user = GetCurrentUser(*pNaviData);
    NaviMenu* menu = OpenMenu();
    if (menu == nullptr || !MenuIsOpen()) {
        return 0;
    }
    const int index = menu->ScrollTop + slot;
    const NaviItem* item = GetItem(*menu, index);
    if (item == nullptr) {
        return 0;
    }
    Drop.menu = user->CurrentMenu;
    Drop.toggle = pNavi->ActiveToggle;
    Drop.user = pNaviData->CurrentUser;
    Drop.item = index;
    Drop.copy = *item;
    Drop.serial = ++gDragSerial == 0 ? ++gDragSerial : gDragSerial;
    return Drop.serial;
}

bool DropItemOnMenu(int position, unsigned serial) {
    const DropRecord drag = Drop;
    Drop = DropRecord{};
    if (serial == 0 || serial != drag.serial || AnyDialogOpen()) {
        return false;
    }
    if (MenuIsOpen()) {
        HideGroupWindow();
    }
    const int target = pNavi->MenuTop + position;
    switch (MoveDraggedItem(*pNaviData, DraggedItem{drag.user, drag.menu, drag.item, drag.copy},
                            target)) {
        case MenuDrop::kMoved:
            break;
        case MenuDrop::kSameMenu:
            SetGroupWindow();
            return false;
        case MenuDrop::kMenuFull:
            wyMessageBox(CODE_ITEMS_EXCEED, true);
            return false;
        case MenuDrop::kRefused:
            return false;
    }
    const int sourceToggle = drag.menu - pNavi->MenuTop;
    if (sourceToggle >= 0 && sourceToggle < pNavi->ToggleCount) {
        SetToggleActive(sourceToggle, false);
        ChangeToggleFixedColor(false, sourceToggle);
    }
    pNavi->ActiveToggle = position;
    SetToggleActive(position, true);
    ChangeToggleFixedColor(true, position);
    if (!SaveOrTell(true)) {
        return false;
    }
    SetGroupWindow();
    return true;
}

bool DropItemOnSlot(int slot, unsigned serial) {
    if (serial == 0 || serial != Drop.serial || !MenuIsOpen()) {
        return false;
    }
    const NaviItem item = Drop.copy;
    Drop = DropRecord{};
    const bool moved = MoveItem(*pNaviData, item, slot);
    SetGroupWindow();
    ChangeSlotPictures(slot, 0);
    if (moved) {
        SaveOrTell(true);
    }
    return true;
}

void ConnectBarDrops() {
    auto connectMenu = [](Gtk::Widget& widget, int position) {
        widget.drag_dest_set(BarTargets(), Gtk::DEST_DEFAULT_MOTION | Gtk::DEST_DEFAULT_HIGHLIGHT,
                             Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
        widget.signal_drag_drop().connect(
            [&widget](const Glib::RefPtr<Gdk::DragContext>& context, int, int, guint time) {
                return RequestDropData(widget, context, time);
            },
            false);
        widget.signal_drag_data_received().connect(
            [position](const Glib::RefPtr<Gdk::DragContext>& context, int, int,
                       const Gtk::SelectionData& data, guint info, guint time) {
                bool ok = false;
                if (info == TARGET_ITEM) {
                    ok = DropItemOnMenu(position, SerialOf(data));
                } else if (data.get_length() > 0 && data.get_format() == 8) {
                    const auto* bytes = reinterpret_cast<const char*>(data.get_data());
                    DropTextOnMenu(position,
                                   std::string(bytes, static_cast<std::size_t>(data.get_length())),
                                   info);
                } else {
                    Drop = DropRecord{};
                }
                context->drag_finish(ok, false, time);
            });
    };
    for (int i = 0; i < pNavi->ToggleCount; ++i) {
        connectMenu(*pNavi->toggles[i].button, i);
    }
    for (auto [arrow, right] :
         {std::pair{pNavi->leftArrow, false}, std::pair{pNavi->rightArrow, true}}) {
        arrow->drag_dest_set(BarTargets(), Gtk::DEST_DEFAULT_MOTION | Gtk::DEST_DEFAULT_HIGHLIGHT,
                             Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
        ScrollWhileHovered(
            *arrow, []() -> sigc::connection& { return pNavi->arrowTimer; }, 500,
            [right = right] { return ScrollToggleButton(right); });
    }
}

void ConnectGroupDrops() {
    for (int s = 0; s < kSlotCount; ++s) {
        ItemSlot& slot = pwyGroup->slots[s];
        slot.handle->drag_source_set(ItemTargets(), Gdk::BUTTON1_MASK | Gdk::BUTTON3_MASK,
                                     Gdk::ACTION_MOVE);
        slot.handle->drag_source_set_icon(pNavi->pictures.drag);
        slot.handle->signal_drag_begin().connect(
            [s](const Glib::RefPtr<Gdk::DragContext>&) { BeginItemDrag(s); });
        slot.handle->signal_drag_data_get().connect(
            [](const Glib::RefPtr<Gdk::DragContext>&, Gtk::SelectionData& data, guint, guint) {
                unsigned char bytes[16] = {};
                std::memcpy(bytes, &Drop.serial, sizeof Drop.serial);
                data.set(data.get_target(), 8, bytes, sizeof bytes);
            });
        slot.box->drag_dest_set(ItemTargets(), Gtk::DEST_DEFAULT_MOTION, Gdk::ACTION_MOVE);
        slot.box->signal_drag_drop().connect(
            [s](const Glib::RefPtr<Gdk::DragContext>& context, int, int, guint time) {
                return RequestDropData(*pwyGroup->slots[s].box, context, time);
            },
            false);
        slot.box->signal_drag_motion().connect(
            [s](const Glib::RefPtr<Gdk::DragContext>&, int, int, guint) {
                if (!pwyGroup->slots[s].hover) {
                    ChangeSlotPictures(s, 1);
                }
                return false;
            },
            false);
        slot.box->signal_drag_leave().connect(
            [s](const Glib::RefPtr<Gdk::DragContext>&, guint) { ChangeSlotPictures(s, 0); });
        slot.box->signal_drag_data_received().connect(
            [s](const Glib::RefPtr<Gdk::DragContext>& context, int, int,
                const Gtk::SelectionData& data, guint, guint time) {
                const bool ok = DropItemOnSlot(s, SerialOf(data));
                context->drag_finish(ok, false, time);
            });
    }
    for (auto [zone, down] :
         {std::pair{pwyGroup->upperZone, false}, std::pair{pwyGroup->lowerZone, true}}) {
        zone->drag_dest_set(ItemTargets(), Gtk::DEST_DEFAULT_MOTION, Gdk::ACTION_MOVE);
        ScrollWhileHovered(
            *zone, []() -> sigc::connection& { return pwyGroup->scrollTimer; }, 250,
            [down = down] { return ItemScroll(down); });
    }
}

}  // namespace wm
