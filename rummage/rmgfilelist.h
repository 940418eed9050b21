// The file list: the entries of CurrentDir with an icon column, the detail
// columns chosen in the settings, per-kind colours, the ".." row, filter,
// hiding rules and sort, and the two status bar texts.
#pragma once

#include <gtkmm.h>

#include <string>
#include <vector>

namespace rmg {

// Builds the scrolled list as `paned`'s second pane (sets pMainW->FileList
// and ListScroll), empty: OpenStartDirectory lists the start directory once
// the window is up.  Null on failure.
Gtk::TreeView* CreateFileList(Gtk::Paned* paned);

// Refills the list from `path` (callers set CurrentDir first).  A path that
// is not a directory leaves the list as it was.  Returns 0.
int DisplayFileList(const std::string& path);

// Sorts the list again after SortColumn, SortType, SortCase or MixFileDir
// changed.
void SortFileList();

// Rebuilds the columns after ColumnCount, ColumnPosition or ColumnSize
// changed, then refills the list.
void ResetFileListColumns();

// Status bar texts (also kept in StatusText) and the filter status.
void DisplayFileStatus();
void DisplayFilterStatus();

// Rows of the list.  Row 0 is "..", when the directory's status could be read.
int GetListRowCount();
std::string GetListRowName(int row);
bool IsListRowDirectory(int row);  // shows the folder picture
// Selected rows, in list order.
std::vector<int> GetListSelectedRows();
void SelectListRow(int row);
void UnselectListRow(int row);
void UnselectAllListRows();
bool IsListRowSelected(int row);
// The ".." row, or -1.
int GetListParentRow();
// One flag per row.  SetListSelection changes the whole selection at once
// (".." stays unselected) and updates the status a single time.
std::vector<char> GetListSelectionMask();
void SetListSelection(const std::vector<char>& mask);
// Every row but "..".
void SelectAllListRows();
// Scroll so that `row` is at the top (align 0), middle (0.5) or bottom (1).
void ScrollListRow(int row, double align);

// Rows at least partly in view (false when none), and whether a row is
// wholly in view.
bool GetListVisibleRange(int& first, int& last);
bool IsListRowFullyVisible(int row);

// Current width of every detail column (list column i+1), for saving.
std::vector<int> GetListColumnWidths();

// Handlers, also used by the keys and tests.  `column` is a list column
// index (0 is the icon column).
void on_FileList_click_column(int column);
// Acts as a double-click on `row`: opens the file or enters the directory.
void ActivateListRow(int row);

}  // namespace rmg
