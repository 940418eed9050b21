#include "rummage/rmgfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/SafeFile.h"
#include "common/SectionText.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

constexpr const char* kHeader =
    "#\n"
    "# File manager Rummage\n"
    "# Configuration file.\n"
    "# Copyright (C) 2026 The Rummage developers. All rights reserved.\n"
    "# Do not edit.\n"
    "#\n";

// Read limits: a value must be shorter than these.
constexpr std::size_t kCurrentDirLimit = 2047;
constexpr std::size_t kFilterNameLimit = 512;
constexpr std::size_t kHistoryLimit = 2048;
constexpr std::size_t kNumberLimit = 63;
constexpr std::size_t kFlagLimit = 15;
constexpr std::size_t kSetValueLimit = 4096;

constexpr const char* kInit = "[Init]";
constexpr const char* kMainWindow = "[Main Window]";
constexpr const char* kDetailedView = "[Detailed View]";
constexpr const char* kSetting = "[Setting]";
constexpr const char* kLocationHistory = "[LocationDirHistory]";
constexpr const char* kDirHistory = "[DirHistory]";
constexpr const char* kFilterHistory = "[FilterHistory]";

constexpr const char* kFlagKeys[] = {"ShowBackup",  "ShowHidden",  "SortCase",
                                     "MixFileDir",  "ConfilmDel",  "ConfilmOverwrite",
                                     "ConfilmExec", "ShowProgress"};

int* FlagFields(GTable& t, int i) {
    int* fields[] = {&t.ShowBackup, &t.ShowHidden,       &t.SortCase,    &t.MixFileDir,
                     &t.ConfilmDel, &t.ConfilmOverwrite, &t.ConfilmExec, &t.ShowProgress};
    return fields[i];
}

// Section header at the start of a line.
std::size_t FindSection(const std::string& text, const char* section) {
    return suite::FindSectionHeader(text, section);
}

// A number, a flag or a history entry key with its index.
std::string IndexedKey(const char* format, int i) {
    char key[64];
    std::snprintf(key, sizeof key, format, i);
    return key;
}

}  // namespace

std::string SettingsFilePath(const std::string& dir) {
    return dir + "/" + kSettingsFileName;
}

std::string ExtensionFilePath(const std::string& dir) {
    return dir + "/" + kExtensionFileName;
}

int ReadFile(const std::string& path, std::string& out) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return 1;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 2;
    // Read to the end rather than trusting the size: for a linked file
    // lstat gives the link's length, not the file's.
    std::string data;
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return 3;
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    // Text stops at the first NUL, as it would in a C buffer.
    std::size_t nul = data.find('\0');
    if (nul != std::string::npos)
        data.resize(nul);
    out = std::move(data);
    return 0;
}

int WriteFile(const std::string& path, const std::string& data) {
    if (path.empty()) {
        return 2;
    }
    return suite::ReplaceFile(path, data) == 0 ? 0 : 6;
}

std::size_t GetLastCharPosition(const std::string& text, std::size_t from) {
    // A lead byte takes only a following byte of 0x40 or above with it, so
    // it never swallows a newline or a NUL: stepping over two-byte
    // characters ends exactly at the first of either, which a plain search
    // finds much faster.
    static constexpr char kEnds[] = {'\n', '\0'};
    const std::size_t pos = text.find_first_of(kEnds, from, 2);
    return pos == std::string::npos ? text.size() : pos;
}

int GetValuePosition(const std::string& buffer, const char* section, const char* key,
                     std::size_t& start, std::size_t& end) {
    if (section == nullptr || key == nullptr)
        return -1;
    std::size_t pos = FindSection(buffer, section);
    if (pos == std::string::npos)
        return 4;
    std::size_t line = GetLastCharPosition(buffer, pos);
    if (line >= buffer.size())
        return 4;
    ++line;
    std::size_t keyLen = std::strlen(key);
    while (line < buffer.size()) {
        if (buffer[line] == '[')
            return 4;
        if (buffer.compare(line, keyLen, key) == 0) {
            std::size_t v = line + keyLen;
            while (v < buffer.size() && (buffer[v] == ' ' || buffer[v] == '=' || buffer[v] == '\t'))
                ++v;
            start = v;
            end = GetLastCharPosition(buffer, v);
            return 0;
        }
        line = GetLastCharPosition(buffer, line) + 1;
    }
    return 4;
}

int GetString(const std::string& buffer, const char* section, const char* key,
              std::string& destination, std::size_t size) {
    std::size_t start = 0;
    std::size_t end = 0;
    if (GetValuePosition(buffer, section, key, start, end) != 0)
        return -1;
    if (end - start >= size)
        return 5;
    destination = buffer.substr(start, end - start);
    return 0;
}

int GetNumeric(const std::string& buffer, const char* section, const char* key, int& value) {
    std::string text;
    if (GetString(buffer, section, key, text, kNumberLimit) != 0)
        return -1;
    long n = std::strtol(text.c_str(), nullptr, 10);
    value = static_cast<int>(std::clamp<long>(n, INT_MIN, INT_MAX));
    return 0;
}

int GetFlag(const std::string& buffer, const char* section, const char* key, int& value) {
    std::string text;
    if (GetString(buffer, section, key, text, kFlagLimit) != 0)
        return -1;
    value = ::strncasecmp(text.c_str(), "yes", 3) == 0 ? 1 : 0;
    return 0;
}

int GetColor(const std::string& buffer, const char* key, std::uint16_t& component) {
    int n = 0;
    if (GetNumeric(buffer, kSetting, key, n) != 0)
        return -1;
    component = (n > 255 || n < 0) ? 0 : static_cast<std::uint16_t>(n * 256);
    return 0;
}

void GetHistoryList(const std::string& buffer, const char* section, HistoryList& list) {
    int count = 0;
    if (section == nullptr || GetNumeric(buffer, section, "HistoryCount", count) != 0) {
        return;
    }
    // One pass over the section's lines finds every "History%d" value, with
    // the lookup's own rule: a key matches any line that begins with it (so
    // "History1" also begins "History10=..."), and the first such line wins.
    std::vector<std::pair<std::size_t, std::size_t>> values;  // [start, end) by index
    std::vector<bool> found;
    const std::size_t limit =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(count, 0)), buffer.size() + 1);
    std::size_t line = FindSection(buffer, section);
    line = GetLastCharPosition(buffer, line) + 1;
    static constexpr char kKey[] = "History";
    constexpr std::size_t kKeyLen = sizeof kKey - 1;
    while (line < buffer.size() && buffer[line] != '[') {
        const std::size_t end = GetLastCharPosition(buffer, line);
        if (buffer.compare(line, kKeyLen, kKey) == 0) {
            std::size_t digits = line + kKeyLen;
            std::size_t index = 0;
            for (std::size_t d = digits;
                 d < end && d - digits < 10 && std::isdigit(static_cast<unsigned char>(buffer[d]));
                 ++d) {
                // "%d" never writes a leading zero.
                if (d > digits && buffer[digits] == '0') {
                    break;
                }
                index = index * 10 + static_cast<std::size_t>(buffer[d] - '0');
                if (index >= limit) {
                    break;
                }
                if (index >= found.size()) {
                    found.resize(index + 1, false);
                    values.resize(index + 1);
                }
                if (!found[index]) {
                    std::size_t v = d + 1;
                    while (v < end && (buffer[v] == ' ' || buffer[v] == '=' || buffer[v] == '\t')) {
                        ++v;
                    }
                    found[index] = true;
                    values[index] = {v, end};
                }
            }
        }
        line = end + 1;
    }
    // The list holds kHistoryMax entries; more would only be dropped later.
    for (std::size_t i = 0; i < found.size() && list.size() < kHistoryMax; ++i) {
        if (!found[i]) {
            continue;
        }
        const auto [start, end] = values[i];
        if (end > start && end - start < kHistoryLimit) {
            list.push_back(buffer.substr(start, end - start));
        }
    }
}

bool SetString(std::string& text, const char* section, const char* key, const std::string& value) {
    if (section == nullptr || key == nullptr)
        return false;
    // A newline inside a value would start a line of its own in the file.
    if (value.size() >= kSetValueLimit || value.find('\n') != std::string::npos)
        return false;
    if (FindSection(text, section) == std::string::npos) {
        text += '\n';
        text += section;
        text += '\n';
    }
    text += key;
    text += '=';
    text += value;
    text += '\n';
    return true;
}

bool SetNumeric(std::string& text, const char* section, const char* key, int value) {
    return SetString(text, section, key, std::to_string(value));
}

bool SetFlag(std::string& text, const char* section, const char* key, int value) {
    return SetString(text, section, key, value != 0 ? "yes" : "no");
}

bool SetHistoryList(std::string& text, const char* section, const HistoryList& list) {
    // Entries that cannot be stored as one line are left out.
    HistoryList kept;
    for (const std::string& entry : list) {
        if (!entry.empty() && entry.size() <= kPathMax && entry.find('\n') == std::string::npos)
            kept.push_back(entry);
    }
    if (kept.empty())
        return true;
    if (!SetNumeric(text, section, "HistoryCount", static_cast<int>(kept.size())))
        return false;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        std::string key = IndexedKey("History%d", static_cast<int>(i));
        if (!SetString(text, section, key.c_str(), kept[i]))
            return false;
    }
    return true;
}

int GetGTable(GTable& t) {
    DefaultGTable(t);
    t.LocationDirHistory.clear();
    t.DirHistory.clear();
    t.FilterHistory.clear();

    std::string buf;
    if (ReadFile(SettingsFilePath(t.SettingsDir), buf) != 0) {
        // First run: leave a file holding the defaults.
        SetGTable(t, nullptr);
        return 0;
    }
    ParseSettingsText(t, buf);
    return 0;
}

void ParseSettingsText(GTable& t, const std::string& buf) {
    std::string text;
    if (GetString(buf, kInit, "CurrentDir", text, kCurrentDirLimit) == 0)
        t.CurrentDir = text;
    GetNumeric(buf, kMainWindow, "WindowX", t.WindowX);
    GetNumeric(buf, kMainWindow, "WindowY", t.WindowY);
    GetNumeric(buf, kMainWindow, "WindowWidth", t.WindowWidth);
    GetNumeric(buf, kMainWindow, "WindowHeight", t.WindowHeight);
    GetNumeric(buf, kMainWindow, "PandPosition", t.PandPosition);
    if (t.PandPosition == 0)
        t.PandPosition = 200;
    GetNumeric(buf, kDetailedView, "SortColumn", t.SortColumn);
    GetNumeric(buf, kDetailedView, "SortType", t.SortType);
    GetNumeric(buf, kDetailedView, "ColumnCount", t.ColumnCount);

    // The arrays hold 11 positions; a larger count is clamped.  No column
    // at all, or a kind that does not exist, gives the default layout; the
    // widths read so far are kept, a layout reset only replaces the kinds.
    t.ColumnCount = std::min(t.ColumnCount, kMaxColumns);
    bool layoutOk = t.ColumnCount > 0;
    for (int i = 0; layoutOk && i < t.ColumnCount; ++i) {
        int kind = -1;
        std::string key = IndexedKey("ColumnPosition%d", i);
        if (GetNumeric(buf, kDetailedView, key.c_str(), kind) != 0 || kind < COLUMN_NAME ||
            kind > COLUMN_INODE) {
            layoutOk = false;
            break;
        }
        t.ColumnPosition[i] = kind;
        key = IndexedKey("ColumnSize%d", i);
        GetNumeric(buf, kDetailedView, key.c_str(), t.ColumnSize[i]);
    }
    if (!layoutOk) {
        GTable defaults;
        DefaultGTable(defaults);
        t.ColumnCount = defaults.ColumnCount;
        std::copy(std::begin(defaults.ColumnPosition), std::end(defaults.ColumnPosition),
                  std::begin(t.ColumnPosition));
    }
    for (int i = t.ColumnCount; i < kMaxColumns; ++i) {
        t.ColumnPosition[i] = 0;
        t.ColumnSize[i] = 0;
    }
    // Sorting by a column the list does not have.
    if (t.SortColumn < 0 || t.SortColumn > t.ColumnCount)
        t.SortColumn = 1;
    if (t.SortType != 0 && t.SortType != 1)
        t.SortType = 0;

    GetFlag(buf, kDetailedView, "Filter", t.Filter);
    if (GetString(buf, kDetailedView, "FilterName", text, kFilterNameLimit) == 0)
        t.FilterName = text;
    for (int i = 0; i < 8; ++i)
        GetFlag(buf, kSetting, kFlagKeys[i], *FlagFields(t, i));

    for (int i = 0; i < kColorCount; ++i) {
        GetColor(buf, IndexedKey("Color%dRed", i).c_str(), t.Color[i].red);
        GetColor(buf, IndexedKey("Color%dGreen", i).c_str(), t.Color[i].green);
        GetColor(buf, IndexedKey("Color%dBlue", i).c_str(), t.Color[i].blue);
    }

    GetHistoryList(buf, kLocationHistory, t.LocationDirHistory);
    GetHistoryList(buf, kDirHistory, t.DirHistory);
    GetHistoryList(buf, kFilterHistory, t.FilterHistory);
}

int GetGTable() {
    if (pGTable == nullptr)
        return -1;
    return GetGTable(*pGTable);
}

std::string BuildSettingsText(GTable& t, const WindowGeometry* window) {
    std::string s = kHeader;
    bool ok = true;
    ok = ok && SetString(s, kInit, "FileVersion", "1.00");
    // A directory whose name holds a newline cannot be stored on one line.
    std::string current = t.CurrentDir.find('\n') == std::string::npos ? t.CurrentDir : "";
    ok = ok && SetString(s, kInit, "CurrentDir", current);

    if (window != nullptr) {
        t.WindowX = window->x;
        t.WindowY = window->y;
        t.WindowWidth = window->width;
        t.WindowHeight = window->height;
    }
    ok = ok && SetNumeric(s, kMainWindow, "WindowX", t.WindowX);
    ok = ok && SetNumeric(s, kMainWindow, "WindowY", t.WindowY);
    ok = ok && SetNumeric(s, kMainWindow, "WindowWidth", t.WindowWidth);
    ok = ok && SetNumeric(s, kMainWindow, "WindowHeight", t.WindowHeight);
    int pand = window != nullptr && window->hasPaned ? window->pandPosition : 0;
    ok = ok && SetNumeric(s, kMainWindow, "PandPosition", pand);

    ok = ok && SetNumeric(s, kDetailedView, "SortColumn", t.SortColumn);
    ok = ok && SetNumeric(s, kDetailedView, "SortType", t.SortType);
    int count = std::clamp(t.ColumnCount, 0, kMaxColumns);
    ok = ok && SetNumeric(s, kDetailedView, "ColumnCount", count);
    for (int i = 0; ok && i < count; ++i) {
        int width = t.ColumnSize[i];
        if (window != nullptr && static_cast<std::size_t>(i) < window->columnWidths.size())
            width = window->columnWidths[static_cast<std::size_t>(i)];
        ok = SetNumeric(s, kDetailedView, IndexedKey("ColumnPosition%d", i).c_str(),
                        t.ColumnPosition[i]) &&
             SetNumeric(s, kDetailedView, IndexedKey("ColumnSize%d", i).c_str(), width);
    }
    ok = ok && SetFlag(s, kDetailedView, "Filter", t.Filter);
    ok = ok && SetString(s, kDetailedView, "FilterName", t.FilterName);

    for (int i = 0; ok && i < 8; ++i)
        ok = SetFlag(s, kSetting, kFlagKeys[i], *FlagFields(t, i));
    for (int i = 0; ok && i < kColorCount; ++i) {
        ok =
            SetNumeric(s, kSetting, IndexedKey("Color%dRed", i).c_str(), t.Color[i].red >> 8) &&
            SetNumeric(s, kSetting, IndexedKey("Color%dGreen", i).c_str(), t.Color[i].green >> 8) &&
            SetNumeric(s, kSetting, IndexedKey("Color%dBlue", i).c_str(), t.Color[i].blue >> 8);
    }
    ok = ok && SetHistoryList(s, kLocationHistory, t.LocationDirHistory);
    ok = ok && SetHistoryList(s, kDirHistory, t.DirHistory);
    ok = ok && SetHistoryList(s, kFilterHistory, t.FilterHistory);
    return ok ? s : std::string();
}

int SetGTable(GTable& t, const WindowGeometry* window) {
    std::string text = BuildSettingsText(t, window);
    if (text.empty())
        return -2;
    return WriteFile(SettingsFilePath(t.SettingsDir), text) == 0 ? 0 : 6;
}

int SetGTable(const WindowGeometry* window) {
    if (pGTable == nullptr)
        return -1;
    return SetGTable(*pGTable, window);
}

int ReadAppInfo(const std::string& dir, const char* section, std::vector<AppInfo>& list) {
    if (section == nullptr)
        return -1;
    std::string buf;
    if (ReadFile(ExtensionFilePath(dir), buf) != 0) {
        return 0;
    }
    ParseAppInfo(buf, section, list);
    return 0;
}

void ParseAppInfo(const std::string& buf, const char* section, std::vector<AppInfo>& list) {
    if (section == nullptr) {
        return;
    }
    std::size_t pos = FindSection(buf, section);
    if (pos == std::string::npos) {
        return;
    }
    std::size_t line = GetLastCharPosition(buf, pos) + 1;
    while (line < buf.size() && buf[line] != '\n' && buf[line] != '[') {
        std::size_t end = GetLastCharPosition(buf, line);
        std::string text = buf.substr(line, end - line);
        if (const char* eq = CharNext(text.c_str(), '='); eq != nullptr) {
            std::size_t at = static_cast<std::size_t>(eq - text.c_str());
            AppInfo info{text.substr(0, at), text.substr(at + 1)};
            // A cut-off command would start the wrong program: too long
            // entries are left out.
            if (info.Key.size() <= kAppKeyMax && info.Value.size() <= kAppValueMax)
                list.push_back(std::move(info));
        }
        line = end + 1;
    }
}

}  // namespace rmg
