// The file manager's process-wide settings and state table, its defaults,
// and the start-up rules that decide the home and start directories.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rummage/rmgui.h"

namespace rmg {

// Paths are kept to what a 2048-byte buffer holds.
inline constexpr std::size_t kPathMax = 2047;
inline constexpr std::size_t kPathBufferSize = 2048;
inline constexpr std::size_t kStatusTextMax = 1024;
inline constexpr std::size_t kFilterNameMax = 511;
inline constexpr int kMaxColumns = 11;
inline constexpr int kColorCount = 8;
inline constexpr std::size_t kHistoryMax = 10;

// Column kinds shown in the file list.
inline constexpr int COLUMN_NAME = 0;
inline constexpr int COLUMN_SIZE = 1;
inline constexpr int COLUMN_PERMISSION = 2;
inline constexpr int COLUMN_USER = 3;
inline constexpr int COLUMN_USER_ID = 4;
inline constexpr int COLUMN_GROUP = 5;
inline constexpr int COLUMN_GROUP_ID = 6;
inline constexpr int COLUMN_ACCESS_TIME = 7;
inline constexpr int COLUMN_MODIFY_TIME = 8;
inline constexpr int COLUMN_CHANGE_TIME = 9;
inline constexpr int COLUMN_INODE = 10;

// A list-row colour; components are 16-bit (the file keeps the upper byte).
// `pixel` is whatever the window layer allocated for it.
struct RmgColor {
    std::uint32_t pixel = 0;
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
};

// One association: an extension (without the dot) or an application name,
// and the command that opens it.
inline constexpr std::size_t kAppKeyMax = 255;
inline constexpr std::size_t kAppValueMax = 2047;
struct AppInfo {
    std::string Key;
    std::string Value;
};

// History lists, newest first; each entry at most kPathMax bytes.
using HistoryList = std::vector<std::string>;

struct GTable {
    int JapaneseLocale = 0;
    // Arguments after toolkit initialisation, argv[0] included; reused
    // unchanged to start a new window.
    std::vector<std::string> Argv;
    std::string StartDir;  // ends in "/", or empty

    // Folder images live in the window layer (no toolkit types here).

    int WindowX = 0;
    int WindowY = 0;
    int WindowWidth = 0;
    int WindowHeight = 0;
    int PandPosition = 0;
    std::string StatusText;  // at most kStatusTextMax bytes
    std::string HomeDir;     // ends in "/"
    std::string CurrentDir;  // ends in "/", or empty
    int HistoryPosition = 0;
    int HistoryMoving = 0;

    // Drag-time state of the tree, kept as plain ids; 0 means none.
    unsigned int ScrollTimer = 0;
    unsigned int ExpandTimer = 0;
    unsigned long TreeSelectHandler = 0;
    void* DragNode = nullptr;  // opaque to this layer

    int SortColumn = 0;
    int SortType = 0;
    int Filter = 0;
    std::string FilterName;  // at most kFilterNameMax bytes
    int ShowBackup = 0;
    int ShowHidden = 0;
    int SortCase = 0;
    int MixFileDir = 0;
    int ConfilmDel = 0;
    int ConfilmOverwrite = 0;
    int ConfilmExec = 0;
    int ShowProgress = 0;
    int ColumnCount = 0;
    int NameColumn = 0;
    int ColumnPosition[kMaxColumns] = {};
    int ColumnSize[kMaxColumns] = {};
    RmgColor Color[kColorCount] = {};

    HistoryList LocationDirHistory;
    HistoryList DirHistory;
    HistoryList FilterHistory;
    std::vector<AppInfo> ExtensionInfo;
    std::vector<AppInfo> ApplicationInfo;

    // Progress of the running file operation.  The window and its bar are
    // owned by the window layer; these are opaque handles to them.
    void* ProgressDlg = nullptr;
    void* ProgressBar = nullptr;
    int ProgressCount = 0;
    int ProgressTotal = 0;
    int ProgressCancel = 0;

    // Directory holding .rummage and .extension: the value of HOME when the
    // table was created (not the --home argument).  Tests point it at a
    // temporary tree.
    std::string SettingsDir;
};

// The one table of the process; null before InitGlobalTable and after
// TerminateGlobalTable.
extern GTable* pGTable;

// Built-in defaults for every stored field (also NameColumn and colours).
void DefaultGTable(GTable& table);
void DefaultGTable();  // on *pGTable, if set

// 1 when `lang` is set and its first five characters are "ja_JP".
int IsJapaneseLocale(const char* lang);

// Window state captured at save time.  Without one (no window), the stored
// geometry is written and the divider position as 0.
struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool hasPaned = false;
    int pandPosition = 0;
    // Current width of each detail column (list column i+1), when the list
    // exists; positions beyond its size keep the stored ColumnSize.
    std::vector<int> columnWidths;
};

// Allocates the table, sets JapaneseLocale from LANG, SettingsDir from
// `settingsDir`, loads the settings and the associations.  0, or
// RESULT_NO_MEMORY.  The folder images are the window layer's business.
int InitGlobalTable(const std::string& settingsDir);

// Saves the settings (with `window` when the main window still exists) and
// releases the table.  Nothing when there is no table.
void TerminateGlobalTable(const WindowGeometry* window = nullptr);

// What the command line asks for.  Only the first argument is examined.
struct CommandLine {
    bool root = false;  // --root
    std::string home;   // home from --home (checked), else empty
    bool hasCandidate = false;
    std::string candidate;  // start directory candidate
};

// `args` is the whole vector, argv[0] included.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Start-up steps after the table is loaded: home from the command line or
// `envHome` (HOME; may be null), HomeDir with a final "/", StartDir when the
// candidate is a directory inside home, and the initial history entries.
// Returns 0, or RESULT_BAD_ARGUMENT when no usable home results (HOME unset
// or too long).
int SetupStartDirectories(GTable& table, const CommandLine& cmd, const char* envHome);

// History rule for all three lists (newest first, at most 10 after an
// addition).  A null or empty text, or one longer than kPathMax, leaves the
// list unchanged.
void AddHistoryListS(HistoryList& list, const char* text);
inline void AddHistoryListS(HistoryList& list, const std::string& text) {
    AddHistoryListS(list, text.c_str());
}

// Starts a new, detached Rummage process ("rummage" on the search path)
// with `argv` unchanged.  A failed fork ends the program with
// "Not enough mmemory! Stop.\n".  Returns the intermediate child's pid.
pid_t ExecRummage(const std::vector<std::string>& argv);

}  // namespace rmg
