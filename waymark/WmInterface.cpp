// The bar and the item window: building them and showing the model in them.
#include "waymark/WmInterface.h"

#include <cstdio>

#include "common/I18n.h"
#include "waymark/WmCallbacks.h"
#include "waymark/WmDialogs.h"
#include "waymark/WmSupport.h"
#include "waymark/WmText.h"

namespace wm {

NaviWindow* pNavi = nullptr;
GroupWindow* pwyGroup = nullptr;
DropRecord Drop;
int nLANG = 0;

namespace {

bool gQuitRequested = false;

// Item pictures are kept in the model's opaque icon handle.
struct IconHolder {
    Picture picture;
};

Picture ItemIcon(const NaviItem& item) {
    if (!item.Icon) {
        return {};
    }
    return static_cast<IconHolder*>(item.Icon.get())->picture;
}

Gtk::Label* CreateLabel(Gtk::Fixed& fixed, int x, int y, int width, int height) {
    auto* label = Gtk::make_managed<Gtk::Label>("");
    label->set_xalign(0.5);
    label->set_ellipsize(Pango::ELLIPSIZE_NONE);
    AddClass(*label, "wm-text");
    return suite::Put(&fixed, label, x, y, width, height);
}

// The two labels of a menu button or an item slot, each fitted to the width
// it was placed with.
void SetLabelPair(Gtk::Label& lower, Gtk::Label& upper, const Glib::ustring& text) {
    for (Gtk::Label* label : {&lower, &upper}) {
        int width = 0;
        int height = 0;
        label->get_size_request(width, height);
        SetFittedText(*label, text, width);
    }
}

// A flat 24 x 24 button showing `picture` (in `image`) that never takes the
// focus.
Gtk::Button* PutPictureButton(Gtk::Fixed& fixed, const Picture& picture, const Glib::ustring& name,
                              int x, int y, Gtk::Image*& image) {
    auto* button = Gtk::make_managed<Gtk::Button>();
    image = Gtk::make_managed<Gtk::Image>(picture);
    image->show();
    button->add(*image);
    button->set_relief(Gtk::RELIEF_NONE);
    button->set_can_focus(false);
    SetAccessibleName(*button, name);
    return suite::Put(&fixed, button, x, y, 24, 24);
}

// A button of the bar: `faces` are its normal, pressed and (when it is not
// `usable`) unconfigured pictures.
PictureButton CreatePictureButton(Gtk::Fixed& fixed, const Picture* faces, bool usable, int x,
                                  const Glib::ustring& name) {
    PictureButton result;
    result.button = PutPictureButton(fixed, faces[usable ? 0 : 2], name, x, 8, result.image);
    result.button->set_tooltip_text(name);
    AddClass(*result.button, "wm-base");
    if (usable) {
        Gtk::Image* image = result.image;
        result.button->signal_pressed().connect([image, faces] { image->set(faces[1]); });
        result.button->signal_released().connect([image, faces] { image->set(faces[0]); });
    }
    return result;
}

Gtk::Button* CreateArrow(Gtk::Fixed& fixed, int x, Gtk::ArrowType direction,
                         const Glib::ustring& name) {
    auto* button = Gtk::make_managed<Gtk::Button>();
    // Drawn here, so the bar needs no icon theme.
    auto* arrow = Gtk::make_managed<Gtk::DrawingArea>();
    const bool left = direction == Gtk::ARROW_LEFT;
    arrow->signal_draw().connect(
        [left, arrow](const Cairo::RefPtr<Cairo::Context>& cr) {
            const double cx = arrow->get_allocated_width() / 2.0;
            const double cy = arrow->get_allocated_height() / 2.0;
            cr->set_source_rgb(0.1, 0.1, 0.2);
            cr->move_to(left ? cx + 3 : cx - 3, cy - 5);
            cr->line_to(left ? cx - 3 : cx + 3, cy);
            cr->line_to(left ? cx + 3 : cx - 3, cy + 5);
            cr->close_path();
            cr->fill();
            return true;
        },
        false);
    arrow->set_size_request(16, 16);
    arrow->show();
    button->add(*arrow);
    button->set_can_focus(false);
    AddClass(*button, "wm-toggle");
    SetAccessibleName(*button, name);
    return suite::Put(&fixed, button, x, 8, 24, 24);
}

void ApplyShape(Gtk::Window& window, const Picture& picture) {
    if (!picture) {
        return;
    }
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, picture->get_width(),
                                               picture->get_height());
    auto cr = Cairo::Context::create(surface);
    Gdk::Cairo::set_source_pixbuf(cr, picture, 0, 0);
    cr->paint();
    surface->flush();
    cairo_region_t* region = gdk_cairo_region_create_from_surface(surface->cobj());
    gtk_widget_shape_combine_region(GTK_WIDGET(window.gobj()), region);
    gtk_widget_input_shape_combine_region(GTK_WIDGET(window.gobj()), region);
    cairo_region_destroy(region);
}

void CreateItemButton(int s, Gtk::Fixed& container) {
    ItemSlot& slot = pwyGroup->slots[s];
    const Pictures& pic = pNavi->pictures;
    slot.box = Gtk::make_managed<Gtk::EventBox>();
    slot.box->add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK |
                         Gdk::ENTER_NOTIFY_MASK | Gdk::LEAVE_NOTIFY_MASK |
                         Gdk::POINTER_MOTION_MASK);
    slot.box->set_visible_window(false);
    slot.fixed = Gtk::make_managed<Gtk::Fixed>();
    slot.fixed->show();
    slot.box->add(*slot.fixed);
    suite::Put(&container, slot.box, (s % 2 == 0) ? 26 : 287, 70 * (s / 2) + 18, 254, 60);

    slot.base = suite::Put(slot.fixed, Gtk::make_managed<Gtk::Image>(pic.item[0]), 0, 0, 254, 60);
    slot.picture = suite::Put(slot.fixed, Gtk::make_managed<Gtk::Image>(), 35, 7, 48, 46);

    slot.labelBox = suite::Put(slot.fixed, Gtk::make_managed<Gtk::Fixed>(), 122, 32, 100, 16);
    slot.lower = CreateLabel(*slot.labelBox, 1, 1, 99, 15);
    slot.upper = CreateLabel(*slot.labelBox, 0, 0, 99, 15);

    slot.handle = Gtk::make_managed<Gtk::EventBox>();
    slot.handle->set_visible_window(false);
    slot.handle->add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK |
                            Gdk::ENTER_NOTIFY_MASK);
    slot.handleImage = Gtk::make_managed<Gtk::Image>(pic.handle[0]);
    slot.handleImage->show();
    slot.handle->add(*slot.handleImage);
    SetAccessibleName(*slot.handle, _("Move"));
    suite::Put(slot.fixed, slot.handle, 225, 11, 29, 14);

    slot.info =
        PutPictureButton(*slot.fixed, pic.itemInfo[0], _("Item info"), 226, 30, slot.infoImage);
    AddClass(*slot.info, "wm-itembase");

    slot.box->signal_button_press_event().connect(
        [s](GdkEventButton* e) { return on_Slot_button_press_event(e, s); }, false);
    slot.box->signal_button_release_event().connect(
        [s](GdkEventButton* e) { return on_Slot_button_release_event(e, s); }, false);
    slot.box->signal_enter_notify_event().connect(
        [s](GdkEventCrossing* e) { return on_Slot_enter_notify_event(e, s); }, false);
    slot.box->signal_motion_notify_event().connect(
        [s](GdkEventMotion* e) { return on_Slot_motion_notify_event(e, s); }, false);
    slot.box->signal_leave_notify_event().connect(
        [s](GdkEventCrossing* e) { return on_Slot_leave_notify_event(e, s); }, false);
    slot.handle->signal_enter_notify_event().connect(
        [s](GdkEventCrossing*) {
            ItemSlot& sl = pwyGroup->slots[s];
            sl.base->set(pNavi->pictures.item[0]);
            sl.handleImage->set(pNavi->pictures.handle[1]);
            return true;
        },
        false);
    slot.info->signal_pressed().connect([s] { ChangeSlotPictures(s, 3); });
    slot.info->signal_released().connect([s] { ChangeSlotPictures(s, 0); });
    slot.info->signal_clicked().connect([s] { on_InfoButton_clicked(s); });
    // The handle's clicks belong to dragging, the info button's to its menu:
    // the slot below must not take them for a launch.
    for (Gtk::Widget* own :
         {static_cast<Gtk::Widget*>(slot.handle), static_cast<Gtk::Widget*>(slot.info)}) {
        own->signal_button_press_event().connect([](GdkEventButton*) { return true; });
        own->signal_button_release_event().connect([](GdkEventButton*) {
            pwyGroup->pressedSlot = -1;
            return true;
        });
    }
    slot.box->hide();
}

Gtk::EventBox* CreateZone(Gtk::Fixed& fixed, int y, int height, const Glib::ustring& name) {
    auto* zone = Gtk::make_managed<Gtk::EventBox>();
    AddClass(*zone, "wm-zone");
    SetAccessibleName(*zone, name);
    return suite::Put(&fixed, zone, 20, y, 520, height);
}

}  // namespace

LaunchContext& Launcher() {
    static LaunchContext context;
    return context;
}

int ToggleCountFor(int width) {
    const int count = (width - 312) / 95;
    if (count < 0) {
        return 0;
    }
    return count > kMaxToggles ? kMaxToggles : count;
}

void QuitMainLoop() {
    gQuitRequested = true;
    if (gtk_main_level() > 0) {
        gtk_main_quit();
    }
}

bool QuitRequested() {
    return gQuitRequested;
}

void ClearQuitRequest() {
    gQuitRequested = false;
}

Gtk::Window* CreatewyNaviWindow(int width) {
    if (pNavi != nullptr || pNaviData == nullptr) {
        return nullptr;
    }
    pNavi = new NaviWindow();
    pNavi->ScreenWidth = width > 0 ? width : Gdk::Screen::get_default()->get_width();
    const int W = pNavi->ScreenWidth;
    pNavi->ToggleCount = ToggleCountFor(W);

    if (!InitPixmap(pNavi->pictures)) {
        g_print("Pixmap Widget Create Failed!\n");
        delete pNavi;
        pNavi = nullptr;
        return nullptr;
    }
    BarStyle style;
    auto colour = [](const NaviColor& c) { return Rgb16{c.red, c.green, c.blue}; };
    style.toggleN = colour(pNaviData->ToggleN);
    style.toggleA = colour(pNaviData->ToggleA);
    style.stringN = colour(pNaviData->TStringN);
    style.stringA = colour(pNaviData->TStringA);
    style.fontSet = pNaviData->ButtonFont;
    InstallStyle(style);

    // Item pictures; one that cannot be read falls back to the category's.
    for (NaviUser& user : pNaviData->UserList) {
        for (NaviMenu& menu : user.MenuList) {
            for (NaviItem& item : menu.ItemList) {
                if (item.IconPath.empty() || item.Icon) {
                    continue;
                }
                Picture icon = LoadIconFile(item.IconPath);
                if (!icon) {
                    item.IconPath.clear();
                    continue;
                }
                auto holder = std::make_shared<IconHolder>();
                holder->picture = icon;
                item.Icon = holder;
            }
        }
    }

    auto* window = new Gtk::Window(Gtk::WINDOW_POPUP);
    pNavi->window = window;
    window->set_title("Waymark");
    window->move(0, 0);
    window->set_size_request(W, kBarHeight);
    window->set_default_size(W, kBarHeight);
    window->set_resizable(false);
    AddClass(*window, "wmbar");
    AddClass(*window, "wm-base");
    auto* viewport = Gtk::make_managed<Gtk::Viewport>(Gtk::Adjustment::create(0, 0, 0),
                                                      Gtk::Adjustment::create(0, 0, 0));
    viewport->set_shadow_type(Gtk::SHADOW_OUT);
    AddClass(*viewport, "wm-base");
    window->add(*viewport);
    auto* fixed = Gtk::make_managed<Gtk::Fixed>();
    viewport->add(*fixed);
    gtk_widget_realize(GTK_WIDGET(window->gobj()));

    auto* left = suite::Put(fixed, Gtk::make_managed<Gtk::Fixed>(), 0, 0, 176, kBarHeight);
    auto* right = suite::Put(fixed, Gtk::make_managed<Gtk::Fixed>(), W - 136, 0, 136, kBarHeight);
    // Equal shares of the strip, whether or not every button is shown.
    const int stripWidth = W - 312 > 0 ? W - 312 : 0;
    auto* strip = suite::Put(fixed, Gtk::make_managed<Gtk::Fixed>(), 176, 8, stripWidth, 24);
    const int share = pNavi->ToggleCount > 0 ? stripWidth / pNavi->ToggleCount : 0;

    pNavi->combo = Gtk::make_managed<Gtk::ComboBoxText>(true);
    pNavi->comboEntry = pNavi->combo->get_entry();
    pNavi->comboEntry->set_editable(false);
    pNavi->comboEntry->set_can_focus(false);
    pNavi->comboEntry->set_width_chars(1);
    AddClass(*pNavi->combo, "wm-toggle");
    SetAccessibleName(*pNavi->combo, _("User"));
    SetAccessibleName(*pNavi->comboEntry, _("User"));
    suite::Put(left, pNavi->combo, 8, 8, 128, 24);
    pNavi->leftArrow = CreateArrow(*left, 152, Gtk::ARROW_LEFT, _("Previous menus"));

    for (int i = 0; i < pNavi->ToggleCount; ++i) {
        MenuToggle& t = pNavi->toggles[i];
        t.button = Gtk::make_managed<Gtk::ToggleButton>();
        t.button->set_can_focus(false);
        t.fixed = Gtk::make_managed<Gtk::Fixed>();
        t.fixed->show();
        t.button->add(*t.fixed);
        t.lower = CreateLabel(*t.fixed, 1, 1, share - 3, 22);
        t.upper = CreateLabel(*t.fixed, 0, 0, share - 3, 22);
        AddClass(*t.button, "wm-face-n");
        AddClass(*t.fixed, "wm-face-n");
        suite::Put(strip, t.button, i * share, 0, share, 24);
        t.button->signal_toggled().connect([i] { on_Toggle_toggled(i); });
        t.button->signal_enter().connect([i] { on_Toggle_enter(i); });
        t.button->signal_leave().connect([i] { on_Toggle_leave(i); });
        t.button->signal_pressed().connect([i] { on_Toggle_pressed(i); });
    }

    pNavi->rightArrow = CreateArrow(*right, 0, Gtk::ARROW_RIGHT, _("Next menus"));
    const Pictures& pic = pNavi->pictures;
    pNavi->edit = CreatePictureButton(*right, pic.edit, true, 40, _("Edit"));
    // Without a file manager its button stays unconfigured, pressed or not.
    pNavi->fileManager = CreatePictureButton(*right, pic.lupe, !pNaviData->FileManager.empty(), 72,
                                             _("File manager"));
    pNavi->help = CreatePictureButton(*right, pic.help, true, 104, _("Help"));

    SetUserComboBox();
    SetToggleButton(true);

    pNavi->comboEntry->signal_changed().connect(&on_ComboEntry_changed);
    pNavi->leftArrow->signal_clicked().connect([] { MoveToggleButton(false); });
    pNavi->rightArrow->signal_clicked().connect([] { MoveToggleButton(true); });
    pNavi->edit.button->signal_clicked().connect(&on_EditButton_clicked);
    pNavi->fileManager.button->signal_clicked().connect(&on_FMButton_clicked);
    pNavi->help.button->signal_clicked().connect(&on_HelpButton_clicked);
    window->signal_delete_event().connect([](GdkEventAny*) {
        QuitMainLoop();
        return true;
    });
    ConnectBarDrops();
    fixed->show_all();
    viewport->show();
    // show_all showed every menu button; put the strip back as the model says.
    SetToggleButton(false);

    if (!CreateGroupWindow()) {
        DestroyNaviWindow();
        return nullptr;
    }
    pNavi->childTimer = Glib::signal_timeout().connect(
        [] {
            if (ProcessStarter* starter = Launcher().starter) {
                starter->CollectFinished();
            }
            return true;
        },
        1000);
    return window;
}

void DestroyNaviWindow() {
    DestroyDialogs();
    if (pwyGroup != nullptr) {
        pwyGroup->scrollTimer.disconnect();
        delete pwyGroup->window;
        delete pwyGroup;
        pwyGroup = nullptr;
    }
    if (pNavi != nullptr) {
        pNavi->arrowTimer.disconnect();
        pNavi->childTimer.disconnect();
        delete pNavi->window;
        delete pNavi;
        pNavi = nullptr;
    }
    Drop = DropRecord{};
}

bool CreateGroupWindow() {
    pwyGroup = new GroupWindow();
    auto* window = new Gtk::Window(Gtk::WINDOW_POPUP);
    pwyGroup->window = window;
    window->set_title(_("Items"));
    window->set_size_request(kGroupWidth, kGroupHeight);
    window->set_default_size(kGroupWidth, kGroupHeight);
    window->set_resizable(false);
    window->move(pNavi->ScreenWidth / 2 - 287, 67);
    AddClass(*window, "wmbar");
    AddClass(*window, "wm-transparent");
    window->set_app_paintable(true);
    auto screen = window->get_screen();
    if (auto visual = screen->get_rgba_visual(); visual && screen->is_composited()) {
        gtk_widget_set_visual(GTK_WIDGET(window->gobj()), visual->gobj());
    }
    pwyGroup->fixed = Gtk::make_managed<Gtk::Fixed>();
    window->add(*pwyGroup->fixed);
    Gtk::Fixed& fixed = *pwyGroup->fixed;
    const Pictures& pic = pNavi->pictures;
    suite::Put(&fixed, Gtk::make_managed<Gtk::Image>(pic.viewBase), 0, 0, kGroupWidth,
               kGroupHeight);

    pwyGroup->upperZone = CreateZone(fixed, 2, 15, _("Scroll up"));
    pwyGroup->lowerZone = CreateZone(fixed, 360, 20, _("Scroll down"));
    for (int s = 0; s < kSlotCount; ++s) {
        CreateItemButton(s, fixed);
    }
    pwyGroup->adjustment = Gtk::Adjustment::create(0, 0, 90, 2, 10, 10);
    pwyGroup->scrollbar =
        Gtk::make_managed<Gtk::Scrollbar>(pwyGroup->adjustment, Gtk::ORIENTATION_VERTICAL);
    SetAccessibleName(*pwyGroup->scrollbar, _("Scroll items"));
    suite::Put(&fixed, pwyGroup->scrollbar, 548, 18, 16, 325);

    pwyGroup->addItem =
        PutPictureButton(fixed, pic.addItem[0], _("Add Item"), 544, 351, pwyGroup->addItemImage);
    fixed.show();

    pwyGroup->adjustment->signal_value_changed().connect(&on_Adjustment_value_changed);
    pwyGroup->addItem->signal_pressed().connect(
        [] { pwyGroup->addItemImage->set(pNavi->pictures.addItem[1]); });
    pwyGroup->addItem->signal_clicked().connect(&on_AddItemButton_clicked);
    window->signal_realize().connect([window] { ApplyShape(*window, pNavi->pictures.viewBase); });
    gtk_widget_realize(GTK_WIDGET(window->gobj()));
    ConnectGroupDrops();
    return true;
}

void SetUserComboBox() {
    pNavi->filling = true;
    pNavi->combo->remove_all();
    for (const NaviUser& user : pNaviData->UserList) {
        pNavi->combo->append(ToDisplay(user.UserName));
    }
    const NaviUser* current = GetCurrentUser(*pNaviData);
    pNavi->comboEntry->set_text(current ? ToDisplay(current->UserName) : Glib::ustring());
    if (current) {
        pNavi->combo->set_active(pNaviData->CurrentUser);
    }
    pNavi->filling = false;
}

void SetToggleActive(int position, bool active) {
    if (position < 0 || position >= pNavi->ToggleCount) {
        return;
    }
    pNavi->updating = true;
    pNavi->toggles[position].button->set_active(active);
    pNavi->updating = false;
}

void ChangeToggleFixedColor(bool active, int position) {
    if (position < 0 || position >= kMaxToggles || position >= pNavi->ToggleCount) {
        return;
    }
    for (Gtk::Widget* w : {static_cast<Gtk::Widget*>(pNavi->toggles[position].fixed),
                           static_cast<Gtk::Widget*>(pNavi->toggles[position].button)}) {
        auto context = w->get_style_context();
        context->remove_class(active ? "wm-face-n" : "wm-face-a");
        context->add_class(active ? "wm-face-a" : "wm-face-n");
    }
}

int GetToggleNo(Gtk::ToggleButton* button) {
    for (int i = 0; i < pNavi->ToggleCount; ++i) {
        if (pNavi->toggles[i].button == button) {
            return i + pNavi->MenuTop;
        }
    }
    return -1;
}

bool MenuIsOpen() {
    const NaviUser* user = GetCurrentUser(*pNaviData);
    return pNavi->ActiveToggle >= 0 && user != nullptr && user->CurrentMenu != -1;
}

NaviMenu* OpenMenu() {
    NaviUser* user = GetCurrentUser(*pNaviData);
    return user ? GetCurrentMenu(*user) : nullptr;
}

void CloseOpenMenu() {
    HideGroupWindow();
    if (pNavi->ActiveToggle >= 0) {
        SetToggleActive(pNavi->ActiveToggle, false);
        ChangeToggleFixedColor(false, pNavi->ActiveToggle);
    }
    pNavi->ActiveToggle = -1;
    if (NaviUser* user = GetCurrentUser(*pNaviData)) {
        user->CurrentMenu = -1;
    }
}

void SetToggleButton(bool closeOpen) {
    if (closeOpen && MenuIsOpen()) {
        CloseOpenMenu();
    }
    const NaviUser* user = GetCurrentUser(*pNaviData);
    int shown = 0;
    if (user != nullptr) {
        for (; shown < pNavi->ToggleCount && pNavi->MenuTop + shown < user->MenuCount; ++shown) {
            const NaviMenu* menu = GetMenu(*user, pNavi->MenuTop + shown);
            if (menu == nullptr) {
                break;
            }
            MenuToggle& t = pNavi->toggles[shown];
            const Glib::ustring text = ToDisplay(CreateDisplayString(menu->MenuName, 12));
            SetLabelPair(*t.lower, *t.upper, text);
            SetAccessibleName(*t.button, ToDisplay(menu->MenuName));
            t.button->set_tooltip_text(ToDisplay(menu->MenuName));
            t.button->show();
            const bool open = shown == pNavi->ActiveToggle;
            if (!open) {
                SetToggleActive(shown, false);
            }
            ChangeToggleFixedColor(open, shown);
        }
    }
    for (int i = shown; i < pNavi->ToggleCount; ++i) {
        SetToggleActive(i, false);
        pNavi->toggles[i].button->hide();
    }
    if (!closeOpen && pNavi->ActiveToggle >= 0 && pNavi->ActiveToggle < shown) {
        SetToggleActive(pNavi->ActiveToggle, true);
        ChangeToggleFixedColor(true, pNavi->ActiveToggle);
    }
}

void ChangeSlotPictures(int s, int state) {
    if (pwyGroup == nullptr || s < 0 || s >= kSlotCount) {
        return;
    }
    ItemSlot& slot = pwyGroup->slots[s];
    const Pictures& pic = pNavi->pictures;
    // State 3 is the info button held down: pressed pictures, nothing moves.
    const int picture = state == 3 ? 2 : state;
    slot.base->set(pic.item[picture]);
    slot.handleImage->set(pic.handle[picture]);
    slot.infoImage->set(pic.itemInfo[picture == 2 ? 1 : 0]);
    slot.hover = state == 1;
    const int shift = state == 2 ? 2 : 0;
    slot.fixed->move(*slot.picture, 35 + shift, 7 + shift);
    slot.fixed->move(*slot.labelBox, 122 + shift, 32 + shift);
    slot.fixed->move(*slot.info, 226 + shift, 30 + shift);
    if (state == 2) {
        slot.handle->hide();
    } else {
        slot.handle->show();
    }
}

void SetGroupWindow() {
    NaviMenu* menu = OpenMenu();
    if (menu == nullptr || pwyGroup == nullptr) {
        return;
    }
    ClampScrollTop(*menu);
    const int count = menu->ItemCount;
    bool lowered = false;
    if (count > kSlotCount && count - menu->ScrollTop < kSlotCount &&
        kSlotCount - (count - menu->ScrollTop) == 2) {
        // The last row would be empty: show a full window instead.
        menu->ScrollTop -= 2;
        lowered = true;
    }
    const Pictures& pic = pNavi->pictures;
    for (int s = 0; s < kSlotCount; ++s) {
        ItemSlot& slot = pwyGroup->slots[s];
        const NaviItem* item = GetItem(*menu, menu->ScrollTop + s);
        if (item == nullptr) {
            slot.box->hide();
            continue;
        }
        const Glib::ustring text = ToDisplay(CreateDisplayString(item->ItemName, 13));
        SetLabelPair(*slot.lower, *slot.upper, text);
        SetAccessibleName(*slot.box, ToDisplay(item->ItemName));
        slot.box->set_tooltip_text(ToDisplay(item->LinkName));
        Picture icon = item->IconPath.empty() ? Picture() : ItemIcon(*item);
        slot.picture->set(icon ? icon : pic.category[item->ItemCategory == CATEGORY_WEB ? 0 : 1]);
        ChangeSlotPictures(s, 0);
        slot.box->show();
    }
    // Every item shown: a range as long as the page, so the thumb fills the
    // trough (an empty range would leave a small thumb that looks movable).
    const double upper = count < 11 ? kSlotCount : (count + 1) / 2 * 2;
    auto adj = pwyGroup->adjustment;
    if (upper != adj->get_upper() || lowered || adj->get_value() != menu->ScrollTop) {
        adj->freeze_notify();
        adj->configure(menu->ScrollTop, 0, upper, 2, 10, 10);
        adj->thaw_notify();
    }
    ShowGroupWindow();
}

void ShowGroupWindow() {
    if (pwyGroup != nullptr) {
        pwyGroup->window->show();
        RestackWindow(*pwyGroup->window, true);
    }
}

void HideGroupWindow() {
    if (pwyGroup != nullptr) {
        pwyGroup->scrollTimer.disconnect();
        pwyGroup->pressedSlot = -1;
        pwyGroup->window->hide();
    }
}

bool GroupWindowVisible() {
    return pwyGroup != nullptr && pwyGroup->window->get_visible();
}

}  // namespace wm
