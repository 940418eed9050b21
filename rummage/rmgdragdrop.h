// Drag and drop between the tree and the list: the data is "file:<path>"
// items separated by one blank, exchanged as raw bytes (non-ASCII names
// survive), and a drop copies or moves the files through the engine.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <string>
#include <vector>

namespace rmg {

// The one target both widgets offer and accept.
std::vector<Gtk::TargetEntry> DragTargets();

// Puts `text` into the selection as 8-bit data without a terminating NUL.
void SetDragText(Gtk::SelectionData& data, const std::string& text);
// The dropped bytes; empty when there are none.
std::string GetDropText(const Gtk::SelectionData& data);

// The drop handlers of the tree and the list.  RequestDropData asks for
// the data of a drop (false when it carries nothing we take);
// ReceiveDrop copies or moves it into `dest` and finishes the drag.
bool RequestDropData(Gtk::Widget& widget, const Glib::RefPtr<Gdk::DragContext>& context,
                     guint time);
void ReceiveDrop(const Glib::RefPtr<Gdk::DragContext>& context, const Gtk::SelectionData& data,
                 guint time, const std::string& dest);

// Copies or moves the files named in `text` into the directory `dest`
// after asking Copy or Move; 0 when something was copied or moved, else 1.
int UIFileDragDrop(const std::string& text, const std::string& dest);

// Asks Copy (1) or Move (2); 0 when dismissed.  Tests replace it.
using DropChoiceFunction = std::function<int()>;
void SetDropChoiceFunction(DropChoiceFunction choose);

}  // namespace rmg
