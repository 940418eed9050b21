#include "rummage/rmgkeys.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>

#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"

namespace rmg {

namespace {

bool Shifted(const GdkEventKey* event) {
    return (event->state & GDK_SHIFT_MASK) != 0;
}

bool IsNavigationKey(guint key) {
    switch (key) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_Up:
        case GDK_KEY_Down:
        case GDK_KEY_Left:
        case GDK_KEY_Right:
        case GDK_KEY_Home:
        case GDK_KEY_End:
        case GDK_KEY_Page_Up:
        case GDK_KEY_Page_Down:
            return true;
        default:
            return false;
    }
}

void ListUpSelect(const GdkEventKey* event, int target) {
    const int n = GetListRowCount();
    const std::vector<int> selected = GetListSelectedRows();
    if (n == 0 || selected.empty()) {
        return;
    }
    target = std::clamp(target, 0, n - 1);
    const int top = selected.front();
    if (top == 1 && selected.size() == 1) {
        return;
    }
    if (target == 0) {
        target = 1;
    }
    if (!Shifted(event)) {
        UnselectAllListRows();
        SelectListRow(target);
    } else {
        for (int row = top - 1; row >= target; --row) {
            SelectListRow(row);
        }
    }
    if (!IsListRowFullyVisible(target)) {
        // Row 1 brings ".." into view with it.
        ScrollListRow(target == 1 ? 0 : target, 0.0);
    }
}

void ListDownSelect(const GdkEventKey* event, int target) {
    const int n = GetListRowCount();
    const std::vector<int> selected = GetListSelectedRows();
    if (n == 0 || selected.empty()) {
        return;
    }
    target = std::clamp(target, 0, n - 1);
    const int bottom = selected.back();
    if (bottom == n - 1 && selected.size() == 1) {
        return;
    }
    if (!Shifted(event)) {
        UnselectAllListRows();
        SelectListRow(target);
    } else {
        for (int row = bottom + 1; row <= target; ++row) {
            SelectListRow(row);
        }
    }
    if (!IsListRowFullyVisible(target)) {
        ScrollListRow(target, 1.0);
    }
}

Glib::RefPtr<Gtk::TreeModel> ModelOf(Gtk::TreeView* tree) {
    return tree->get_model();
}

// Selects `node` (the select handler follows) and scrolls it to the top or
// bottom of the view when it is not wholly shown.
void TreeSelectTo(Gtk::TreeView* tree, const Gtk::TreeModel::iterator& node, double align) {
    if (!node) {
        return;
    }
    const auto path = ModelOf(tree)->get_path(node);
    const bool visible = TreeRowFullyVisible(tree, path);
    tree->get_selection()->select(node);
    if (!visible) {
        tree->scroll_to_row(path, static_cast<float>(align));
    }
}

}  // namespace

bool TreeRowFullyVisible(Gtk::TreeView* tree, const Gtk::TreeModel::Path& path) {
    if (!tree->get_realized() || tree->get_column(0) == nullptr) {
        return false;
    }
    Gdk::Rectangle cell;
    Gdk::Rectangle rect;
    tree->get_background_area(path, *tree->get_column(0), cell);
    tree->get_visible_rect(rect);
    int bx = 0;
    int by = 0;
    tree->convert_tree_to_bin_window_coords(rect.get_x(), rect.get_y(), bx, by);
    return cell.get_height() > 0 && cell.get_y() >= by &&
           cell.get_y() + cell.get_height() <= by + rect.get_height();
}

int GetListSelectTop(int direction) {
    const std::vector<int> rows = GetListSelectedRows();
    if (rows.empty()) {
        return -1;
    }
    return direction < 0 ? rows.front() : rows.back();
}

bool GetListRange(int& first, int& last, int& count) {
    const int n = GetListRowCount();
    int end = 0;
    if (n == 0 || !GetListVisibleRange(first, end)) {
        first = 0;
        last = n - 1;
        count = n;
        return n > 0;
    }
    last = n - 1;
    for (int row = first + 1; row < n && row <= end + 1; ++row) {
        if (!IsListRowFullyVisible(row)) {
            last = row;
            break;
        }
    }
    count = last - first + 1;
    return true;
}

void ListKeyPress(GdkEventKey* event) {
    const int n = GetListRowCount();
    if (n == 0 || GetListSelectTop(-1) < 0) {
        return;
    }
    int first = 0;
    int last = 0;
    int count = 0;
    switch (event->keyval) {
        case GDK_KEY_Down:
            ListDownSelect(event, GetListSelectTop(1) + 1);
            break;
        case GDK_KEY_Up:
            ListUpSelect(event, GetListSelectTop(-1) - 1);
            break;
        case GDK_KEY_Home:
            ListUpSelect(event, 0);
            break;
        case GDK_KEY_End:
            ListDownSelect(event, n - 1);
            break;
        case GDK_KEY_Page_Up: {
            GetListRange(first, last, count);
            const int top = GetListSelectTop(-1);
            ListUpSelect(event, top > first ? first : first - count);
            break;
        }
        case GDK_KEY_Page_Down: {
            GetListRange(first, last, count);
            const int bottom = GetListSelectTop(1);
            ListDownSelect(event, bottom < last - 1 ? last : last + count);
            break;
        }
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter: {
            const std::vector<int> rows = GetListSelectedRows();
            if (rows.size() != 1 || pGTable == nullptr) {
                break;
            }
            const std::string before = pGTable->CurrentDir;
            ActivateListRow(rows.front());
            if (pGTable != nullptr && pGTable->CurrentDir != before && GetListRowCount() >= 2) {
                UnselectAllListRows();
                SelectListRow(1);
            }
            break;
        }
        default:
            break;
    }
}

void TreeKeyPress(Gtk::TreeView* tree, GdkEventKey* event) {
    if (tree == nullptr) {
        return;
    }
    auto node = GetTreeSelect(tree);
    if (!node) {
        return;
    }
    auto model = ModelOf(tree);
    const bool hasChildren = !node->children().empty();
    const bool expanded = IsTreeNodeExpanded(tree, node);
    switch (event->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_Right:
            if (hasChildren && !expanded) {
                ExpandTreeNode(tree, node);
            }
            break;
        case GDK_KEY_Left: {
            auto parent = node->parent();
            if (hasChildren && expanded) {
                if (parent) {  // the root stays open
                    CollapseTreeNode(tree, node);
                }
            } else if (parent) {
                if (parent->parent()) {
                    CollapseTreeNode(tree, parent);
                } else {
                    TreeSelectTo(tree, parent, 0.0);
                }
            }
            break;
        }
        case GDK_KEY_Up:
            TreeSelectTo(tree, GetTreeUpPosition(tree, node), 0.0);
            break;
        case GDK_KEY_Down:
            TreeSelectTo(tree, GetTreeDownPosition(tree, node), 1.0);
            break;
        case GDK_KEY_Home:
            TreeSelectTo(tree, model->children().begin(), 0.0);
            break;
        case GDK_KEY_End:
            TreeSelectTo(tree, GetLastVisibleNode(tree, model->children().begin()), 1.0);
            break;
        case GDK_KEY_Page_Up:
        case GDK_KEY_Page_Down: {
            const bool up = event->keyval == GDK_KEY_Page_Up;
            Gtk::TreeModel::iterator first;
            Gtk::TreeModel::iterator last;
            const int count = GetTreeRange(tree, first, last);
            if (count <= 0) {
                break;
            }
            const auto edge = up ? first : last;
            auto target = edge;
            if (model->get_path(node) == model->get_path(edge)) {
                target = node;
                for (int i = 0; i < count; ++i) {
                    auto next =
                        up ? GetTreeUpPosition(tree, target) : GetTreeDownPosition(tree, target);
                    if (!next) {
                        break;
                    }
                    target = next;
                }
            }
            TreeSelectTo(tree, target, up ? 0.0 : 1.0);
            break;
        }
        default:
            break;
    }
}

bool on_MainWindow_key_press_event(GdkEventKey* event) {
    if (pMainW == nullptr || event == nullptr) {
        return false;
    }
    Gtk::Entry* entry = nullptr;
    if (pMainW->LocationCombo != nullptr && pMainW->LocationCombo->get_has_entry()) {
        entry = pMainW->LocationCombo->get_entry();
    }
    const bool entryFocused = entry != nullptr && entry->is_focus();
    if (event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_ISO_Left_Tab) {
        if (entryFocused) {
            // Taking the focus off the entry hands the keys to the panes.
            if (pMainW->Window != nullptr) {
                pMainW->Window->unset_focus();
            }
            UnselectAllListRows();
        } else if (!GetListSelectedRows().empty()) {
            UnselectAllListRows();
        } else if (GetListRowCount() >= 2) {
            SelectListRow(1);
        }
        return true;
    }
    if (entryFocused || !IsNavigationKey(event->keyval)) {
        return false;
    }
    if (!GetListSelectedRows().empty()) {
        ListKeyPress(event);
    } else {
        TreeKeyPress(pMainW->DirTree, event);
    }
    return true;
}

Gtk::TreeModel::iterator GetLastVisibleNode(Gtk::TreeView* tree,
                                            const Gtk::TreeModel::iterator& nodeIn) {
    auto node = nodeIn;
    while (node && !node->children().empty() && IsTreeNodeExpanded(tree, node)) {
        auto children = node->children();
        node = children[children.size() - 1];
    }
    return node;
}

Gtk::TreeModel::iterator GetTreeUpPosition(Gtk::TreeView* tree,
                                           const Gtk::TreeModel::iterator& node) {
    if (tree == nullptr || !node) {
        return {};
    }
    auto model = ModelOf(tree);
    auto path = model->get_path(node);
    if (path.prev()) {
        return GetLastVisibleNode(tree, model->get_iter(path));
    }
    return node->parent();
}

Gtk::TreeModel::iterator GetTreeDownPosition(Gtk::TreeView* tree,
                                             const Gtk::TreeModel::iterator& node) {
    if (tree == nullptr || !node) {
        return {};
    }
    if (!node->children().empty() && IsTreeNodeExpanded(tree, node)) {
        return node->children().begin();
    }
    for (auto it = node; it; it = it->parent()) {
        auto next = it;
        ++next;
        if (next) {
            return next;
        }
    }
    return {};
}

int GetTreeRange(Gtk::TreeView* tree, Gtk::TreeModel::iterator& first,
                 Gtk::TreeModel::iterator& last) {
    Gtk::TreeModel::Path start;
    Gtk::TreeModel::Path end;
    if (tree == nullptr || !tree->get_realized() || !tree->get_visible_range(start, end)) {
        return -1;
    }
    auto model = ModelOf(tree);
    first = model->get_iter(start);
    last = model->get_iter(end);
    int count = 1;
    for (auto it = first; it && model->get_path(it) != end; it = GetTreeDownPosition(tree, it)) {
        ++count;
    }
    return count;
}

}  // namespace rmg
