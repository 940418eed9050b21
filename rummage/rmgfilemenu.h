// File menu commands and the pieces they share: the list of selected items
// with its description, and the Copy/Move pop-up shown on a drop.
#pragma once

#include <string>
#include <vector>

namespace rmg {

// Selection kinds.
inline constexpr int SELECT_FILES = 0;
inline constexpr int SELECT_DIRECTORIES = 1;
inline constexpr int SELECT_BOTH = 2;
inline constexpr int SELECT_NOTHING = 3;

// One selected row of the file list, in selection order.
struct SelectedRow {
    std::string name;
    bool directory = false;
};

// What the selection is made of when read from the widgets.
struct SelectionSource {
    std::vector<SelectedRow> rows;  // list rows, selection order
    bool treeSelected = false;      // the tree has a selected node
    std::string treePath;           // its full path, ends in "/"
    std::string treeLabel;          // its label
};

// Builds the absolute item paths from `source` against `currentDir` (ends
// in "/"); ".." rows are skipped.  With `description`, fills it with the
// item's name or the count, a blank and "file", "directory" or
// "file/directory".  Returns the selection kind.
int BuildFileOperationList(const SelectionSource& source, const std::string& currentDir,
                           std::vector<std::string>& items, std::string* description);

// Reads the selection of the main window's list and tree.
void ReadSelectionSource(SelectionSource& source);

// The same, read from the main window's list and tree.
int GetFileOperationString(std::vector<std::string>& items, std::string* description);

// Copy/Move pop-up at the pointer, in a nested main loop: 1 Copy, 2 Move,
// 0 dismissed, RESULT_CREATE_FAILED when it could not be built.
int CreateFileOperationPopup();

void on_Menu_NewDirectory_activate();
void on_Menu_NewFile_activate();
void on_Menu_Open_activate();
void on_Menu_Copy_activate();
void on_Menu_Move_activate();
void on_Menu_Delete_activate();
void on_Menu_Property_activate();

}  // namespace rmg
