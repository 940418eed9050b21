// The location bar: a label and an editable combo holding the visited
// directories.
#pragma once

#include <gtkmm.h>

#include <string>
#include <vector>

namespace rmg {

inline constexpr int kLocationEntryMax = 2047;

// Builds the bar into `box`; the combo (also pMainW->LocationCombo), or null.
Gtk::ComboBoxText* CreateLocationBar(Gtk::Box& box);

// Refills the drop-down from `history` keeping the entry's text.
void SetLocationComboList(Gtk::ComboBoxText& combo, const std::vector<std::string>& history);

Gtk::Entry* GetLocationEntry();
std::string GetLocationText();
void SetLocationText(const std::string& text);

}  // namespace rmg
