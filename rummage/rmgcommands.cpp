#include "rummage/rmgcommands.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/I18n.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

// Boxes when no window layer is set: as the engine's, the first button.
int ShowBox(const std::string& title, const std::string& text, int style) {
    UserInterface* ui = GetFileOpUi();
    return ui != nullptr ? ui->MessageBox(title, text, style) : RESULT_YES;
}

void ShowError(const std::string& text) {
    ShowBox(_("Error"), text, MB_OK + MB_ICON_STOP);
}

void ShowPathError(int code) {
    ShowError(_(FileExistText(code)));
}

bool IsDirItem(const std::string& item) {
    return !item.empty() && item.back() == '/';
}

// `path` is `dir` itself or lies below it (`dir` ends in "/").
bool IsAtOrBelow(const std::string& path, const std::string& dir) {
    return path.size() >= dir.size() && path.compare(0, dir.size(), dir) == 0;
}

}  // namespace

int BuildFileOperationList(const SelectionSource& source, const std::string& currentDir,
                           std::vector<FileOperationItem>& items, std::string* description) {
    items.clear();
    std::string name;
    int kind = -1;  // unknown until the first item
    if (source.rows.empty()) {
        if (!source.treeSelected) {
            return SELECT_NOTHING;
        }
        items.push_back(source.treePath);
        name = source.treeLabel;
        kind = SELECT_DIRECTORIES;
    } else {
        for (const SelectedRow& row : source.rows) {
            if (row.name == "..") {
                continue;
            }
            items.push_back(currentDir + row.name + (row.directory ? "/" : ""));
            name = row.name;
            const int rowKind = row.directory ? SELECT_DIRECTORIES : SELECT_FILES;
            if (kind == -1) {
                kind = rowKind;
            } else if (kind != rowKind) {
                kind = SELECT_BOTH;
            }
        }
    }
    if (items.empty()) {
        return SELECT_NOTHING;
    }
    if (description != nullptr) {
        // The kind words stay untranslated.
        static const char* const kWords[] = {"file", "directory", "file/directory"};
        const std::string subject = items.size() == 1 ? name : std::to_string(items.size());
        *description = FillText(_("%s %s"), {subject, kWords[kind]});
    }
    return kind;
}

int CopyMoveItems(const std::vector<FileOperationItem>& items, const std::string& destIn,
                  int kind) {
    if (items.empty() || destIn.empty()) {
        return RESULT_BAD_ARGUMENT;
    }
    const std::string dest = StripSlash(destIn);
    if (items.size() >= 2) {
        struct stat st {};
        const bool exists = lstat(dest.c_str(), &st) == 0;
        if (exists && !S_ISDIR(st.st_mode)) {
            ShowPathError(PATH_FILE_EXISTS);
            return RESULT_BAD_ARGUMENT;
        }
        // The first item would become the new name and each further one
        // replace it; a directory made first takes them all in, each under
        // its own name.  A first directory must not become the new name
        // either: its own name would be lost and its mode (even 000) given
        // to the directory that holds the rest.
        if (!exists && CreateDirectoryEx(dest + "/") != 0) {
            return RESULT_BAD_ARGUMENT;
        }
    }
    int overwriteDecided = 0;
    int result = 0;
    SetupProgress(items, kind);
    for (const FileOperationItem& item : items) {
        result = kind == OP_MOVE ? MoveFile(dest, item, &overwriteDecided)
                                 : CopyFile(dest, item, &overwriteDecided);
        if (result == RESULT_NO) {
            DestroyProgress();
            break;
        }
    }
    EndProgress();
    return result;
}

int DeleteItems(const std::vector<FileOperationItem>& items, const std::string& description,
                std::string& currentDir) {
    if (items.empty()) {
        return RESULT_NO;
    }
    if (pGTable != nullptr && pGTable->ConfilmDel != 0 &&
        ShowBox(_("Delete"), FillText(_("Delete %s ?"), {description}),
                MB_YESNO + MB_ICON_DELETE) != RESULT_YES) {
        return RESULT_NO;
    }
    int answer = RESULT_NO;
    const std::string parent = GetParentDirectory(items.front());
    int result = 0;
    SetupProgress(items, OP_DELETE);
    for (const FileOperationItem& item : items) {
        result = RemoveFile(item, &answer);
        if (result == RESULT_NO) {
            DestroyProgress();
            break;
        }
        // A plain Yes covers one item; Yes to all stays for the rest.
        if (answer == RESULT_YES) {
            answer = RESULT_NO;
        }
        // The shown directory, or one it lies in, is gone: show the parent.
        if (IsDirItem(item) && IsAtOrBelow(currentDir, item) && !IsDirectory(currentDir)) {
            currentDir = parent;
        }
    }
    EndProgress();
    return result == RESULT_NO ? RESULT_NO : 0;
}

int MakeNewDirectory(std::string& path) {
    const int code = CheckFileExist(path);
    if (code != PATH_NOT_EXIST) {
        ShowPathError(code);
        return code;
    }
    if (path.back() != '/') {
        path += '/';
    }
    if (mkdir(path.c_str(), 0775) != 0) {
        const int err = errno;
        ShowError(FillText(_("Cannot create directory %s\ncause:%s"), {path, std::strerror(err)}));
        return -1;
    }
    sync();
    return 0;
}

int MakeNewFile(std::string& path) {
    const int code = CheckFileExist(path);
    if (code != PATH_NOT_EXIST) {
        ShowPathError(code);
        return code;
    }
    // Exclusive: a file that appeared since the check keeps its content.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        const int err = errno;
        ShowError(FillText(_("Cannot create file %s\ncause:%s"), {path, std::strerror(err)}));
        return -1;
    }
    close(fd);
    sync();
    return 0;
}

int MakeSymbolicLink(std::string target, std::string& linkName) {
    // The kernel resolves a relative target from the link's directory, so
    // that is where it must exist.
    std::string linkDir = linkName;
    if (!linkDir.empty() && linkDir[0] != '/' && pGTable != nullptr) {
        linkDir = pGTable->CurrentDir + linkDir;
    }
    linkDir = GetParentDirectory(StripSlash(linkDir));
    const bool relative = !target.empty() && target[0] != '/';
    const std::string targetAt = relative ? linkDir + target : target;

    struct stat st {};
    bool found = !target.empty() && lstat(targetAt.c_str(), &st) == 0;
    if (!found) {
        std::string checked = targetAt;
        const int code = CheckFileExist(checked);
        if (code != PATH_DIR_EXISTS && code != PATH_FILE_EXISTS) {
            ShowPathError(code);
            return 1;
        }
        target = checked;
        found = lstat(target.c_str(), &st) == 0;
    }
    if (found && S_ISDIR(st.st_mode) && target.back() != '/') {
        target += '/';
    }
    const int code = CheckFileExist(linkName);
    if (code != PATH_NOT_EXIST) {
        ShowPathError(code);
        return 2;
    }
    linkName = StripSlash(linkName);
    if (symlink(target.c_str(), linkName.c_str()) != 0) {
        const int err = errno;
        ShowError(
            FillText(_("Symbolic link has not been created.\ncause:%s"), {std::strerror(err)}));
        return 3;
    }
    return 0;
}

bool IsValidSelectText(const std::string& text) {
    return !text.empty() && text.size() <= kFilterNameMax + 1;
}

bool IsValidFilterText(const std::string& text) {
    return !text.empty() && text.size() <= kFilterNameMax;
}

std::vector<char> MatchRows(const std::vector<std::string>& names, const std::string& pattern,
                            int parentRow) {
    std::vector<char> match(names.size(), 0);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (static_cast<int>(i) != parentRow && names[i] != ".." &&
            fnmatch(pattern.c_str(), names[i].c_str(), 0) == 0) {
            match[i] = 1;
        }
    }
    return match;
}

std::vector<char> InvertRows(const std::vector<char>& selected, int parentRow) {
    bool any = false;
    for (char s : selected) {
        any = any || s != 0;
    }
    std::vector<char> out(selected.size(), 0);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        out[i] = static_cast<int>(i) == parentRow ? 0 : (any ? !selected[i] : 1);
    }
    return out;
}

int SortChoiceIndex(const GTable& table) {
    const int pos = table.SortColumn - 1;
    if (pos < 0 || pos >= table.ColumnCount || pos >= kMaxColumns) {
        return -1;
    }
    return pos;
}

void ApplySortChoice(GTable& table, int kind, bool reverse) {
    for (int i = 0; i < table.ColumnCount && i < kMaxColumns; ++i) {
        if (table.ColumnPosition[i] == kind) {
            table.SortColumn = i + 1;
            break;
        }
    }
    table.SortType = reverse ? 1 : 0;
}

bool ApplyFilterText(GTable& table, const std::string& text) {
    if (!IsValidFilterText(text)) {
        return false;
    }
    table.Filter = text == "*" ? 0 : 1;
    table.FilterName = text;
    AddHistoryListS(table.FilterHistory, text);
    return true;
}

}  // namespace rmg
