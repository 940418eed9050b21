#include "tunewell/TwSupport.h"

#include <algorithm>
#include <vector>

namespace tw {
namespace {

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

void SetUpTwDialog(Gtk::Window& window, const Glib::ustring& title, int width, int height) {
    InstallTwStyle();
    window.set_title(title);
    window.get_accessible()->set_name(title);
    window.set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    window.set_position(Gtk::WIN_POS_CENTER);
    window.set_modal(true);
    window.set_resizable(false);
    window.set_size_request(width, height);
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
        address.part[i] = suite::PutEntry(fixed, name + " " + Glib::ustring::format(i + 1),
                                          x + i * 46, y, 36, 22, 3);
        if (i < 3) {
            suite::PutLabel(fixed, ".", x + i * 46 + 38, y + 2, 6, 18);
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
    if (dialog) {
        suite::RunModalDialog(*dialog, disable, OwnerOfDialog(disable));
    }
}

Gtk::Window* OwnerOfDialog(Gtk::Window* disable) {
    return suite::DialogOwner(disable, gDialogOwner);
}

void SetDialogOwner(Gtk::Window* window) {
    gDialogOwner = window;
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
