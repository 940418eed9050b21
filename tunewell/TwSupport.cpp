#include "tunewell/TwSupport.h"

#include "common/GtkKit.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace tw {
namespace {

std::vector<Glib::RefPtr<Glib::MainLoop>>& LoopStack() {
    static std::vector<Glib::RefPtr<Glib::MainLoop>> stack;
    return stack;
}

std::vector<Gtk::Window*>& DialogStack() {
    static std::vector<Gtk::Window*> stack;
    return stack;
}

std::vector<unsigned long>& SerialStack() {
    static std::vector<unsigned long> stack;
    return stack;
}

unsigned long gLastSerial = 0;
Gtk::Window* gDialogOwner = nullptr;

// The layout places widgets at exact positions and sizes; the theme's
// minimum heights and paddings would push them over one another.
constexpr const char* kStyle =
    "button { padding: 0px 4px; min-height: 0px; }\n"
    "entry { padding: 0px 3px; min-height: 0px; }\n"
    "radiobutton, checkbutton { padding: 0px; min-height: 0px; }\n"
    "radiobutton radio, checkbutton check { margin: 0px 4px 0px 0px; }\n"
    "frame > border { border-width: 1px; }\n"
    "notebook > header > tabs > tab { padding: 2px 10px; min-height: 0px; }\n"
    "combobox button { padding: 0px 2px; }\n"
    // A zone table holds hundreds of names: a scrolled list pops up at once
    // where a menu would build an item per zone.
    "combobox { -GtkComboBox-appears-as-list: true; }\n"
    ".tw-wait { border: 2px outset #8a8a8a; }\n";

void Place(Gtk::Fixed* fixed, Gtk::Widget* widget, int x, int y, int width, int height) {
    if (width > 0 || height > 0) {
        widget->set_size_request(width > 0 ? width : -1, height > 0 ? height : -1);
    }
    if (fixed) {
        fixed->put(*widget, x, y);
    }
    widget->show();
}

// Where a row's buttons sit and the sizes they were given.
struct Slot {
    Gtk::Button* button = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

std::vector<Slot> SlotsOf(Gtk::Fixed* fixed, const std::vector<Gtk::Button*>& row) {
    std::vector<Slot> slots;
    for (Gtk::Button* button : row) {
        Slot slot;
        slot.button = button;
        gtk_container_child_get(GTK_CONTAINER(fixed->gobj()), GTK_WIDGET(button->gobj()), "x",
                                &slot.x, "y", &slot.y, nullptr);
        button->get_size_request(slot.width, slot.height);
        slots.push_back(slot);
    }
    return slots;
}

// The width the button asks for its caption alone: the label's Pango layout
// in its font, the indicator of a radio button, the padding of the style.
int CaptionWidth(Gtk::Button* button) {
    int width = 0;
    int height = 0;
    button->get_size_request(width, height);
    button->set_size_request(-1, height);
    int minimum = 0;
    int natural = 0;
    button->get_preferred_width(minimum, natural);
    button->set_size_request(width, height);
    return natural;
}

void ScaleCaption(Gtk::Button* button, double scale) {
    auto* label = dynamic_cast<Gtk::Label*>(button->get_child());
    if (!label) {
        return;
    }
    Pango::AttrList attributes;
    if (scale < 1.0) {
        Pango::Attribute attribute = Pango::Attribute::create_attr_scale(scale);
        attributes.insert(attribute);
    }
    label->set_attributes(attributes);
}

// Lays the row out from its anchored end and returns how far it reaches
// at the other end (its left x, or its right end).
int LayOutRow(const std::vector<Slot>& slots, const std::vector<int>& widths, bool toRight,
              std::vector<int>& xs) {
    const std::size_t n = slots.size();
    xs.assign(n, 0);
    if (toRight) {
        int right = slots[n - 1].x + slots[n - 1].width;
        for (std::size_t i = n; i-- > 0;) {
            if (i + 1 < n) {
                const int gap = slots[i + 1].x - (slots[i].x + slots[i].width);
                right = std::min(slots[i].x + slots[i].width, xs[i + 1] - gap);
            }
            xs[i] = right - widths[i];
        }
        return xs[0];
    }
    int x = slots[0].x;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) {
            const int gap = slots[i].x - (slots[i - 1].x + slots[i - 1].width);
            x = std::max(slots[i].x, xs[i - 1] + widths[i - 1] + gap);
        }
        xs[i] = x;
    }
    return xs[n - 1] + widths[n - 1];
}

void FitRow(Gtk::Fixed* fixed, const std::vector<Gtk::Button*>& row, int limit, bool toRight) {
    if (!fixed || row.empty()) {
        return;
    }
    std::vector<Slot> slots = SlotsOf(fixed, row);
    std::vector<int> widths(slots.size());
    std::vector<int> xs;
    // A twentieth smaller at a time, down to 70 %, still readable.
    for (int step = 0;; ++step) {
        for (std::size_t i = 0; i < slots.size(); ++i) {
            ScaleCaption(slots[i].button, 1.0 - 0.05 * step);
            widths[i] = std::max(slots[i].width, CaptionWidth(slots[i].button));
        }
        const int reach = LayOutRow(slots, widths, toRight, xs);
        if ((toRight ? reach >= limit : reach <= limit) || step == 6) {
            break;
        }
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        slots[i].button->set_size_request(widths[i], slots[i].height);
        fixed->move(*slots[i].button, xs[i], slots[i].y);
    }
}

}  // namespace

void FitRowToRight(Gtk::Fixed* fixed, const std::vector<Gtk::Button*>& row, int left) {
    FitRow(fixed, row, left, true);
}

void FitRowToLeft(Gtk::Fixed* fixed, const std::vector<Gtk::Button*>& row, int right) {
    FitRow(fixed, row, right, false);
}

void InstallTwStyle() {
    suite::InstallStyleSheet(kStyle);
}

Gtk::Label* PutLabel(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                     int height) {
    auto* label = Gtk::manage(new Gtk::Label(text));
    label->set_xalign(0.0f);
    label->set_yalign(0.5f);
    label->set_justify(Gtk::JUSTIFY_LEFT);
    Place(fixed, label, x, y, width, height);
    return label;
}

Gtk::Button* PutButton(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                       int height) {
    auto* button = Gtk::manage(new Gtk::Button(text));
    button->set_can_default(true);
    button->get_accessible()->set_name(text);
    Place(fixed, button, x, y, width, height);
    return button;
}

Gtk::Entry* PutEntry(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y, int width,
                     int maxChars, bool hidden) {
    auto* entry = Gtk::manage(new Gtk::Entry());
    if (maxChars > 0) {
        entry->set_max_length(maxChars);
    }
    // The entry would otherwise ask for room for twenty characters.
    entry->set_width_chars(1);
    if (hidden) {
        entry->set_visibility(false);
        entry->set_input_purpose(Gtk::INPUT_PURPOSE_PASSWORD);
    }
    entry->get_accessible()->set_name(name);
    Place(fixed, entry, x, y, width, 22);
    return entry;
}

Gtk::RadioButton* PutRadio(Gtk::Fixed* fixed, Gtk::RadioButton* groupOf, const Glib::ustring& text,
                           int x, int y, int width, int height) {
    auto* radio = Gtk::manage(new Gtk::RadioButton(text));
    if (groupOf) {
        Gtk::RadioButton::Group group = groupOf->get_group();
        radio->set_group(group);
    }
    radio->get_accessible()->set_name(text);
    Place(fixed, radio, x, y, width, height);
    return radio;
}

Gtk::Fixed* PutFrame(Gtk::Fixed* fixed, const Glib::ustring& title, int x, int y, int width,
                     int height, Gtk::Frame** frameOut) {
    auto* frame = Gtk::manage(new Gtk::Frame(title));
    frame->set_shadow_type(Gtk::SHADOW_ETCHED_IN);
    frame->get_accessible()->set_name(title);
    Place(fixed, frame, x, y, width, height);
    auto* inner = Gtk::manage(new Gtk::Fixed());
    frame->add(*inner);
    inner->show();
    if (frameOut) {
        *frameOut = frame;
    }
    return inner;
}

void AddressEntry::Set(const std::string& dotted) {
    std::string parts[4];
    int index = 0;
    for (char c : dotted) {
        if (c == '.') {
            if (++index > 3) {
                break;
            }
        } else {
            parts[index] += c;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (part[i]) {
            part[i]->set_text(parts[i]);
        }
    }
}

void AddressEntry::SetSensitive(bool sensitive) {
    for (Gtk::Entry* entry : part) {
        if (entry) {
            entry->set_sensitive(sensitive);
        }
    }
}

AddressEntry PutAddress(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y) {
    AddressEntry address;
    for (int i = 0; i < 4; ++i) {
        address.part[i] =
            PutEntry(fixed, name + " " + Glib::ustring::format(i + 1), x + i * 46, y, 36, 3);
        if (i < 3) {
            PutLabel(fixed, ".", x + i * 46 + 38, y + 2, 6, 18);
        }
    }
    return address;
}

void TwSetFocus(Gtk::Entry* entry) {
    if (!entry) {
        return;
    }
    entry->grab_focus();
    entry->select_region(0, -1);
}

void ModalMainLoop(Gtk::Window* dialog, Gtk::Window* disable) {
    if (!dialog) {
        return;
    }
    const bool wasSensitive = disable && disable->get_sensitive();
    if (disable) {
        disable->set_sensitive(false);
        // Should the window go away meanwhile, it is not touched again.
        disable->add_destroy_notify_callback(&disable, [](void* data) -> void* {
            *static_cast<Gtk::Window**>(data) = nullptr;
            return nullptr;
        });
    }
    Gtk::Window* owner = !DialogStack().empty() ? DialogStack().back() : disable;
    if (!owner) {
        owner = gDialogOwner;
    }
    if (owner && owner != dialog && !dialog->get_transient_for()) {
        dialog->set_transient_for(*owner);
    }

    auto loop = Glib::MainLoop::create(false);
    LoopStack().push_back(loop);
    DialogStack().push_back(dialog);
    SerialStack().push_back(++gLastSerial);
    suite::RunModalLoop(*dialog, loop);
    LoopStack().pop_back();
    DialogStack().pop_back();
    SerialStack().pop_back();

    if (disable) {
        disable->remove_destroy_notify_callback(&disable);
        if (wasSensitive) {
            disable->set_sensitive(true);
        }
    }
}

void SetDialogOwner(Gtk::Window* window) {
    gDialogOwner = window;
}

void EndModalLoop() {
    auto& stack = LoopStack();
    if (!stack.empty()) {
        stack.back()->quit();
    }
}

int ModalLoopDepth() {
    return static_cast<int>(LoopStack().size());
}

Gtk::Window* InnermostDialog() {
    return DialogStack().empty() ? nullptr : DialogStack().back();
}

unsigned long InnermostDialogSerial() {
    return SerialStack().empty() ? 0 : SerialStack().back();
}

Glib::ustring ToDisplay(const std::string& bytes) {
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        return Glib::ustring(bytes);
    }
    gchar* valid = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
    Glib::ustring text(valid);
    g_free(valid);
    return text;
}

std::string FromDisplay(const Glib::ustring& text) {
    return text.raw();
}

}  // namespace tw
