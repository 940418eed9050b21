// Widget-free work behind the File, Edit and Layout commands: the item list
// of the selection with its description, the one copy-or-move loop shared by
// the commands and by drops, delete, new directory and file, symbolic links,
// selection by pattern, and the sort and filter choices.  Questions and
// error boxes go through the engine's UserInterface (SetFileOpUi).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "rummage/rmgfileop.h"
#include "rummage/rmgtable.h"

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
                           std::vector<FileOperationItem>& items, std::string* description);

// The copy or move of `items` to what the user named (`dest`), as the
// Copy and Move commands and a drop run it.  Two or more items and a
// `dest` that is an existing file are refused with the path-check box;
// two or more items and a `dest` that does not exist make it a directory
// first (mode 0775 less the umask), so every item, a directory too, lands
// inside it under its own name; one item takes the new name.  Returns the last item's result,
// RESULT_NO when the operation was stopped, RESULT_BAD_ARGUMENT when it
// was refused before anything was done.
int CopyMoveItems(const std::vector<FileOperationItem>& items, const std::string& dest, int kind);

// Deletes `items` after the "Delete %s ?" question (when ConfilmDel is on;
// `description` fills it).  `currentDir` moves to the first item's parent
// when it was deleted with an item.  RESULT_NO when not asked to go on or
// stopped, else 0.
int DeleteItems(const std::vector<FileOperationItem>& items, const std::string& description,
                std::string& currentDir);

// New directory (mode 0775) or empty file at `path` (a name relative to
// CurrentDir, or absolute).  Checks the path first.  0 created, with
// `path` normalised; else the path-check code (box shown), or -1 when the
// creation failed (box shown).  A file is never emptied: one that appears
// meanwhile is reported as existing.
int MakeNewDirectory(std::string& path);
int MakeNewFile(std::string& path);

// Symbolic link `linkName` holding `target`.  A relative target is checked
// against the link's directory, where it will be resolved.  0 made (with
// `linkName` the link's absolute path), 1 the target was refused, 2 the
// link name was refused, 3 symlink failed (box shown each time).
int MakeSymbolicLink(std::string target, std::string& linkName);

// Pattern texts of the select, find and filter dialogs.
bool IsValidSelectText(const std::string& text);  // 1..512 bytes
bool IsValidFilterText(const std::string& text);  // 1..511 bytes: what the settings keep

// Rows whose names match `pattern` (fnmatch on the bytes, no flags); the
// ".." row (`parentRow`, -1 when none) never.
std::vector<char> MatchRows(const std::vector<std::string>& names, const std::string& pattern,
                            int parentRow);
// The inverse of `selected`; none selected selects all.  ".." never.
std::vector<char> InvertRows(const std::vector<char>& selected, int parentRow);

// Sort dialog: index into the displayed kinds of the kind shown in list
// column SortColumn, or -1 when that is the icon column or beyond the
// displayed ones.
int SortChoiceIndex(const GTable& table);
// The first displayed column of `kind` becomes SortColumn (unchanged when
// none shows it); SortType from `reverse`.
void ApplySortChoice(GTable& table, int kind, bool reverse);

// Filter dialog: false for a refused text (nothing changed).
bool ApplyFilterText(GTable& table, const std::string& text);

}  // namespace rmg
