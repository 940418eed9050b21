#include "rummage/rmgdirtree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <unordered_map>

#include "common/XpmPixbuf.h"
#include "pixmaps/DirClose.xpm"
#include "pixmaps/DirOpen.xpm"
#include "rummage/rmgdialog.h"
#include "rummage/rmgdragdrop.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgkeys.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgpixmap.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"
#include "rummage/rmgutil.h"

namespace rmg {

Glib::RefPtr<Gdk::Pixbuf> OpenFolderPixbuf() {
    static Glib::RefPtr<Gdk::Pixbuf> pixbuf = suite::PixbufFromXpm(DirOpen_xpm);
    return pixbuf;
}

Glib::RefPtr<Gdk::Pixbuf> ClosedFolderPixbuf() {
    static Glib::RefPtr<Gdk::Pixbuf> pixbuf = suite::PixbufFromXpm(DirClose_xpm);
    return pixbuf;
}

Glib::RefPtr<Gdk::Pixbuf> GetDirPixbuf(int index) {
    return index == 0 ? OpenFolderPixbuf() : ClosedFolderPixbuf();
}

namespace {

struct TreeColumns : Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<std::string> name;     // bytes as on disk
    Gtk::TreeModelColumn<Glib::ustring> label;  // what is shown
    TreeColumns() {
        add(name);
        add(label);
    }
};

const TreeColumns& Cols() {
    static TreeColumns cols;
    return cols;
}

// A tree widget with its model: the main tree or a dialog's.
class DirTreeView : public Gtk::TreeView {
  public:
    Glib::RefPtr<Gtk::TreeStore> store;
    Gtk::ComboBoxText* combo = nullptr;
    bool mainTree = false;
};

DirTreeView* AsTree(Gtk::TreeView* tree) {
    return dynamic_cast<DirTreeView*>(tree);
}

DirTreeView* MainTree() {
    return pMainW != nullptr ? AsTree(pMainW->DirTree) : nullptr;
}

sigc::connection selectConnection;
Gtk::TreeModel::Path dragPath;    // node being dragged out of the main tree
Gtk::TreeModel::Path expandPath;  // node the expand timer opens
double dragY = 0;                 // last drag pointer, bin-window coordinates
bool listingSuppressed = false;   // a rescan lists the children itself
// A button went down on the main tree and no drag has begun: the row the
// press selected becomes the shown directory only on release, so a folder
// dragged out of the tree is not first made the list's own directory.
bool pressPending = false;

std::string NodeName(const Gtk::TreeModel::iterator& it) {
    return (*it)[Cols().name];
}

int ByteOrder(const Gtk::TreeModel::iterator& a, const Gtk::TreeModel::iterator& b) {
    const int r = NodeName(a).compare(NodeName(b));
    return (r > 0) - (r < 0);
}

void SetComboText(Gtk::ComboBoxText* combo, const std::string& path) {
    if (combo != nullptr && combo->get_has_entry() && combo->get_entry() != nullptr) {
        combo->get_entry()->set_text(ToDisplay(path));
    }
}

Gtk::TreeModel::iterator FindChild(const Gtk::TreeModel::iterator& node, const std::string& name) {
    for (auto child : node->children()) {
        if (NodeName(child) == name) {
            return child;
        }
    }
    return {};
}

// The press is pending while its button is still down; a release the tree
// never saw (a grab elsewhere) ends it too.
bool IsPressPending(DirTreeView* tree) {
    if (!pressPending) {
        return false;
    }
    auto window = tree->get_window();
    auto display = tree->get_display();
    if (window && display && display->get_default_seat()) {
        int x = 0;
        int y = 0;
        Gdk::ModifierType mask;
        window->get_device_position(display->get_default_seat()->get_pointer(), x, y, mask);
        if ((mask & (Gdk::BUTTON1_MASK | Gdk::BUTTON3_MASK)) != 0) {
            return true;
        }
    }
    pressPending = false;
    return false;
}

// Selection handler of every tree.  A dialog's tree only shows its
// selection in its combo: CurrentDir stays the directory the main window
// shows, which the list and the file commands rely on.
void on_DirTree_select_row(DirTreeView* tree) {
    std::string path;
    if (!GetTreeSelect(tree, &path)) {
        return;
    }
    if (!tree->mainTree) {
        SetComboText(tree->combo, path);
        return;
    }
    if (pGTable == nullptr || IsPressPending(tree)) {
        return;
    }
    if (path != pGTable->CurrentDir) {
        pGTable->CurrentDir = path;
        if (pMainW != nullptr) {
            SetComboText(pMainW->LocationCombo, path);
        }
        DisplayFileList(pGTable->CurrentDir);
        UpdateLocationHistory();
        DisplayFileStatus();
    }
    SensitivePropertyButton();
    // Keys must reach the window's navigation, not the location entry.
    if (pMainW != nullptr && pMainW->Window != nullptr) {
        pMainW->Window->unset_focus();
    }
}

bool IsSelectConnected() {
    return selectConnection.connected();
}

int ListChildrenSorted(DirTreeView* tree, const Gtk::TreeModel::iterator& node,
                       const std::string& path);

bool on_DirTree_expand(DirTreeView* tree, const Gtk::TreeModel::iterator& node) {
    if (listingSuppressed) {
        return false;
    }
    auto window = tree->get_window();
    if (window) {
        window->set_cursor(Gdk::Cursor::create(tree->get_display(), Gdk::WATCH));
        tree->get_display()->flush();
    }
    ListChildrenSorted(tree, node, GetNodePath(tree, node));
    if (window) {
        window->set_cursor();
    }
    return false;  // let the row expand
}

void on_DirTree_collapse(DirTreeView* tree, const Gtk::TreeModel::iterator& node) {
    if (listingSuppressed) {
        return;
    }
    std::string selected;
    const std::string collapsed = GetNodePath(tree, node);
    if (!GetTreeSelect(tree, &selected) ||
        (selected.size() > collapsed.size() &&
         selected.compare(0, collapsed.size(), collapsed) == 0)) {
        SetTreeSelectNode(tree, node);
    }
}

void CancelTimers() {
    if (pGTable == nullptr) {
        return;
    }
    if (pGTable->ScrollTimer != 0) {
        g_source_remove(pGTable->ScrollTimer);
        pGTable->ScrollTimer = 0;
    }
    if (pGTable->ExpandTimer != 0) {
        g_source_remove(pGTable->ExpandTimer);
        pGTable->ExpandTimer = 0;
    }
}

Gtk::TreeModel::iterator RowAtBinY(DirTreeView* tree, double y) {
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    int cx = 0;
    int cy = 0;
    if (!tree->get_path_at_pos(1, static_cast<int>(y), path, column, cx, cy)) {
        return {};
    }
    return tree->store->get_iter(path);
}

gboolean TreeExpand(gpointer) {
    if (pGTable != nullptr) {
        pGTable->ExpandTimer = 0;
    }
    DirTreeView* tree = MainTree();
    if (tree != nullptr && !expandPath.empty()) {
        tree->expand_row(expandPath, false);
    }
    return G_SOURCE_REMOVE;
}

gboolean TreeScroll(bool up) {
    DirTreeView* tree = MainTree();
    Gtk::TreeModel::iterator row;
    if (tree != nullptr) {
        row = RowAtBinY(tree, dragY);
    }
    if (row) {
        auto to = up ? GetTreeUpPosition(tree, row) : GetTreeDownPosition(tree, row);
        if (to) {
            tree->scroll_to_row(tree->store->get_path(to), up ? 0.0 : 1.0);
            return G_SOURCE_CONTINUE;
        }
    }
    if (pGTable != nullptr) {
        pGTable->ScrollTimer = 0;
    }
    return G_SOURCE_REMOVE;
}

gboolean TreeUpScroll(gpointer) {
    return TreeScroll(true);
}
gboolean TreeDownScroll(gpointer) {
    return TreeScroll(false);
}

void on_DirTree_drag_begin(DirTreeView* tree) {
    pressPending = false;
    auto node = GetTreeSelect(tree);
    dragPath = node ? tree->store->get_path(node) : Gtk::TreeModel::Path();
    if (pGTable != nullptr) {
        pGTable->DragNode = node ? tree : nullptr;
    }
}

void RestoreMainSelection(DirTreeView* tree);

void on_DirTree_drag_end(DirTreeView* tree) {
    dragPath.clear();
    if (pGTable != nullptr) {
        pGTable->DragNode = nullptr;
    }
    // The dragged folder was only highlighted; the shown one is selected.
    RestoreMainSelection(tree);
}

bool on_DirTree_button_press_event(const GdkEventButton* event) {
    if (event->type == GDK_BUTTON_PRESS && (event->button == 1 || event->button == 3)) {
        pressPending = true;
    }
    return false;
}

bool on_DirTree_button_release_event(DirTreeView* tree) {
    if (pressPending) {
        pressPending = false;
        if (IsSelectConnected()) {
            on_DirTree_select_row(tree);
        }
    }
    return false;
}

void on_DirTree_drag_data_get(DirTreeView* tree, Gtk::SelectionData& data, guint info) {
    if (info != 0 || dragPath.empty()) {
        return;
    }
    auto node = tree->store->get_iter(dragPath);
    if (node) {
        SetDragText(data, MakeDragText({GetNodePath(tree, node)}));
    }
}

bool on_DirTree_drag_motion(DirTreeView* tree, int x, int y) {
    DisconnectTreeSelectSignal();
    int bx = 0;
    int by = 0;
    tree->convert_widget_to_bin_window_coords(x, y, bx, by);
    dragY = by;
    auto row = RowAtBinY(tree, by);
    if (!row || pGTable == nullptr) {
        return true;
    }
    if (pGTable->ScrollTimer != 0) {
        g_source_remove(pGTable->ScrollTimer);
        pGTable->ScrollTimer = 0;
    }
    if (y < 21) {
        pGTable->ScrollTimer = g_timeout_add(200, TreeUpScroll, nullptr);
    } else if (y > tree->get_allocated_height() - 20) {
        pGTable->ScrollTimer = g_timeout_add(200, TreeDownScroll, nullptr);
    }
    if (pGTable->ScrollTimer != 0 && pGTable->ExpandTimer != 0) {
        g_source_remove(pGTable->ExpandTimer);
        pGTable->ExpandTimer = 0;
        return true;
    }
    auto selected = GetTreeSelect(tree);
    if (!selected || tree->store->get_path(selected) != tree->store->get_path(row)) {
        if (pGTable->ExpandTimer != 0) {
            g_source_remove(pGTable->ExpandTimer);
            pGTable->ExpandTimer = 0;
        }
        tree->get_selection()->select(row);
    }
    const auto path = tree->store->get_path(row);
    if (!row->children().empty() && !tree->row_expanded(path) && pGTable->ExpandTimer == 0) {
        expandPath = path;
        pGTable->ExpandTimer = g_timeout_add(1000, TreeExpand, nullptr);
    }
    return true;
}

// The highlight followed the pointer; put it back on the directory shown,
// so commands that act on the tree's selection do not hit the wrong one.
void RestoreMainSelection(DirTreeView* tree) {
    if (pGTable == nullptr || !tree->mainTree) {
        return;
    }
    auto node = GetPathNode(tree, pGTable->CurrentDir);
    if (node && !tree->get_selection()->is_selected(node)) {
        tree->get_selection()->select(node);
    }
}

void on_DirTree_drag_leave(DirTreeView* tree) {
    CancelTimers();
    if (!IsSelectConnected()) {
        RestoreMainSelection(tree);
    }
    ConnectTreeSelectSignal();
}

bool on_DirTree_drag_drop(DirTreeView* tree, const Glib::RefPtr<Gdk::DragContext>& context,
                          guint time) {
    return RequestDropData(*tree, context, time);
}

void on_DirTree_drag_data_received(DirTreeView* tree, const Glib::RefPtr<Gdk::DragContext>& context,
                                   int x, int y, const Gtk::SelectionData& data, guint time) {
    CancelTimers();
    // The destination is the node under the drop point (the highlight).
    int bx = 0;
    int by = 0;
    tree->convert_widget_to_bin_window_coords(x, y, bx, by);
    auto row = RowAtBinY(tree, by);
    ReceiveDrop(context, data, time, row ? GetNodePath(tree, row) : std::string());
}

void SetupTreeDragDrop(DirTreeView* tree) {
    tree->drag_source_set(DragTargets(), Gdk::BUTTON1_MASK | Gdk::BUTTON3_MASK,
                          Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
    if (ClosedFolderPixbuf()) {
        tree->drag_source_set_icon(ClosedFolderPixbuf());
    }
    tree->drag_dest_set(DragTargets(), Gtk::DEST_DEFAULT_MOTION | Gtk::DEST_DEFAULT_HIGHLIGHT,
                        Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
    tree->signal_drag_begin().connect(
        [tree](const Glib::RefPtr<Gdk::DragContext>&) { on_DirTree_drag_begin(tree); });
    tree->signal_drag_end().connect(
        [tree](const Glib::RefPtr<Gdk::DragContext>&) { on_DirTree_drag_end(tree); });
    // Before the tree's own handling, which selects the row on the press.
    tree->signal_button_press_event().connect(
        [](const GdkEventButton* event) { return on_DirTree_button_press_event(event); }, false);
    tree->signal_button_release_event().connect(
        [tree](const GdkEventButton*) { return on_DirTree_button_release_event(tree); }, false);
    tree->signal_drag_data_get().connect(
        [tree](const Glib::RefPtr<Gdk::DragContext>&, Gtk::SelectionData& data, guint info, guint) {
            on_DirTree_drag_data_get(tree, data, info);
        });
    tree->signal_drag_motion().connect([tree](const Glib::RefPtr<Gdk::DragContext>&, int x, int y,
                                              guint) { return on_DirTree_drag_motion(tree, x, y); },
                                       false);
    tree->signal_drag_leave().connect(
        [tree](const Glib::RefPtr<Gdk::DragContext>&, guint) { on_DirTree_drag_leave(tree); },
        false);
    tree->signal_drag_drop().connect(
        [tree](const Glib::RefPtr<Gdk::DragContext>& context, int, int, guint time) {
            return on_DirTree_drag_drop(tree, context, time);
        },
        false);
    tree->signal_drag_data_received().connect(
        [tree](const Glib::RefPtr<Gdk::DragContext>& context, int x, int y,
               const Gtk::SelectionData& data, guint,
               guint time) { on_DirTree_drag_data_received(tree, context, x, y, data, time); },
        false);
}

// Lists with the model unsorted, then sorts once: inserting into a sorted
// store moves every new row into place one by one.
int ListChildrenSorted(DirTreeView* tree, const Gtk::TreeModel::iterator& node,
                       const std::string& path) {
    tree->store->set_sort_column(GTK_TREE_SORTABLE_UNSORTED_SORT_COLUMN_ID, Gtk::SORT_ASCENDING);
    const int result = CreateChildtree(tree, node, path, 0);
    tree->store->set_sort_column(Cols().name, Gtk::SORT_ASCENDING);
    return result;
}

}  // namespace

Gtk::TreeView* CreateRootTree(Gtk::ScrolledWindow** scroll, Gtk::ComboBoxText* combo) {
    if (scroll != nullptr) {
        *scroll = nullptr;
    }
    if (pGTable == nullptr || pGTable->HomeDir.empty()) {
        return nullptr;
    }
    auto* tree = new DirTreeView;
    tree->store = Gtk::TreeStore::create(Cols());
    tree->store->set_sort_func(Cols().name, &ByteOrder);
    tree->set_model(tree->store);
    tree->set_headers_visible(false);
    tree->set_can_focus(false);
    tree->set_enable_search(false);
    tree->set_enable_tree_lines(true);
    tree->get_selection()->set_mode(Gtk::SELECTION_BROWSE);

    // Picture and name in columns of their own, as in the list: a cell that
    // holds a single text renderer gives the row its accessible name.
    auto* iconColumn = Gtk::manage(new Gtk::TreeViewColumn);
    auto* icon = Gtk::manage(new Gtk::CellRendererPixbuf);
    icon->property_pixbuf() = ClosedFolderPixbuf();
    icon->property_pixbuf_expander_closed() = ClosedFolderPixbuf();
    icon->property_pixbuf_expander_open() = OpenFolderPixbuf();
    iconColumn->pack_start(*icon, false);
    // The cell area tells a renderer whether its row is expanded only when
    // the renderer has a data function or attribute of its own.
    iconColumn->set_cell_data_func(*icon,
                                   [](Gtk::CellRenderer*, const Gtk::TreeModel::iterator&) {});
    iconColumn->set_sizing(Gtk::TREE_VIEW_COLUMN_AUTOSIZE);
    tree->append_column(*iconColumn);
    tree->set_expander_column(*iconColumn);
    auto* column = Gtk::manage(new Gtk::TreeViewColumn);
    auto* text = Gtk::manage(new Gtk::CellRendererText);
    text->property_xpad() = 5;
    column->pack_start(*text, true);
    column->add_attribute(text->property_text(), Cols().label);
    column->set_sizing(Gtk::TREE_VIEW_COLUMN_AUTOSIZE);
    tree->append_column(*column);

    auto root = tree->store->append();
    (*root)[Cols().name] = pGTable->HomeDir;
    (*root)[Cols().label] = ToDisplay(pGTable->HomeDir);
    if (ListChildrenSorted(tree, root, pGTable->HomeDir) != 0) {
        delete tree;
        return nullptr;
    }
    tree->expand_row(tree->store->get_path(root), false);
    tree->signal_test_expand_row().connect(
        [tree](const Gtk::TreeModel::iterator& it, const Gtk::TreeModel::Path&) {
            return on_DirTree_expand(tree, it);
        },
        false);
    tree->signal_row_collapsed().connect(
        [tree](const Gtk::TreeModel::iterator& it, const Gtk::TreeModel::Path&) {
            on_DirTree_collapse(tree, it);
        });

    auto* window = Gtk::manage(new Gtk::ScrolledWindow);
    window->set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    window->add(*Gtk::manage(tree));
    window->show_all();
    if (scroll != nullptr) {
        *scroll = window;
    }
    if (combo != nullptr) {
        SetComboText(combo, pGTable->HomeDir);
        if (pMainW == nullptr || combo != pMainW->LocationCombo) {
            tree->combo = combo;
            tree->get_selection()->signal_changed().connect(
                [tree] { on_DirTree_select_row(tree); });
        }
    }
    tree->get_selection()->select(root);
    return tree;
}

Gtk::TreeView* CreateDirTree(Gtk::Paned* paned) {
    if (paned == nullptr || pGTable == nullptr) {
        return nullptr;
    }
    Gtk::ScrolledWindow* scroll = nullptr;
    auto* tree = AsTree(CreateRootTree(&scroll, nullptr));
    if (tree == nullptr) {
        return nullptr;
    }
    tree->mainTree = true;
    paned->pack1(*scroll, false, true);
    if (pMainW != nullptr) {
        pMainW->DirTree = tree;
        pMainW->TreeScroll = scroll;
    }
    pGTable->CurrentDir = pGTable->StartDir.empty() ? pGTable->HomeDir : pGTable->StartDir;
    SetupTreeDragDrop(tree);
    if (pMainW != nullptr) {
        SetComboText(pMainW->LocationCombo, pGTable->HomeDir);
    }
    selectConnection.disconnect();
    ConnectTreeSelectSignal();
    tree->signal_unrealize().connect([] { CancelTimers(); });
    return tree;
}

int CreateChildtree(Gtk::TreeView* view, const Gtk::TreeModel::iterator& node,
                    const std::string& path, int depth) {
    DirTreeView* tree = AsTree(view);
    if (tree == nullptr || !node) {
        return RESULT_BAD_ARGUMENT;
    }
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        return (errno == EACCES || errno == EPERM) ? 0 : RESULT_READ_DIR_FAILED;
    }
    std::unordered_map<std::string, Gtk::TreeModel::iterator> existing;
    for (auto child : node->children()) {
        existing.emplace(NodeName(child), child);
    }
    const std::string prefix = (!path.empty() && path.back() == '/') ? path : path + "/";
    while (struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        // The entry's own kind, where the file system gives it, spares a
        // status call for every file of a big directory.
        if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_DIR) {
            continue;
        }
        const std::string childPath = prefix + name;
        if (CheckFileName(name.c_str()) == 0 ||
            (entry->d_type == DT_UNKNOWN && !IsDirectory(childPath))) {
            continue;
        }
        Gtk::TreeModel::iterator child;
        auto found = existing.find(name);
        if (found != existing.end()) {
            child = found->second;
        } else {
            child = tree->store->append(node->children());
            (*child)[Cols().name] = name;
            (*child)[Cols().label] = ToDisplay(name);
            existing.emplace(name, child);
        }
        if (depth >= 1) {
            break;
        }
        // A sub-directory that cannot be read (vanished, an I/O error) shows
        // no children; it must not take the rest of the tree with it.
        CreateChildtree(tree, child, childPath, 1);
    }
    closedir(dir);
    return 0;
}

Gtk::TreeModel::iterator CreateTreeNode(Gtk::TreeView* view, const std::string& path) {
    DirTreeView* tree = AsTree(view);
    if (tree == nullptr || path.empty() || CheckChildDirectory(path.c_str()) != 0) {
        return {};
    }
    auto parent = GetPathNode(tree, GetParentDirectory(path));
    const std::string name = GetLastPath(path);
    if (!parent || name.empty()) {
        return {};
    }
    if (auto existing = FindChild(parent, name)) {
        return existing;
    }
    auto child = tree->store->append(parent->children());
    (*child)[Cols().name] = name;
    (*child)[Cols().label] = ToDisplay(name);
    return child;
}

std::string GetNodePath(Gtk::TreeView* view, const Gtk::TreeModel::iterator& node) {
    if (AsTree(view) == nullptr || !node) {
        return {};
    }
    std::string path;
    for (auto it = node; it; it = it->parent()) {
        const std::string text = NodeName(it);
        if (path.empty()) {
            path = text;
        } else if (!text.empty() && text.back() == '/') {
            path = text + path;
        } else {
            path = text + "/" + path;
        }
    }
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

Gtk::TreeModel::iterator GetPathNode(Gtk::TreeView* view, const std::string& pathIn) {
    DirTreeView* tree = AsTree(view);
    if (tree == nullptr || pGTable == nullptr || pathIn.empty() ||
        CheckChildDirectory(pathIn.c_str()) != 0) {
        return {};
    }
    std::string path = pathIn;
    if (path.back() != '/') {
        path += '/';
    }
    auto roots = tree->store->children();
    if (roots.empty()) {
        return {};
    }
    Gtk::TreeModel::iterator node = roots.begin();
    const std::string& home = pGTable->HomeDir;
    std::size_t pos = path.size() >= home.size() ? home.size() : path.size();
    while (pos < path.size()) {
        const std::size_t slash = path.find('/', pos);
        const std::string name = path.substr(pos, slash - pos);
        if (name.empty()) {
            return {};
        }
        node = FindChild(node, name);
        if (!node) {
            return {};
        }
        pos = slash + 1;
    }
    return node;
}

Gtk::TreeModel::iterator GetTreeSelect(Gtk::TreeView* view, std::string* path) {
    DirTreeView* tree = AsTree(view);
    if (tree == nullptr) {
        return {};
    }
    auto node = tree->get_selection()->get_selected();
    if (node && path != nullptr) {
        *path = GetNodePath(tree, node);
    }
    return node;
}

void SetTreeSelectPath(Gtk::TreeView* tree, const std::string& path) {
    auto node = GetPathNode(tree, path);
    if (node) {
        SetTreeSelectNode(tree, node);
    }
}

void SetTreeSelectNode(Gtk::TreeView* view, const Gtk::TreeModel::iterator& node) {
    DirTreeView* tree = AsTree(view);
    if (tree == nullptr || !node) {
        return;
    }
    const auto path = tree->store->get_path(node);
    const bool visible = TreeRowFullyVisible(tree, path);
    tree->get_selection()->select(node);
    if (!visible) {
        tree->scroll_to_row(path, 0.5);
    }
}

void OpenChildTree(Gtk::TreeView* view, const std::string& pathIn, int expand) {
    DirTreeView* tree = AsTree(view);
    if (tree == nullptr || pGTable == nullptr || pathIn.empty() ||
        CheckChildDirectory(pathIn.c_str()) != 0) {
        return;
    }
    const bool wasCurrent = pathIn == pGTable->CurrentDir;
    std::string path = pathIn;
    if (path.back() != '/' && IsDirectory(path)) {
        path += '/';
    }
    auto roots = tree->store->children();
    if (roots.empty()) {
        return;
    }
    const bool connected = IsSelectConnected();
    if (tree->mainTree) {
        DisconnectTreeSelectSignal();
    }
    Gtk::TreeModel::iterator last = roots.begin();
    tree->expand_row(tree->store->get_path(last), false);
    const std::size_t homeLen = pGTable->HomeDir.size();
    for (std::size_t slash = path.find('/', homeLen); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash + 1);
        auto node = GetPathNode(tree, prefix);
        if (!node) {
            break;
        }
        last = node;
        if ((prefix == path && expand == 0) || node->children().empty()) {
            break;
        }
        tree->expand_row(tree->store->get_path(node), false);
    }
    if (tree->mainTree && connected) {
        ConnectTreeSelectSignal();
    }
    SetTreeSelectNode(tree, last);
    if (!tree->mainTree) {
        return;
    }
    // An unchanged selection emits nothing; make sure the list follows.
    if (IsSelectConnected() && GetNodePath(tree, last) != pGTable->CurrentDir) {
        on_DirTree_select_row(tree);
    } else if (wasCurrent) {
        DisplayFileList(pGTable->CurrentDir);
    }
}

void RescanTree(Gtk::TreeView* view, const std::string& path) {
    DirTreeView* tree = AsTree(view);
    if (tree == nullptr) {
        return;
    }
    auto node = GetPathNode(tree, path);
    if (!node) {
        return;
    }
    const auto treePath = tree->store->get_path(node);
    const bool expanded = tree->row_expanded(treePath);
    const bool connected = IsSelectConnected();
    if (tree->mainTree) {
        DisconnectTreeSelectSignal();
    }
    listingSuppressed = true;
    while (!node->children().empty()) {
        tree->store->erase(node->children().begin());
    }
    ListChildrenSorted(tree, node, GetNodePath(tree, node));
    if (expanded) {
        tree->expand_row(treePath, false);
    }
    listingSuppressed = false;
    // A selection that went with the old children returns to the directory
    // shown, so the tree never offers a directory the list does not show.
    if (tree->mainTree && !tree->get_selection()->get_selected() && pGTable != nullptr) {
        if (auto current = GetPathNode(tree, pGTable->CurrentDir)) {
            tree->get_selection()->select(current);
        }
    }
    if (tree->mainTree && connected) {
        ConnectTreeSelectSignal();
    }
}

void ConnectTreeSelectSignal() {
    DirTreeView* tree = MainTree();
    if (tree == nullptr || selectConnection.connected()) {
        return;
    }
    selectConnection =
        tree->get_selection()->signal_changed().connect([tree] { on_DirTree_select_row(tree); });
    if (pGTable != nullptr) {
        pGTable->TreeSelectHandler = 1;
    }
}

void DisconnectTreeSelectSignal() {
    if (!selectConnection.connected()) {
        return;
    }
    selectConnection.disconnect();
    if (pGTable != nullptr) {
        pGTable->TreeSelectHandler = 0;
    }
}

bool IsTreeNodeExpanded(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node) {
    DirTreeView* t = AsTree(tree);
    return t != nullptr && node && t->row_expanded(t->store->get_path(node));
}

void ExpandTreeNode(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node) {
    DirTreeView* t = AsTree(tree);
    if (t != nullptr && node) {
        t->expand_row(t->store->get_path(node), false);
    }
}

void CollapseTreeNode(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node) {
    DirTreeView* t = AsTree(tree);
    if (t != nullptr && node) {
        t->collapse_row(t->store->get_path(node));
    }
}

}  // namespace rmg
