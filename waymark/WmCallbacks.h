// Signal handlers of the bar and the item window, drops, and the glue
// between the windows and launching.
#pragma once

#include <gtkmm.h>

#include <string>

namespace wm {

// Drag target kinds, as the handlers receive them in `info`.
inline constexpr guint TARGET_STRING = 0;
inline constexpr guint TARGET_PLAIN = 1;
inline constexpr guint TARGET_ITEM = 2;
inline constexpr guint TARGET_URI_LIST = 3;
inline constexpr const char* kItemTarget = "waymark/item";

// Bar.
void on_ComboEntry_changed();
void MoveToggleButton(bool right);
bool ScrollToggleButton(bool right);
void on_Toggle_toggled(int position);
void on_Toggle_enter(int position);
void on_Toggle_leave(int position);
void on_Toggle_pressed(int position);
void on_EditButton_clicked();
void on_FMButton_clicked();
void on_HelpButton_clicked();

// Item window.
void on_Adjustment_value_changed();
bool ItemScroll(bool down);
void on_AddItemButton_clicked();
bool on_Slot_button_press_event(GdkEventButton* event, int slot);
bool on_Slot_button_release_event(GdkEventButton* event, int slot);
bool on_Slot_enter_notify_event(GdkEventCrossing* event, int slot);
bool on_Slot_motion_notify_event(GdkEventMotion* event, int slot);
bool on_Slot_leave_notify_event(GdkEventCrossing* event, int slot);
void on_InfoButton_clicked(int slot);

// Launches the item in `slot` as a release on it does: hides the item
// window, starts it, and closes the menu or shows the window again.
void LaunchSlot(int slot);

// Drops, as the handlers hand them on (tests call these directly).
// A text dropped on menu button `position`: raw bytes of kind `info`.
// True when the drop was taken (the add-item window is open).
bool DropTextOnMenu(int position, const std::string& raw, guint info);
// Starts dragging the item in `slot`: fills `Drop`, returns its serial.
unsigned BeginItemDrag(int slot);
// The dragged item dropped on menu button `position` / on `slot`.  `serial`
// must match the drag in progress.  True when it moved.
bool DropItemOnMenu(int position, unsigned serial);
bool DropItemOnSlot(int slot, unsigned serial);

// Installs the drag and drop handlers of the bar and the item window.
void ConnectBarDrops();
void ConnectGroupDrops();

// Any dialog of the launcher is open (drops are ignored then).
bool AnyDialogOpen();

}  // namespace wm
