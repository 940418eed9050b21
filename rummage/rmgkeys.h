// Keyboard navigation of the main window.  Neither the tree nor the list
// takes the focus; the window's key handler moves the list selection while
// any list row is selected and the tree selection otherwise.
#pragma once

#include <gtkmm.h>

namespace rmg {

// Connect to the main window's key press (before its default handler).
// True when the key was used for navigation; false lets the window's own
// processing (the location entry, accelerators, mnemonics) have it.
bool on_MainWindow_key_press_event(GdkEventKey* event);

// The two halves, for tests.
void ListKeyPress(GdkEventKey* event);
void TreeKeyPress(Gtk::TreeView* tree, GdkEventKey* event);

// Smallest selected list row for Up (dir < 0), largest for Down, or -1.
int GetListSelectTop(int direction);
// First row at least partly visible, first row after it not fully visible
// (or the last row), and last - first + 1.  False for an empty list.
bool GetListRange(int& first, int& last, int& count);

// Visible-node moves of the tree (invalid iterator when there is none):
// the node above, the node below, the last visible node below `node`, and
// the first and last node in view (their count, or -1 when not shown).
Gtk::TreeModel::iterator GetTreeUpPosition(Gtk::TreeView* tree,
                                           const Gtk::TreeModel::iterator& node);
Gtk::TreeModel::iterator GetTreeDownPosition(Gtk::TreeView* tree,
                                             const Gtk::TreeModel::iterator& node);
Gtk::TreeModel::iterator GetLastVisibleNode(Gtk::TreeView* tree,
                                            const Gtk::TreeModel::iterator& node);
int GetTreeRange(Gtk::TreeView* tree, Gtk::TreeModel::iterator& first,
                 Gtk::TreeModel::iterator& last);

// Whether the row at `path` is wholly in view (false before the tree is shown).
bool TreeRowFullyVisible(Gtk::TreeView* tree, const Gtk::TreeModel::Path& path);

}  // namespace rmg
