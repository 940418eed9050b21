// The launcher's windows: the bar across the top of the screen and the
// shaped item window below it.  The records are the ones the program keeps
// for its whole run (`pNavi`, `pwyGroup`); the handlers that act on them
// live in WmCallbacks, the dialogs in WmDialogs.
#pragma once

#include <gtkmm.h>

#include <memory>
#include <string>

#include "waymark/WmFile.h"
#include "waymark/WmLaunch.h"
#include "waymark/WmPixmap.h"

namespace wm {

inline constexpr int kBarHeight = 43;
inline constexpr int kMaxToggles = 20;
inline constexpr int kSlotCount = 10;
inline constexpr int kGroupWidth = 574;
inline constexpr int kGroupHeight = 382;

// Menu buttons that fit a screen `width` pixels wide.
int ToggleCountFor(int width);

// One menu button of the strip.
struct MenuToggle {
    Gtk::ToggleButton* button = nullptr;
    Gtk::Fixed* fixed = nullptr;  // carries the face colour
    Gtk::Label* lower = nullptr;
    Gtk::Label* upper = nullptr;
};

// A picture button of the bar (edit, file manager, help).
struct PictureButton {
    Gtk::Button* button = nullptr;
    Gtk::Image* image = nullptr;
};

// The main-window record.
struct NaviWindow {
    Gtk::Window* window = nullptr;
    Gtk::ComboBoxText* combo = nullptr;
    Gtk::Entry* comboEntry = nullptr;
    Gtk::Button* leftArrow = nullptr;
    Gtk::Button* rightArrow = nullptr;
    PictureButton edit;
    PictureButton fileManager;
    PictureButton help;
    int ScreenWidth = 0;
    int ToggleCount = 0;
    MenuToggle toggles[kMaxToggles];
    int MenuTop = 0;
    int ActiveToggle = -1;  // position of the pressed-in menu button, -1 for none
    sigc::connection arrowTimer;
    sigc::connection childTimer;
    Pictures pictures;
    bool filling = false;   // the combo is being filled: "changed" must not save
    bool updating = false;  // toggles are being set by code, not by a person
};

// One slot of the item window.
struct ItemSlot {
    Gtk::EventBox* box = nullptr;
    Gtk::Fixed* fixed = nullptr;
    Gtk::Image* base = nullptr;
    Gtk::EventBox* handle = nullptr;
    Gtk::Image* handleImage = nullptr;
    Gtk::Button* info = nullptr;
    Gtk::Image* infoImage = nullptr;
    Gtk::Fixed* labelBox = nullptr;
    Gtk::Label* lower = nullptr;
    Gtk::Label* upper = nullptr;
    Gtk::Image* picture = nullptr;
    bool hover = false;
};

// The item window record.
struct GroupWindow {
    Gtk::Window* window = nullptr;
    Gtk::Fixed* fixed = nullptr;
    Gtk::EventBox* upperZone = nullptr;
    Gtk::EventBox* lowerZone = nullptr;
    Glib::RefPtr<Gtk::Adjustment> adjustment;
    Gtk::Scrollbar* scrollbar = nullptr;
    Gtk::Button* addItem = nullptr;
    Gtk::Image* addItemImage = nullptr;
    ItemSlot slots[kSlotCount];
    sigc::connection scrollTimer;
    int pressedSlot = -1;  // the slot the left button went down on
};

// The item being dragged, kept inside the process; the drag data carries
// only a serial number that must match this record.
struct DropRecord {
    int menu = -1;    // absolute index of the source menu
    int toggle = -1;  // source menu button position, -1 when off the strip
    int user = -1;
    int item = -1;  // index of the item in the source menu
    NaviItem copy;  // to find it again by its fields
    unsigned serial = 0;
};

extern NaviWindow* pNavi;
extern GroupWindow* pwyGroup;
extern DropRecord Drop;
// Japanese layout of the registration date (LANG is exactly "ja_JP.eucJP").
extern int nLANG;

// Launch settings the windows use; tests point them at temporary trees and
// a recording starter.
struct LaunchContext {
    ProcessStarter* starter = nullptr;
    LaunchPaths paths;
};
LaunchContext& Launcher();

// Builds the bar for a screen `width` pixels wide (0: the real screen) and
// the item window; null when a widget could not be made.
Gtk::Window* CreatewyNaviWindow(int width = 0);
// Frees the windows and records.
void DestroyNaviWindow();

bool CreateGroupWindow();
void SetUserComboBox();
// `closeOpen` set: the open menu is closed first.
void SetToggleButton(bool closeOpen);
void SetGroupWindow();
void ChangeToggleFixedColor(bool active, int position);
int GetToggleNo(Gtk::ToggleButton* button);
// Presses or releases a menu button without it counting as a person's click.
void SetToggleActive(int position, bool active);

// Closes the open menu: hides the item window, releases its button, sets
// CurrentMenu to -1.
void CloseOpenMenu();
// A menu is open (ActiveToggle set and CurrentMenu not -1).
bool MenuIsOpen();
// The open menu of the current user, or null.
NaviMenu* OpenMenu();

// Shows or hides the item window.
void ShowGroupWindow();
void HideGroupWindow();
bool GroupWindowVisible();

// Refreshes a slot's pictures to normal (0), hover (1), pressed (2) or
// info button pressed (3).
void ChangeSlotPictures(int slot, int state);

// Ends the program's main loop (or records the request when none runs).
void QuitMainLoop();
bool QuitRequested();
void ClearQuitRequest();

}  // namespace wm
