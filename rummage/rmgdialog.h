// The kit every file-manager dialog is built from, and the one way a dialog
// runs: modally, with a grab, in a nested main loop, the main window made
// insensitive meanwhile.  Constructors show the widget they make and add it
// to the given parent; children are managed by their parents, the dialog
// window itself is freed by ModalMainLoop (or by the caller with `delete`
// when building was abandoned).
#pragma once

#include <gtkmm.h>

#include <string>

#include "common/GtkKit.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"

namespace rmg {

// A dialog window: a vertical content area over a row of buttons.  Unlike
// Gtk::Dialog it needs no transient parent and has no response machinery;
// results travel through variables the button handlers fill.
class DialogWindow : public Gtk::Window {
  public:
    DialogWindow();
    Gtk::Box* get_content_area() { return &content_; }
    Gtk::ButtonBox* get_action_area() { return &action_; }

  private:
    Gtk::Box outer_{Gtk::ORIENTATION_VERTICAL};
    Gtk::Box content_{Gtk::ORIENTATION_VERTICAL};
    Gtk::ButtonBox action_{Gtk::ORIENTATION_HORIZONTAL};
};

// Dialog frames.  Sized width x height only when both are above 0, centred
// on the screen, modal, not resizable.  `box` receives the box to fill.
DialogWindow* CreateDialogBox(Gtk::Box** box, int width, int height);
// Content: one vertical box with `spacing`, expanding.
DialogWindow* CreateNormalDialogBox(Gtk::Box** box, int width, int height, int spacing);
// Content: the icon on the left and a vertical box with `spacing` on the right.
DialogWindow* CreateIconDialogBox(Gtk::Box** box, const Glib::RefPtr<Gdk::Pixbuf>& icon, int width,
                                  int height, int spacing);
// Content: a notebook, expanding.
DialogWindow* CreateNotebookDialogBox(Gtk::Notebook** notebook, int width, int height);
// An icon dialog of natural size (spacing 5) titled `title`, with `border`
// around its content and buttons.
DialogWindow* CreateTitledIconDialog(Gtk::Box** box, const Glib::RefPtr<Gdk::Pixbuf>& icon,
                                     const Glib::ustring& title, int border);
// A page of `notebook` under the tab `title`: a box with `spacing` and a
// border of 5.
Gtk::Box* CreateNotebookPage(Gtk::Notebook* notebook, const Glib::ustring& title,
                             Gtk::Orientation orientation, int spacing);

// OK and/or Cancel at the end of the action area (pass null for a button not
// wanted).  Cancel takes the focus and the default (OK when alone).  With
// `closeAsCancel`, closing the window clicks Cancel (OK when alone) and that
// button ends the dialog's loop; connect your own handler to the other one.
// 0, or RESULT_CREATE_FAILED.
int CreateDlgButtonBox(DialogWindow* dialog, Gtk::Button** ok, Gtk::Button** cancel,
                       bool closeAsCancel);

// OK and Cancel as CreateDlgButtonBox makes them, closing acting as
// Cancel.  OK calls `onOk`; Return in `activates` (when given) clicks OK.
void CreateOkCancel(DialogWindow* dialog, const sigc::slot<void>& onOk,
                    Gtk::Entry* activates = nullptr);

// Boxes and small widgets, each shown.  A null parent adds it nowhere.
Gtk::Box* CreateVBox(Gtk::Container* parent, int spacing, int border);
Gtk::Box* CreateHBox(Gtk::Container* parent, bool homogeneous, int spacing, int border);
Gtk::HandleBox* CreateHandleBox(Gtk::Box* parent);
// Not added to a parent.  `rows` and `columns` are only a hint for a grid.
Gtk::Grid* CreateTable(int rows, int columns, int rowSpacing, int columnSpacing, int border);
Gtk::ScrolledWindow* CreateScroll();
Gtk::Label* CreateLabel(Gtk::Box* parent, const Glib::ustring& text);
// A caption (as CreateLabel makes it) in the first column of `row`.
Gtk::Label* CreateGridCaption(Gtk::Grid* grid, int row, const Glib::ustring& text);
Gtk::CheckButton* CreateCheckButton(Gtk::Box* parent, const Glib::ustring& text, bool active);
// A new row (`spacing`) of `parent`: `field`, expanding, then "Browse..."
// for it, opening the directory picker for a combo, the file picker for an
// entry.
Gtk::Box* CreateBrowseRow(Gtk::Box* parent, Gtk::Widget* field, int spacing);
void CreateTabLabel(Gtk::Notebook* notebook, int page, const Glib::ustring& text);
Gtk::Image* CreatePixmap(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf);
Gtk::Separator* CreateSeparator(Gtk::Box* parent);
// A combo with an entry; `entry` receives the entry.  `maxLength` (0 = no
// limit) caps the text in bytes, so it always fits the fixed buffers.  Up
// and Down in the entry step through the list; Return does not open it.
Gtk::ComboBoxText* CreateComboBox(Gtk::Entry** entry, bool editable, int maxLength);
// An editable combo whose entry is named `name` for screen readers, its
// drop-down filled from `history` when given.
Gtk::ComboBoxText* NamedCombo(Gtk::Entry** entry, int maxLength, const Glib::ustring& name,
                              const HistoryList* history);
// An entry of at most `maxLength` characters named `name` for screen readers.
Gtk::Entry* NamedEntry(int maxLength, const Glib::ustring& name);
// Gives `entry` the focus with its whole text selected for retyping, after
// which a non-empty `error` shows in an error box.
void RefuseEntry(Gtk::Entry* entry, const Glib::ustring& error);

// Runs a dialog that asks for one line of text: `icon`, `label` over a combo
// (entry named by the label, holding `text`, drop-down from `history`), OK
// and Cancel.  OK, or Return in the entry, calls `onOk`, which ends the loop
// when it accepts the text.  0.
int RunTextDialog(DialogWindow** dialog, const Glib::RefPtr<Gdk::Pixbuf>& icon,
                  const Glib::ustring& title, const Glib::ustring& label,
                  const HistoryList& history, const Glib::ustring& text, void (*onOk)(Gtk::Entry*));

// Shared handlers.
// Clicks `button` and keeps the window (closing acts as that button).
bool on_delete_event(GdkEventAny* event, Gtk::Button* button);
// Return in a combo's entry clicks `button` (usually OK).
void on_ComboEntry_activate(Gtk::Button* button);
// Ends the innermost dialog loop.
void on_CancelButton_clicked();
// Raise the window; the first one also stops the event.
bool on_Window_button_press_event(GdkEventButton* event, Gtk::Window* window);
bool on_Window_visibility_notify(GdkEventVisibility* event, Gtk::Window* window);

// Runs `dialog` as suite::RunModalDialog does (kept above the dialog or
// window it was opened from, else the main window; `disable` insensitive
// meanwhile) until a handler ends it (on_CancelButton_clicked /
// suite::EndModalLoop) or it is hidden, then deletes it.
void ModalMainLoop(Gtk::Window* dialog, Gtk::Window* disable);
// ModalMainLoop for the dialog in `*dialog`, the slot emptied first: the
// builder's caller no longer deletes it.
void RunModal(DialogWindow** dialog, Gtk::Window* disable);
// The window a dialog opened now stays above: the innermost dialog running,
// else `disable`, else the main window while shown.
Gtk::Window* OwnerOfDialog(Gtk::Window* disable);
// Runs the dialog `build` makes (it runs it modally itself), deleting what a
// failed build leaves.
void RunDialog(int (*build)(DialogWindow**));

// History combos.  Fills the drop-down of `combo` from `list` keeping the
// entry's text; AddHistoryListC adds the entry's text to `list` (history
// rule; an empty text is ignored).
void SetComboList(Gtk::ComboBoxText* combo, const HistoryList& list);
void AddHistoryListC(Gtk::ComboBoxText* combo, HistoryList& list);

// File names are bytes; entries and labels show UTF-8.  ToDisplay never
// fails (bytes that are not valid become replacement characters);
// FromDisplay gives the bytes of a typed name.
Glib::ustring ToDisplay(const std::string& bytes);
std::string FromDisplay(const Glib::ustring& text);

}  // namespace rmg
