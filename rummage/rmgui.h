// The file manager's result codes and style words, and the interface through
// which widget-free code asks the user something.  The window layer
// implements it with real dialogs; tests answer it by script.
#pragma once

#include <string>

namespace rmg {

// Result codes shared by the whole file manager (0 is success).
inline constexpr int RESULT_NO = static_cast<int>(0xF0000000u);
inline constexpr int RESULT_YES = static_cast<int>(0xF0000001u);
inline constexpr int RESULT_YES_ALL = static_cast<int>(0xF0000002u);
inline constexpr int RESULT_CANCEL = static_cast<int>(0xF0000003u);
inline constexpr int RESULT_CREATE_FAILED = static_cast<int>(0xFFFF0001u);
inline constexpr int RESULT_BAD_ARGUMENT = static_cast<int>(0xFFFF0002u);
inline constexpr int RESULT_NO_MEMORY = static_cast<int>(0xFFFF0003u);
inline constexpr int RESULT_READ_DIR_FAILED = static_cast<int>(0xFFFF0004u);
inline constexpr int RESULT_TIME_FAILED = static_cast<int>(0xFFFF0005u);

// Message-box style word: icon kind in the low 16 bits, button set in the high.
inline constexpr int MB_ICON_INFORMATION = 1;
inline constexpr int MB_ICON_QUESTION = 2;
inline constexpr int MB_ICON_EXCLAMATION = 3;
inline constexpr int MB_ICON_STOP = 4;
inline constexpr int MB_ICON_DELETE = 5;
inline constexpr int MB_YES = 0x10000;
inline constexpr int MB_OK = 0x20000;
inline constexpr int MB_YESNO = 0x30000;
inline constexpr int MB_OKCANCEL = 0x40000;
inline constexpr int MB_SKIPCANCEL = 0x50000;

// Operation kinds.
inline constexpr int OP_NEW_DIRECTORY = 0;
inline constexpr int OP_NEW_FILE = 1;
inline constexpr int OP_COPY = 2;
inline constexpr int OP_MOVE = 3;
inline constexpr int OP_DELETE = 4;

// What widget-free code needs from the windows.  Texts arrive already
// translated.
class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // Modal box; RESULT_YES for the first button, RESULT_NO for the second,
    // 1 when it could not be shown.
    virtual int MessageBox(const std::string& title, const std::string& text, int style) = 0;

    // Three-way question before a non-empty directory is emptied:
    // RESULT_YES, RESULT_YES_ALL, RESULT_NO or RESULT_CANCEL.
    virtual int DeleteMessageBox(const std::string& path) = 0;

    // Progress window of a running operation.  Create shows it (false when
    // it could not be built); Show raises it, sets the bar and lets pending
    // events through (one blocking and one non-blocking main-loop
    // iteration), which may deliver a click on Cancel; Cancelled reports
    // such a click; Destroy closes it.
    virtual bool CreateProgressWindow(int kind) = 0;
    virtual void ShowProgressFraction(double fraction) = 0;
    virtual bool ProgressCancelled() = 0;
    virtual void DestroyProgressWindow() = 0;
    virtual void RaiseProgressWindow() = 0;

    // Application picker over GTable::ApplicationInfo: 0 with the chosen
    // command in `command` (empty when nothing was chosen or none is
    // known), RESULT_CREATE_FAILED when it could not be built.
    virtual int SelectApplication(std::string& command) {
        command.clear();
        return 0;
    }

    // Opens the tree down to `dir` (ends in "/"), selects it and, with
    // `expand` 1, expands it; this makes it the current directory.
    virtual void OpenChildTree(const std::string& dir, int expand) {
        (void)dir;
        (void)expand;
    }
};

}  // namespace rmg
