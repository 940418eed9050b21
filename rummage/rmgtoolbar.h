// The toolbar of the main window: Back, Up, Forward, Rescan, Home, Property.
#pragma once

#include <gtkmm.h>

namespace rmg {

inline constexpr int TOOL_KIND_BUTTON = 0;
inline constexpr int TOOL_KIND_SPACE = 1;

struct ToolEntry {
    int kind;
    const char* label;  // untranslated; null for a space
    void (*handler)();
};

const ToolEntry& GetToolEntry(int index);

// Builds the toolbar into `box` and fills pMainW->ToolButton.  Null on
// failure.
Gtk::Toolbar* CreateToolBar(Gtk::Box& box);

// One entry of the table; a space gives its separator item.
Gtk::ToolItem* CreateToolButton(Gtk::Toolbar& toolbar, int index);

}  // namespace rmg
