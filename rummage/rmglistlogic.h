// Widget-free rules of the file list: the sort comparison, the filter, the
// mode and time texts, column titles, the status texts and the drag text.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace rmg {

// What the list knows about one entry.  Sorting compares these values, not
// the texts shown, so equal-looking sizes and times still order exactly.
struct FileRow {
    std::string name;
    bool isDir = false;     // shows the folder picture ("..", directories)
    bool isParent = false;  // the ".." row
    int type = 2;           // file-type code, also the colour index
    std::uint64_t size = 0;
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    std::time_t atime = 0;
    std::time_t mtime = 0;
    std::time_t ctime = 0;
    ino_t ino = 0;
    std::string key;  // text sort key for the user, group and mode columns
};

struct SortOptions {
    int sortColumn = 1;  // list column; 0 is the icon column
    int sortType = 0;    // 1 reverses
    int sortCase = 0;    // 1 ignores case in text columns
    int mixFileDir = 0;  // 1 sorts directories among files
    int kind = 0;        // column kind shown at sortColumn (when not 0)
};

// Three-way comparison: < 0 when a belongs before b.  ".." always first;
// directories before files unless mixed, in both directions.
int CompareFileRows(const FileRow& a, const FileRow& b, const SortOptions& opt);
// Fills FileRow::key when the sort kind compares a text other than the name.
void PrepareSortKeys(std::vector<FileRow*>& rows, const SortOptions& opt);
// Stable sort of the rows.
void SortFileRows(std::vector<FileRow*>& rows, const SortOptions& opt);

// 1 when `name` passes: always for ".." or when `filter` is 0, else when
// the pattern matches as a shell wildcard (no flags).
int CheckFilter(const std::string& name, int filter, const std::string& pattern);

// Ten-character mode text ("drwxr-xr-x").
std::string SetPermission(mode_t mode);
// Local time text; 0, or RESULT_TIME_FAILED with `out` empty.
int GetFormatTime(std::time_t t, std::string& out, bool seconds, int japanese);

// Untranslated column titles; kind 11 or more gives an empty text.
const char* GetListColumnString(int kind);
// Kind whose (translated) title equals `title`, or 11.
int GetListStringColumn(const std::string& title);
// Right-justified kinds (numbers, sizes and times).
bool IsListColumnRight(int kind);

// Cell text of a kind for a row.
std::string GetListCellText(const FileRow& row, int kind, int japanese);

// Owner and group names, remembered per id; empty when unknown.
const std::string& UserName(uid_t uid);
const std::string& GroupName(gid_t gid);

// Status texts.  `sizeText` is the ConvertSize text.
std::string FileStatusNone(const std::string& treePath);
std::string FileStatusOne(const std::string& name, const std::string& sizeText);
std::string FileStatusMany(int count, const std::string& sizeText);
std::string FilterStatusText(int filter, const std::string& pattern);

// Drag text of absolute paths: "file:<path>" items joined by one blank.
std::string MakeDragText(const std::vector<std::string>& paths);
// The paths of a drop text, split at " file:" only; empty unless it begins
// with "file:" and every item is an absolute path.
std::vector<std::string> SplitDropText(const std::string& text);

}  // namespace rmg
