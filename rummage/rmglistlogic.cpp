#include "rummage/rmglistlogic.h"

#include <fnmatch.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "common/I18n.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

const char* const kColumnTitles[kMaxColumns] = {
    N_("Name"),        N_("Size"),         N_("Permission"),
    N_("User"),        N_("User ID"),      N_("Group"),
    N_("Group ID"),    N_("Access time"),  N_("Modification time"),
    N_("Change time"), N_("i Node number")};

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int Sign(int v) {
    return (v > 0) - (v < 0);
}

template <typename T>
int CompareValues(const T& a, const T& b) {
    return (a > b) - (a < b);
}

// Byte order, or ASCII case folded: names are bytes, not text of a locale.
int CompareText(const std::string& a, const std::string& b, int sortCase) {
    if (!sortCase) {
        return Sign(a.compare(b));
    }
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return CompareValues(a.size(), b.size());
}

// The number an id column shows, and the time a time column shows.
unsigned long long ColumnId(const FileRow& row, int kind) {
    return kind == COLUMN_USER_ID ? row.uid : kind == COLUMN_GROUP_ID ? row.gid : row.ino;
}

std::time_t ColumnTime(const FileRow& row, int kind) {
    return kind == COLUMN_ACCESS_TIME   ? row.atime
           : kind == COLUMN_MODIFY_TIME ? row.mtime
                                        : row.ctime;
}

// Comparison of the sorted column alone, in the normal direction.
int CompareColumn(const FileRow& a, const FileRow& b, const SortOptions& opt) {
    if (opt.sortColumn == 0) {
        if (a.isDir != b.isDir) {
            return a.isDir ? -1 : 1;
        }
        return CompareText(a.name, b.name, opt.sortCase);
    }
    switch (opt.kind) {
        case COLUMN_SIZE:
            return CompareValues(a.size, b.size);
        // Larger ids come first in the normal direction.
        case COLUMN_USER_ID:
        case COLUMN_GROUP_ID:
        case COLUMN_INODE:
            return CompareValues(ColumnId(b, opt.kind), ColumnId(a, opt.kind));
        // Times shown to the minute; the stored seconds only break ties.
        case COLUMN_ACCESS_TIME:
        case COLUMN_MODIFY_TIME:
        case COLUMN_CHANGE_TIME:
            return CompareValues(ColumnTime(a, opt.kind), ColumnTime(b, opt.kind));
        case COLUMN_PERMISSION:
        case COLUMN_USER:
        case COLUMN_GROUP:
            return CompareText(a.key, b.key, opt.sortCase);
        default:
            return CompareText(a.name, b.name, opt.sortCase);
    }
}

// The name field of the entry `lookup` finds for `id`, remembered per id (one
// cache per kind of entry); empty when unknown.
template <typename Id, typename Entry>
const std::string& CachedName(Id id, int (*lookup)(Id, Entry*, char*, std::size_t, Entry**),
                              char* Entry::*name) {
    static std::unordered_map<Id, std::string> cache;
    auto it = cache.find(id);
    if (it == cache.end()) {
        Entry entry{};
        Entry* result = nullptr;
        char buf[8192];
        std::string found;
        if (lookup(id, &entry, buf, sizeof buf, &result) == 0 && result != nullptr) {
            found = result->*name;
        }
        it = cache.emplace(id, found).first;
    }
    return it->second;
}

}  // namespace

int CompareFileRows(const FileRow& a, const FileRow& b, const SortOptions& opt) {
    if (a.isParent || b.isParent) {
        return CompareValues(b.isParent, a.isParent);
    }
    if (!opt.mixFileDir && a.isDir != b.isDir) {
        return a.isDir ? -1 : 1;
    }
    const int r = CompareColumn(a, b, opt);
    return opt.sortType == 1 ? -r : r;
}

void PrepareSortKeys(std::vector<FileRow*>& rows, const SortOptions& opt) {
    if (opt.sortColumn == 0) {
        return;
    }
    for (FileRow* row : rows) {
        switch (opt.kind) {
            case COLUMN_PERMISSION:
                row->key = SetPermission(row->mode);
                break;
            case COLUMN_USER:
                row->key = UserName(row->uid);
                break;
            case COLUMN_GROUP:
                row->key = GroupName(row->gid);
                break;
            default:
                break;
        }
    }
}

void SortFileRows(std::vector<FileRow*>& rows, const SortOptions& opt) {
    PrepareSortKeys(rows, opt);
    std::stable_sort(rows.begin(), rows.end(), [&opt](const FileRow* a, const FileRow* b) {
        return CompareFileRows(*a, *b, opt) < 0;
    });
}

int CheckFilter(const std::string& name, int filter, const std::string& pattern) {
    if (filter == 0 || name == "..") {
        return 1;
    }
    return fnmatch(pattern.c_str(), name.c_str(), 0) == 0 ? 1 : 0;
}

std::string SetPermission(mode_t mode) {
    std::string s(10, '-');
    if (S_ISDIR(mode)) {
        s[0] = 'd';
    } else if (S_ISCHR(mode)) {
        s[0] = 'c';
    } else if (S_ISBLK(mode)) {
        s[0] = 'b';
    } else if (S_ISFIFO(mode)) {
        s[0] = 'p';
    } else if (S_ISLNK(mode)) {
        s[0] = 'l';
    } else if (S_ISSOCK(mode)) {
        s[0] = 's';
    }
    const mode_t bits[9] = {S_IRUSR, S_IWUSR, S_IXUSR, S_IRGRP, S_IWGRP,
                            S_IXGRP, S_IROTH, S_IWOTH, S_IXOTH};
    const char letters[3] = {'r', 'w', 'x'};
    for (int i = 0; i < 9; ++i) {
        if (mode & bits[i]) {
            s[1 + i] = letters[i % 3];
        }
    }
    if (mode & S_ISUID) {
        s[3] = (mode & S_IXUSR) ? 's' : 'S';
    }
    if (mode & S_ISGID) {
        s[6] = (mode & S_IXGRP) ? 's' : 'S';
    }
    if (mode & S_ISVTX) {
        s[9] = (mode & S_IXOTH) ? 't' : 'T';
    }
    return s;
}

int GetFormatTime(std::time_t t, std::string& out, bool seconds, int japanese) {
    out.clear();
    struct tm tm {};
    if (localtime_r(&t, &tm) == nullptr || tm.tm_mon < 0 || tm.tm_mon > 11) {
        return RESULT_TIME_FAILED;
    }
    char buf[128];
    if (japanese) {
        if (seconds) {
            std::snprintf(buf, sizeof buf, "%d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900,
                          tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        } else {
            std::snprintf(buf, sizeof buf, "%d/%02d/%02d %02d:%02d", tm.tm_year + 1900,
                          tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
        }
    } else if (seconds) {
        std::snprintf(buf, sizeof buf, "%s %02d %d %02d:%02d:%02d", kMonths[tm.tm_mon], tm.tm_mday,
                      tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    } else {
        std::snprintf(buf, sizeof buf, "%s %02d %d %02d:%02d", kMonths[tm.tm_mon], tm.tm_mday,
                      tm.tm_year + 1900, tm.tm_hour, tm.tm_min);
    }
    out = buf;
    return 0;
}

const char* GetListColumnString(int kind) {
    if (kind < 0 || kind >= kMaxColumns) {
        return "";
    }
    return kColumnTitles[kind];
}

int GetListStringColumn(const std::string& title) {
    for (int kind = 0; kind < kMaxColumns; ++kind) {
        if (title == _(kColumnTitles[kind])) {
            return kind;
        }
    }
    return kMaxColumns;
}

bool IsListColumnRight(int kind) {
    switch (kind) {
        case COLUMN_SIZE:
        case COLUMN_USER_ID:
        case COLUMN_GROUP_ID:
        case COLUMN_ACCESS_TIME:
        case COLUMN_MODIFY_TIME:
        case COLUMN_CHANGE_TIME:
        case COLUMN_INODE:
            return true;
        default:
            return false;
    }
}

const std::string& UserName(uid_t uid) {
    return CachedName(uid, getpwuid_r, &passwd::pw_name);
}

const std::string& GroupName(gid_t gid) {
    return CachedName(gid, getgrgid_r, &group::gr_name);
}

std::string GetListCellText(const FileRow& row, int kind, int japanese) {
    std::string text;
    switch (kind) {
        case COLUMN_NAME:
            return row.name;
        case COLUMN_SIZE:
            return ConvertSize(row.size);
        case COLUMN_PERMISSION:
            return SetPermission(row.mode);
        case COLUMN_USER:
            return UserName(row.uid);
        case COLUMN_GROUP:
            return GroupName(row.gid);
        case COLUMN_USER_ID:
        case COLUMN_GROUP_ID:
        case COLUMN_INODE:
            return std::to_string(ColumnId(row, kind));
        case COLUMN_ACCESS_TIME:
        case COLUMN_MODIFY_TIME:
        case COLUMN_CHANGE_TIME:
            GetFormatTime(ColumnTime(row, kind), text, false, japanese);
            return text;
        default:
            return text;
    }
}

std::string FileStatusNone(const std::string& treePath) {
    return " " + treePath;
}

std::string FileStatusOne(const std::string& name, const std::string& sizeText) {
    return " " + name + "  " + sizeText;
}

std::string FileStatusMany(int count, const std::string& sizeText) {
    char buf[256];
    std::snprintf(buf, sizeof buf, _(" %d files  %s"), count, sizeText.c_str());
    return buf;
}

std::string FilterStatusText(int filter, const std::string& pattern) {
    if (filter == 0) {
        return _(" Filter: Show all files");
    }
    std::string text = _(" Filter: %s");
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, pattern);
    }
    return text;
}

std::string MakeDragText(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& p : paths) {
        if (!text.empty()) {
            text += ' ';
        }
        text += "file:";
        text += p;
    }
    return text;
}

std::vector<std::string> SplitDropText(const std::string& text) {
    std::vector<std::string> paths;
    static const std::string kTag = "file:";
    static const std::string kSeparator = " file:";
    if (text.compare(0, kTag.size(), kTag) != 0) {
        return paths;
    }
    // Items are split only at the separator, so "file:" inside a name
    // stays part of it.
    std::size_t start = kTag.size();
    while (true) {
        const std::size_t next = text.find(kSeparator, start);
        const std::string item =
            text.substr(start, next == std::string::npos ? std::string::npos : next - start);
        if (!item.empty()) {
            // A relative item would be taken against the working directory.
            if (item[0] != '/') {
                return {};
            }
            paths.push_back(item);
        }
        if (next == std::string::npos) {
            break;
        }
        start = next + kSeparator.size();
    }
    return paths;
}

}  // namespace rmg
