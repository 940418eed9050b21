#include "rummage/rmglocationbar.h"

#include "common/I18n.h"
#include "rummage/rmgmainwindow.h"

namespace rmg {

Gtk::ComboBoxText* CreateLocationBar(Gtk::Box& box) {
    auto* row = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 5));
    row->set_border_width(2);
    auto* label = Gtk::manage(new Gtk::Label(_("Location:")));
    auto* combo = Gtk::manage(new Gtk::ComboBoxText(true));
    auto* entry = combo->get_entry();
    if (entry == nullptr) {
        return nullptr;
    }
    entry->set_max_length(kLocationEntryMax);
    combo->set_size_request(500, -1);
    combo->set_can_focus(true);
    entry->set_can_default(true);
    entry->signal_activate().connect(sigc::ptr_fun(&on_LocationComboEntry_activate));
    row->pack_start(*label, Gtk::PACK_SHRINK);
    row->pack_start(*combo, Gtk::PACK_SHRINK);
    box.pack_start(*row, Gtk::PACK_SHRINK);
    pMainW->LocationCombo = combo;
    return combo;
}

void SetLocationComboList(Gtk::ComboBoxText& combo, const std::vector<std::string>& history) {
    // Clearing the list also clears the entry.
    Gtk::Entry* entry = combo.get_entry();
    const Glib::ustring text = entry != nullptr ? entry->get_text() : Glib::ustring();
    combo.remove_all();
    for (const std::string& dir : history) {
        combo.append(Glib::filename_display_name(dir));
    }
    if (entry != nullptr) {
        entry->set_text(text);
    }
}

Gtk::Entry* GetLocationEntry() {
    if (pMainW == nullptr || pMainW->LocationCombo == nullptr) {
        return nullptr;
    }
    return pMainW->LocationCombo->get_entry();
}

std::string GetLocationText() {
    Gtk::Entry* entry = GetLocationEntry();
    if (entry == nullptr) {
        return {};
    }
    // Names are bytes; the entry holds UTF-8.
    try {
        return Glib::filename_from_utf8(entry->get_text());
    } catch (const Glib::Error&) {
        return entry->get_text();
    }
}

void SetLocationText(const std::string& text) {
    if (Gtk::Entry* entry = GetLocationEntry()) {
        entry->set_text(Glib::filename_display_name(text));
    }
}

}  // namespace rmg
