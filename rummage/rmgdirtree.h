// The directory tree: the directories below HomeDir, listed lazily as nodes
// are expanded.  The main window's tree drives CurrentDir and the file list;
// the select-directory dialog builds its own tree through CreateRootTree.
#pragma once

#include <gtkmm.h>

#include <string>

namespace rmg {

// Builds a scrolled window holding a tree rooted at HomeDir, root expanded
// and its children listed (each child shows an expander when it has
// subdirectories).  `scroll` receives the scrolled window (the caller packs
// it).  With `combo` (a combo with an entry), its entry shows HomeDir and,
// for any combo but the main window's LocationCombo, selecting a node puts
// the node's path into it.  Null (and nothing left to clean up) when the
// home directory cannot be listed for a reason other than permission.
Gtk::TreeView* CreateRootTree(Gtk::ScrolledWindow** scroll, Gtk::ComboBoxText* combo);

// The main window's tree, packed as `paned`'s first pane.  Sets
// pMainW->DirTree and TreeScroll, CurrentDir (StartDir or HomeDir), the
// location entry, drag and drop and the select handler.  Null on failure.
Gtk::TreeView* CreateDirTree(Gtk::Paned* paned);

// Lists the directories in `path` under `node` (see the tree's rules).
// 0, or RESULT_READ_DIR_FAILED when a directory could not be opened for a
// reason other than missing permission.
int CreateChildtree(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node,
                    const std::string& path, int depth);

// Adds the node of `path` (a directory inside home) under its parent's
// node, which must exist; returns it, or an invalid iterator.
Gtk::TreeModel::iterator CreateTreeNode(Gtk::TreeView* tree, const std::string& path);

// Full path of `node`, ending in "/"; empty for an invalid node.
std::string GetNodePath(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node);

// Node of the directory `path` (inside HomeDir, final "/" optional), or an
// invalid iterator when some component has no node yet.
Gtk::TreeModel::iterator GetPathNode(Gtk::TreeView* tree, const std::string& path);

// Selected node (invalid when none); its path goes to `path` when given.
Gtk::TreeModel::iterator GetTreeSelect(Gtk::TreeView* tree, std::string* path = nullptr);

// Select the node and scroll it to the middle unless it is fully visible.
void SetTreeSelectPath(Gtk::TreeView* tree, const std::string& path);
void SetTreeSelectNode(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node);

// Makes `path` the selected node, expanding the way to it (and the node
// itself when `expand` is 1).  Stops at the deepest existing node.  When
// `path` is the CurrentDir already shown, the file list is refreshed.
void OpenChildTree(Gtk::TreeView* tree, const std::string& path, int expand);

// Rebuilds the children of the node of `path`, keeping its expanded state.
void RescanTree(Gtk::TreeView* tree, const std::string& path);

// The main tree's select handler: while disconnected, selection changes do
// not change CurrentDir.  Each does nothing when already in that state.
void ConnectTreeSelectSignal();
void DisconnectTreeSelectSignal();

// Pictures of the tree: [0] open folder, [1] closed folder.
Glib::RefPtr<Gdk::Pixbuf> GetDirPixbuf(int index);

// Visible-node helpers shared with the keyboard navigation.
bool IsTreeNodeExpanded(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node);
void ExpandTreeNode(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node);
void CollapseTreeNode(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node);

}  // namespace rmg
