#include "rummage/rmgfilelist.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <numeric>

#include "common/I18n.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgdragdrop.h"
#include "rummage/rmgfilelistcolumns.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgpixmap.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"
#include "rummage/rmgwindowui.h"

namespace rmg {

namespace {

struct ListColumns : Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<FileRow*> row;
    ListColumns() { add(row); }
};

const ListColumns& Cols() {
    static ListColumns cols;
    return cols;
}

// The list keeps its rows itself; the model holds one pointer per row, so
// sorting and drawing read the row data directly.
struct ListState {
    Gtk::TreeView* view = nullptr;
    Glib::RefPtr<Gtk::ListStore> store;
    std::deque<FileRow> rows;     // grows without moving a row
    std::vector<FileRow*> order;  // as shown; index = list row
    std::vector<int> kinds;       // column kind of list column i+1
    std::string shownDir;         // directory the rows came from
    int pressedRow = -1;          // click on a selected row, settled on release
    int anchorRow = -1;           // where a Shift+click range starts
    sigc::connection selectionChanged;
};

ListState state;

// Counts list fills, so a deferred scroll meant for one fill is dropped
// once another fill (or another list) has come.
unsigned fillGeneration = 0;

Gtk::TreeModel::Path RowPath(int row) {
    Gtk::TreeModel::Path path;
    path.push_back(row);
    return path;
}

FileRow* RowOf(const Gtk::TreeModel::iterator& it) {
    gpointer p = nullptr;
    gtk_tree_model_get(GTK_TREE_MODEL(state.store->gobj()), const_cast<GtkTreeIter*>(it.gobj()), 0,
                       &p, -1);
    return static_cast<FileRow*>(p);
}

Glib::ustring Shown(const std::string& bytes) {
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        return bytes;
    }
    gchar* valid = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
    Glib::ustring text = valid;
    g_free(valid);
    return text;
}

Gdk::RGBA RowColour(const FileRow& row) {
    int index = row.type == FILETYPE_FIFO ? FILETYPE_NORMAL : row.type;
    if (index < 0 || index >= kColorCount) {
        index = FILETYPE_NORMAL;
    }
    Gdk::RGBA rgba;
    const RmgColor& c = pGTable->Color[index];
    rgba.set_rgba_u(c.red, c.green, c.blue);
    return rgba;
}

SortOptions CurrentSortOptions() {
    SortOptions opt;
    opt.sortColumn = pGTable->SortColumn;
    opt.sortType = pGTable->SortType;
    opt.sortCase = pGTable->SortCase;
    opt.mixFileDir = pGTable->MixFileDir;
    const int pos = opt.sortColumn - 1;
    opt.kind = (pos >= 0 && pos < static_cast<int>(state.kinds.size())) ? state.kinds[pos] : 0;
    if (pos >= static_cast<int>(state.kinds.size())) {
        opt.sortColumn = 0;
    }
    return opt;
}

void ShowSortIndicator() {
    if (state.view == nullptr) {
        return;
    }
    const auto columns = state.view->get_columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const bool sorted = static_cast<int>(i) == pGTable->SortColumn;
        columns[i]->set_sort_indicator(sorted);
        if (sorted) {
            columns[i]->set_sort_order(pGTable->SortType == 1 ? Gtk::SORT_DESCENDING
                                                              : Gtk::SORT_ASCENDING);
        }
    }
}

// What the status bar says about the selection.
struct SelectionTally {
    int count = 0;
    int first = -1;
    std::uint64_t total = 0;
};

// Counted in one pass over the toolkit's selection: it may hold every row.
SelectionTally CountSelection() {
    SelectionTally tally;
    if (state.view == nullptr) {
        return tally;
    }
    gtk_tree_selection_selected_foreach(
        state.view->get_selection()->gobj(),
        [](GtkTreeModel*, GtkTreePath* path, GtkTreeIter*, gpointer data) {
            auto* t = static_cast<SelectionTally*>(data);
            const int row = gtk_tree_path_get_indices(path)[0];
            if (row >= 0 && row < static_cast<int>(state.order.size())) {
                t->first = t->count == 0 ? row : t->first;
                ++t->count;
                t->total += state.order[row]->size;
            }
        },
        &tally);
    return tally;
}

void ShowFileStatus(const SelectionTally& tally) {
    if (pGTable == nullptr) {
        return;
    }
    std::string text;
    if (tally.count == 0) {
        std::string treePath;
        if (pMainW != nullptr) {
            GetTreeSelect(pMainW->DirTree, &treePath);
        }
        text = FileStatusNone(treePath);
    } else if (tally.count == 1) {
        const FileRow* row = state.order[tally.first];
        text = FileStatusOne(row->name, ConvertSize(row->size));
    } else {
        text = FileStatusMany(tally.count, ConvertSize(tally.total));
    }
    if (text.size() > kStatusTextMax) {
        text.resize(kStatusTextMax);
    }
    pGTable->StatusText = text;
    if (pMainW != nullptr && pMainW->StatusBar != nullptr) {
        SetStatusBarText(pMainW->StatusBar, Shown(text));
    }
}

void ShowSelection(const SelectionTally& tally) {
    // Property needs exactly one item; with many rows selected there is
    // no need to build their item list to know that.
    if (tally.count > 1 && pMainW != nullptr) {
        if (pMainW->MenuItem[MENU_PROPERTY] != nullptr) {
            pMainW->MenuItem[MENU_PROPERTY]->set_sensitive(false);
        }
        if (pMainW->ToolButton[TOOL_PROPERTY] != nullptr) {
            pMainW->ToolButton[TOOL_PROPERTY]->set_sensitive(false);
        }
    } else {
        SensitivePropertyButton();
    }
    ShowFileStatus(tally);
}

void on_FileList_select_row() {
    ShowSelection(CountSelection());
}

// ".." can never be selected.  A plain toolkit callback: the toolkit asks
// once for every row it selects or unselects, and a wrapped one converts
// the model and the path each time.
gboolean AllowSelect(GtkTreeSelection*, GtkTreeModel*, GtkTreePath* path, gboolean selected,
                     gpointer) {
    const int* index = gtk_tree_path_get_indices(path);
    if (selected || index == nullptr || index[0] < 0 ||
        index[0] >= static_cast<int>(state.order.size())) {
        return TRUE;
    }
    return state.order[index[0]]->isParent ? FALSE : TRUE;
}

void InstallAllowSelect(const Glib::RefPtr<Gtk::TreeSelection>& selection) {
    gtk_tree_selection_set_select_function(selection->gobj(), &AllowSelect, nullptr, nullptr);
}

void AddColumns() {
    Gtk::TreeView* view = state.view;
    view->set_fixed_height_mode(false);
    view->remove_all_columns();
    state.kinds.clear();

    auto* iconColumn = Gtk::manage(new Gtk::TreeViewColumn);
    auto* icon = Gtk::manage(new Gtk::CellRendererPixbuf);
    iconColumn->pack_start(*icon, false);
    iconColumn->set_cell_data_func(
        *icon, [icon](Gtk::CellRenderer*, const Gtk::TreeModel::iterator& it) {
            const FileRow* row = RowOf(it);
            icon->property_pixbuf() =
                (row != nullptr && row->isDir) ? ClosedFolderPixbuf() : Glib::RefPtr<Gdk::Pixbuf>();
        });
    auto* title = Gtk::manage(new Gtk::Image(ClosedFolderPixbuf()));
    title->show();
    iconColumn->set_widget(*title);
    iconColumn->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
    // Wide enough for the 20-pixel picture and the cell padding.
    iconColumn->set_fixed_width(26);
    iconColumn->set_resizable(false);
    iconColumn->set_clickable(true);
    iconColumn->signal_clicked().connect([] { on_FileList_click_column(0); });
    view->append_column(*iconColumn);

    pGTable->NameColumn = 1;
    const int count = std::clamp(pGTable->ColumnCount, 0, kMaxColumns);
    for (int i = 0; i < count; ++i) {
        int kind = pGTable->ColumnPosition[i];
        if (kind < 0 || kind >= kMaxColumns) {
            kind = COLUMN_NAME;
        }
        state.kinds.push_back(kind);
        if (kind == COLUMN_NAME) {
            pGTable->NameColumn = i + 1;
        }
        auto* column = Gtk::manage(new Gtk::TreeViewColumn(_(GetListColumnString(kind))));
        auto* text = Gtk::manage(new Gtk::CellRendererText);
        if (IsListColumnRight(kind)) {
            text->property_xalign() = 1.0;
        }
        column->pack_start(*text, true);
        column->set_cell_data_func(
            *text, [text, kind](Gtk::CellRenderer*, const Gtk::TreeModel::iterator& it) {
                const FileRow* row = RowOf(it);
                if (row == nullptr) {
                    return;
                }
                text->property_text() = Shown(GetListCellText(*row, kind, pGTable->JapaneseLocale));
                text->property_foreground_rgba() = RowColour(*row);
            });
        column->set_alignment(0.0);
        column->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
        const int width = pGTable->ColumnSize[i];
        column->set_fixed_width(width > 0 ? width : (kind == COLUMN_NAME ? 150 : 100));
        column->set_resizable(true);
        column->set_clickable(true);
        column->signal_clicked().connect([i] { on_FileList_click_column(i + 1); });
        view->append_column(*column);
        // Its title button exists only now.
        if (width <= 0) {
            column->set_fixed_width(NaturalColumnWidth(*view, *column, kind));
        }
        column->property_width().signal_changed().connect([column, i] {
            if (pGTable != nullptr && column->get_width() > 0) {
                pGTable->ColumnSize[i] = column->get_width();
            }
        });
    }
    view->set_fixed_height_mode(true);
    ShowSortIndicator();
}

// Scrolls list column `index` into view once the list has been laid out
// with it; dropped when another fill comes first.
void ShowColumnWhenLaidOut(int index) {
    const unsigned generation = fillGeneration;
    auto tries = std::make_shared<int>(0);
    // Polled, not idle: on a busy machine the layout can come later than a
    // hundred idle turns.
    Glib::signal_timeout().connect(
        [index, generation, tries] {
            if (state.view == nullptr || generation != fillGeneration) {
                return false;
            }
            Gtk::TreeViewColumn* column = state.view->get_column(index);
            if (column == nullptr) {
                return false;
            }
            // A new column has no width, and the scroll range no room for
            // it, until the list is laid out again.
            auto adj = state.view->get_hadjustment();
            const double left = column->get_x_offset();
            const double right = left + column->get_width();
            if (column->get_width() <= 0 || adj->get_upper() < right) {
                return ++*tries < 100;
            }
            double value = adj->get_value();
            if (right > value + adj->get_page_size()) {
                value = right - adj->get_page_size();
            }
            adj->set_value(std::min(value, left));
            return false;
        },
        20, Glib::PRIORITY_LOW);
}

std::vector<std::string> SelectedPaths() {
    std::vector<std::string> paths;
    for (int row : GetListSelectedRows()) {
        const FileRow* r = state.order[row];
        if (r->isParent) {
            continue;
        }
        paths.push_back(pGTable->CurrentDir + r->name + (r->isDir ? "/" : ""));
    }
    return paths;
}

int RowAt(double x, double y) {
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    int cx = 0;
    int cy = 0;
    if (!state.view->get_path_at_pos(static_cast<int>(x), static_cast<int>(y), path, column, cx,
                                     cy) ||
        path.empty()) {
        return -1;
    }
    return path[0];
}

// Shift+click selects from the last clicked row, Ctrl+click toggles one
// row; the list handles both itself so they work whatever the drag source
// does with the press.  A plain click on one of several selected rows must
// not drop the others before a drag can carry them; it settles on release.
bool on_FileList_button_press(GdkEventButton* event) {
    state.pressedRow = -1;
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return false;
    }
    const int row = RowAt(event->x, event->y);
    if (row < 0) {
        return false;
    }
    const bool shift = (event->state & GDK_SHIFT_MASK) != 0;
    const bool control = (event->state & GDK_CONTROL_MASK) != 0;
    if (shift || control) {
        std::vector<char> mask = GetListSelectionMask();
        if (shift && state.anchorRow >= 0 && state.anchorRow < GetListRowCount()) {
            if (!control) {
                std::fill(mask.begin(), mask.end(), 0);
            }
            const int from = std::min(state.anchorRow, row);
            const int to = std::max(state.anchorRow, row);
            std::fill(mask.begin() + from, mask.begin() + to + 1, 1);
        } else {
            mask[row] = mask[row] != 0 ? 0 : 1;
            state.anchorRow = row;
        }
        SetListSelection(mask);
        return true;
    }
    state.anchorRow = row;
    if (IsListRowSelected(row) && GetListSelectedRows().size() > 1) {
        state.pressedRow = row;
        return true;
    }
    return false;
}

bool on_FileList_button_release(GdkEventButton* event) {
    const int row = state.pressedRow;
    state.pressedRow = -1;
    if (row >= 0 && event->button == 1 && row == RowAt(event->x, event->y)) {
        // The others may be every row: one change, not one per row.
        std::vector<char> mask(state.order.size(), 0);
        mask[row] = 1;
        SetListSelection(mask);
    }
    return false;
}

void SetupListDragDrop(Gtk::TreeView* view) {
    view->drag_source_set(DragTargets(), Gdk::BUTTON1_MASK | Gdk::BUTTON3_MASK,
                          Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
    if (ClosedFolderPixbuf()) {
        view->drag_source_set_icon(ClosedFolderPixbuf());
    }
    view->drag_dest_set(DragTargets(), Gtk::DEST_DEFAULT_MOTION | Gtk::DEST_DEFAULT_HIGHLIGHT,
                        Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
    view->signal_drag_begin().connect([](const Glib::RefPtr<Gdk::DragContext>&) {
        state.pressedRow = -1;
        DisconnectTreeSelectSignal();
    });
    view->signal_drag_end().connect(
        [](const Glib::RefPtr<Gdk::DragContext>&) { ConnectTreeSelectSignal(); });
    view->signal_drag_data_get().connect(
        [](const Glib::RefPtr<Gdk::DragContext>&, Gtk::SelectionData& data, guint, guint) {
            SetDragText(data, MakeDragText(SelectedPaths()));
        });
    view->signal_drag_drop().connect(
        [view](const Glib::RefPtr<Gdk::DragContext>& context, int, int, guint time) {
            return RequestDropData(*view, context, time);
        },
        false);
    view->signal_drag_data_received().connect(
        [](const Glib::RefPtr<Gdk::DragContext>& context, int, int, const Gtk::SelectionData& data,
           guint, guint time) {
            ReceiveDrop(context, data, time, pGTable != nullptr ? pGTable->CurrentDir : "");
        },
        false);
}

}  // namespace

Gtk::TreeView* CreateFileList(Gtk::Paned* paned) {
    if (paned == nullptr || pGTable == nullptr) {
        return nullptr;
    }
    auto* scroll = Gtk::manage(new Gtk::ScrolledWindow);
    scroll->set_border_width(2);
    scroll->set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    auto* view = Gtk::manage(new Gtk::TreeView);
    state = ListState();
    state.view = view;
    state.store = Gtk::ListStore::create(Cols());
    view->add_destroy_notify_callback(view, [](void* gone) -> void* {
        if (state.view == gone) {
            state = ListState();
        }
        return nullptr;
    });
    view->set_model(state.store);
    view->set_can_focus(false);
    view->set_enable_search(false);
    view->set_headers_visible(true);
    auto selection = view->get_selection();
    selection->set_mode(Gtk::SELECTION_MULTIPLE);
    InstallAllowSelect(selection);
    state.selectionChanged = selection->signal_changed().connect(&on_FileList_select_row);
    view->signal_row_activated().connect(
        [](const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*) {
            if (!path.empty()) {
                ActivateListRow(path[0]);
            }
        });
    AddColumns();
    // The drag source watches presses too; it must see them first.
    SetupListDragDrop(view);
    view->signal_button_press_event().connect(&on_FileList_button_press, false);
    view->signal_button_release_event().connect(&on_FileList_button_release, false);
    scroll->add(*view);
    scroll->show_all();
    paned->pack2(*scroll, true, true);
    if (pMainW != nullptr) {
        pMainW->FileList = view;
        pMainW->ListScroll = scroll;
    }
    // Left empty: the start directory is listed once, by
    // OpenStartDirectory after the window is up, not here and again there.
    return view;
}

int DisplayFileList(const std::string& path) {
    if (state.view == nullptr || pGTable == nullptr || !IsDirectory(path)) {
        return 0;
    }
    // Refreshing the directory shown keeps the scroll position.
    int firstVisible = -1;
    double scrollValue = 0.0;
    if (path == state.shownDir && state.view->get_realized()) {
        int last = 0;
        GetListVisibleRange(firstVisible, last);
        scrollValue = state.view->get_vadjustment()->get_value();
    }
    state.view->unset_model();
    state.store->clear();
    state.order.clear();
    state.rows.clear();
    if (path != state.shownDir) {
        state.anchorRow = -1;
    }
    state.shownDir = path;

    auto addRow = [](const char* name, const struct stat& st) {
        FileRow& row = state.rows.emplace_back();
        row.name = name;
        row.isDir = S_ISDIR(st.st_mode);
        row.size = static_cast<std::uint64_t>(st.st_size);
        row.mode = st.st_mode;
        row.uid = st.st_uid;
        row.gid = st.st_gid;
        row.atime = st.st_atime;
        row.mtime = st.st_mtime;
        row.ctime = st.st_ctime;
        row.ino = st.st_ino;
        state.order.push_back(&row);
        return &row;
    };

    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        FileRow* parent = addRow("..", st);
        parent->isDir = true;
        parent->isParent = true;
        parent->type = FILETYPE_DIRECTORY;
    }
    if (DIR* dir = opendir(path.c_str())) {
        const int fd = dirfd(dir);
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        while (struct dirent* entry = readdir(dir)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 ||
                CheckFileName(name) == 0) {
                continue;
            }
            if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            if (!S_ISDIR(st.st_mode) &&
                CheckFilter(name, pGTable->Filter, pGTable->FilterName) == 0) {
                continue;
            }
            FileRow* row = addRow(name, st);
            row->type = GetFileTypeAt(fd, name, st, uid, gid);
        }
        closedir(dir);
    }

    SortFileRows(state.order, CurrentSortOptions());
    FitSizeColumns(*state.view, state.kinds, state.order);
    GtkListStore* store = state.store->gobj();
    for (FileRow* row : state.order) {
        gtk_list_store_insert_with_values(store, nullptr, -1, 0, row, -1);
    }
    state.view->set_model(state.store);
    const unsigned generation = ++fillGeneration;
    if (firstVisible >= 0 && firstVisible < static_cast<int>(state.order.size())) {
        ScrollListRow(firstVisible, 0.0);
        // The view settles its layout after the model comes back and may
        // drop that scroll; once layout is done, put back the exact offset.
        auto tries = std::make_shared<int>(0);
        Glib::signal_idle().connect(
            [scrollValue, generation, tries] {
                if (state.view == nullptr || generation != fillGeneration) {
                    return false;
                }
                auto adj = state.view->get_vadjustment();
                // Until the rows are measured the range is too short to hold
                // the offset; wait for it a little while.
                if (adj->get_upper() - adj->get_page_size() < scrollValue && ++*tries < 100) {
                    return true;
                }
                adj->set_value(scrollValue);
                return false;
            },
            Glib::PRIORITY_LOW);
    }
    SensitivePropertyButton();
    DisplayFileStatus();
    return 0;
}

void SortFileList() {
    if (state.view == nullptr || pGTable == nullptr) {
        return;
    }
    const SortOptions opt = CurrentSortOptions();
    std::vector<FileRow*> rows = state.order;
    PrepareSortKeys(rows, opt);
    std::vector<int> newOrder(state.order.size());
    std::iota(newOrder.begin(), newOrder.end(), 0);
    std::stable_sort(newOrder.begin(), newOrder.end(), [&](int a, int b) {
        return CompareFileRows(*state.order[a], *state.order[b], opt) < 0;
    });
    for (std::size_t i = 0; i < newOrder.size(); ++i) {
        rows[i] = state.order[newOrder[i]];
    }
    state.order.swap(rows);
    if (!newOrder.empty()) {
        // Moves the rows in place, so the selection stays with them.
        gtk_list_store_reorder(state.store->gobj(), newOrder.data());
    }
    ShowSortIndicator();
}

void ResetFileListColumns() {
    if (state.view == nullptr || pGTable == nullptr) {
        return;
    }
    const std::vector<int> before = state.kinds;
    AddColumns();
    DisplayFileList(pGTable->CurrentDir);
    // A column just added goes at the end, often beyond the pane's edge:
    // bring the last new one into view, so it is seen where it was asked.
    for (int i = static_cast<int>(state.kinds.size()) - 1; i >= 0; --i) {
        if (std::find(before.begin(), before.end(), state.kinds[i]) == before.end()) {
            ShowColumnWhenLaidOut(i + 1);
            break;
        }
    }
}

void DisplayFileStatus() {
    ShowFileStatus(CountSelection());
}

void DisplayFilterStatus() {
    if (pGTable == nullptr || pMainW == nullptr || pMainW->FilterStatusBar == nullptr) {
        return;
    }
    SetStatusBarText(pMainW->FilterStatusBar,
                     Shown(FilterStatusText(pGTable->Filter, pGTable->FilterName)));
}

int GetListRowCount() {
    return static_cast<int>(state.order.size());
}

std::string GetListRowName(int row) {
    if (row < 0 || row >= GetListRowCount()) {
        return {};
    }
    return state.order[row]->name;
}

bool IsListRowDirectory(int row) {
    return row >= 0 && row < GetListRowCount() && state.order[row]->isDir;
}

std::vector<int> GetListSelectedRows() {
    std::vector<int> rows;
    if (state.view == nullptr) {
        return rows;
    }
    gtk_tree_selection_selected_foreach(
        state.view->get_selection()->gobj(),
        [](GtkTreeModel*, GtkTreePath* path, GtkTreeIter*, gpointer data) {
            static_cast<std::vector<int>*>(data)->push_back(gtk_tree_path_get_indices(path)[0]);
        },
        &rows);
    return rows;
}

void SelectListRow(int row) {
    if (state.view != nullptr && row >= 0 && row < GetListRowCount()) {
        state.view->get_selection()->select(RowPath(row));
    }
}

void UnselectListRow(int row) {
    if (state.view != nullptr && row >= 0 && row < GetListRowCount()) {
        state.view->get_selection()->unselect(RowPath(row));
    }
}

void UnselectAllListRows() {
    if (state.view == nullptr) {
        return;
    }
    // Clearing a big selection row by row on the screen is slow; the bulk
    // change does it off the screen.
    if (gtk_tree_selection_count_selected_rows(state.view->get_selection()->gobj()) > 5000) {
        SetListSelection(std::vector<char>(state.order.size(), 0));
    } else {
        state.view->get_selection()->unselect_all();
    }
}

int GetListParentRow() {
    for (std::size_t i = 0; i < state.order.size(); ++i) {
        if (state.order[i]->isParent) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<char> GetListSelectionMask() {
    std::vector<char> mask(state.order.size(), 0);
    for (int row : GetListSelectedRows()) {
        mask[row] = 1;
    }
    return mask;
}

void SetListSelection(const std::vector<char>& mask) {
    if (state.view == nullptr) {
        return;
    }
    auto selection = state.view->get_selection();
    const int rows = GetListRowCount();
    const int count = std::min(static_cast<int>(mask.size()), rows);
    auto wanted = [&](int r) { return r < count && mask[r] != 0 && !state.order[r]->isParent; };
    // The status is read off the mask: asking the toolkit would visit
    // every selected row again.
    SelectionTally tally;
    for (int r = 0; r < count; ++r) {
        if (wanted(r)) {
            tally.first = tally.count == 0 ? r : tally.first;
            ++tally.count;
            tally.total += state.order[r]->size;
        }
    }
    // Runs of rows that differ from the fill: selecting everything at once
    // is the toolkit's fastest path, so a mostly selected result starts
    // there and takes the few others out.
    const bool fromAll = tally.count * 2 > rows;
    const int before = gtk_tree_selection_count_selected_rows(selection->gobj());
    // Rows the toolkit will touch one by one.
    const int touched = fromAll ? (rows - before) + (rows - tally.count) : before + tally.count;
    // Whoever follows the selection hears of the whole change once, not of
    // every run of rows; ".." is left out here, so the per-row check can
    // rest meanwhile.
    state.selectionChanged.block();
    GtkTreeSelection* gtkSelection = selection->gobj();
    const guint changed = g_signal_lookup("changed", GTK_TYPE_TREE_SELECTION);
    // Blocked one by one: blocking by signal alone matches nothing.
    std::vector<gulong> blocked;
    while (const gulong handler = g_signal_handler_find(
               gtkSelection,
               static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_UNBLOCKED), changed,
               0, nullptr, nullptr, nullptr)) {
        g_signal_handler_block(gtkSelection, handler);
        blocked.push_back(handler);
    }
    gtk_tree_selection_set_select_function(gtkSelection, nullptr, nullptr, nullptr);
    // Each row the toolkit selects on a shown list also queues its own
    // redraw, most of the work when there are many; a big change is made
    // off the screen and the list comes back once, at the same scroll
    // offset.  A small one stays on the screen, without a flicker.
    const bool offscreen = touched > 5000 && state.view->get_mapped();
    const double scroll = state.view->get_vadjustment()->get_value();
    if (offscreen) {
        state.view->hide();
        gtk_widget_unrealize(GTK_WIDGET(state.view->gobj()));
    }
    if (fromAll) {
        selection->select_all();
    } else {
        selection->unselect_all();
    }
    for (int i = 0; i < rows;) {
        const bool want = wanted(i);
        if (want == fromAll) {
            ++i;
            continue;
        }
        int end = i;
        while (end + 1 < rows && wanted(end + 1) == want) {
            ++end;
        }
        if (want) {
            selection->select(RowPath(i), RowPath(end));
        } else {
            selection->unselect(RowPath(i), RowPath(end));
        }
        i = end + 1;
    }
    if (offscreen) {
        state.view->show();
        state.view->get_vadjustment()->set_value(scroll);
    }
    InstallAllowSelect(selection);
    for (const gulong handler : blocked) {
        g_signal_handler_unblock(gtkSelection, handler);
    }
    // The others hear of it now; the list's own status comes off the mask.
    g_signal_emit(gtkSelection, changed, 0);
    state.selectionChanged.unblock();
    ShowSelection(tally);
}

void SelectAllListRows() {
    std::vector<char> mask(state.order.size(), 1);
    const int parent = GetListParentRow();
    if (parent >= 0) {
        mask[parent] = 0;
    }
    SetListSelection(mask);
}

bool IsListRowSelected(int row) {
    return state.view != nullptr && row >= 0 && row < GetListRowCount() &&
           state.view->get_selection()->is_selected(RowPath(row));
}

void ScrollListRow(int row, double align) {
    if (state.view != nullptr && row >= 0 && row < GetListRowCount()) {
        state.view->scroll_to_row(RowPath(row), static_cast<float>(align));
    }
}

bool GetListVisibleRange(int& first, int& last) {
    first = last = -1;
    Gtk::TreeModel::Path start;
    Gtk::TreeModel::Path end;
    if (state.view == nullptr || !state.view->get_realized() ||
        !state.view->get_visible_range(start, end) || start.empty() || end.empty()) {
        return false;
    }
    first = start[0];
    last = end[0];
    return true;
}

bool IsListRowFullyVisible(int row) {
    if (state.view == nullptr || !state.view->get_realized() || row < 0 ||
        row >= GetListRowCount()) {
        return false;
    }
    Gdk::Rectangle cell;
    Gdk::Rectangle rect;
    state.view->get_background_area(RowPath(row), *state.view->get_column(0), cell);
    state.view->get_visible_rect(rect);
    int bx = 0;
    int by = 0;
    state.view->convert_tree_to_bin_window_coords(rect.get_x(), rect.get_y(), bx, by);
    return cell.get_height() > 0 && cell.get_y() >= by &&
           cell.get_y() + cell.get_height() <= by + rect.get_height();
}

std::vector<int> GetListColumnWidths() {
    std::vector<int> widths;
    if (state.view == nullptr) {
        return widths;
    }
    const auto columns = state.view->get_columns();
    for (std::size_t i = 1; i < columns.size(); ++i) {
        widths.push_back(columns[i]->get_width());
    }
    return widths;
}

void on_FileList_click_column(int column) {
    if (pGTable == nullptr) {
        return;
    }
    if (column == pGTable->SortColumn) {
        pGTable->SortType = pGTable->SortType == 0 ? 1 : 0;
    } else {
        pGTable->SortColumn = column;
        pGTable->SortType = 0;
    }
    SortFileList();
}

void ActivateListRow(int row) {
    if (pGTable == nullptr || row < 0 || row >= GetListRowCount()) {
        return;
    }
    const FileRow* r = state.order[row];
    Gtk::TreeView* tree = pMainW != nullptr ? pMainW->DirTree : nullptr;
    if (!r->isDir) {
        static WindowUi ui;
        ExecApplication((pGTable->CurrentDir + r->name).c_str(), ui);
    } else if (r->isParent) {
        if (pGTable->CurrentDir != pGTable->HomeDir) {
            OpenChildTree(tree, GetParentDirectory(pGTable->CurrentDir), 1);
        }
    } else {
        OpenChildTree(tree, pGTable->CurrentDir + r->name + "/", 1);
    }
}

}  // namespace rmg
