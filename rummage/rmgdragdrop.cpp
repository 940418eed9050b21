#include "rummage/rmgdragdrop.h"

#include "rummage/rmgcommands.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilemenu.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

const char kTarget[] = "text/plain";

DropChoiceFunction& Choice() {
    static DropChoiceFunction choose;
    return choose;
}

}  // namespace

std::vector<Gtk::TargetEntry> DragTargets() {
    return {Gtk::TargetEntry(kTarget, Gtk::TargetFlags(0), 0)};
}

void SetDragText(Gtk::SelectionData& data, const std::string& text) {
    // Raw bytes: the text conversion would turn non-ASCII names into "?".
    gtk_selection_data_set(data.gobj(), gdk_atom_intern_static_string(kTarget), 8,
                           reinterpret_cast<const guchar*>(text.data()),
                           static_cast<gint>(text.size()));
}

std::string GetDropText(const Gtk::SelectionData& data) {
    const GtkSelectionData* raw = data.gobj();
    const gint length = gtk_selection_data_get_length(raw);
    const guchar* bytes = gtk_selection_data_get_data(raw);
    if (gtk_selection_data_get_format(raw) != 8 || length <= 0 || bytes == nullptr) {
        return {};
    }
    std::string text(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    // Some senders count a terminating NUL.
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

bool RequestDropData(Gtk::Widget& widget, const Glib::RefPtr<Gdk::DragContext>& context,
                     guint time) {
    const Glib::ustring target = widget.drag_dest_find_target(context);
    if (target.empty() || target == "NONE") {
        return false;
    }
    widget.drag_get_data(context, target, time);
    return true;
}

void ReceiveDrop(const Glib::RefPtr<Gdk::DragContext>& context, const Gtk::SelectionData& data,
                 guint time, const std::string& dest) {
    const std::string text = GetDropText(data);
    bool ok = false;
    if (!dest.empty() && text.compare(0, 5, "file:") == 0 && pGTable != nullptr) {
        ok = UIFileDragDrop(text, dest) == 0;
    }
    context->drag_finish(ok, false, time);
}

void SetDropChoiceFunction(DropChoiceFunction choose) {
    Choice() = std::move(choose);
}

int UIFileDragDrop(const std::string& text, const std::string& destIn) {
    if (pGTable == nullptr || destIn.empty()) {
        return 1;
    }
    const std::vector<std::string> items = SplitDropText(text);
    if (items.empty()) {
        return 1;
    }
    std::string dest = destIn;
    if (dest.back() != '/') {
        dest += '/';
    }
    const std::string& first = items.front();
    if (GetParentDirectory(first) == dest || first == dest) {
        return 1;
    }
    const int choice = Choice() ? Choice()() : CreateFileOperationPopup();
    int kind = 0;
    if (choice == 1) {
        kind = OP_COPY;
    } else if (choice == 2) {
        kind = OP_MOVE;
    } else {
        return 1;
    }
    CopyMoveItems(items, dest, kind);

    Gtk::TreeView* tree = pMainW != nullptr ? pMainW->DirTree : nullptr;
    if (tree != nullptr) {
        if (kind == OP_MOVE) {
            // The source's parent may have lost its last subdirectory, so its
            // own parent is relisted; at the top the parent itself is.
            const std::string parent = GetParentDirectory(first);
            const std::string grandParent = GetParentDirectory(parent);
            RescanTree(tree, GetPathNode(tree, grandParent) ? grandParent : parent);
        }
        RescanTree(tree, GetParentDirectory(dest));
        OpenChildTree(tree, dest, 1);
    }
    return 0;
}

}  // namespace rmg
