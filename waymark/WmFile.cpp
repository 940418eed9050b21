// Reading and writing Waymark.dat and the user files.
#include "waymark/WmFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "common/SafeFile.h"
#include "common/SectionText.h"
#include "waymark/WmText.h"

namespace wm {

NaviData* pNaviData = nullptr;

const char* const kDefaultButtonFont =
    "-adobe-helvetica-medium-r-normal--14-100-100-100-p-76-iso8859-1,"
    "-misc-fixed-medium-r-normal--14-*-*-*-*-*-jisx0208.1983-0";

namespace {

constexpr std::size_t kKeyMax = 40;
constexpr std::size_t kNumberMax = 7;

const char* const kColorKeys[12] = {
    "ToggleNRed",  "ToggleNGreen",  "ToggleNBlue",  "ToggleARed",  "ToggleAGreen",  "ToggleABlue",
    "TStringNRed", "TStringNGreen", "TStringNBlue", "TStringARed", "TStringAGreen", "TStringABlue",
};

const char* const kNaviHeader =
    "#\n"
    "# Waymark for Linux\n"
    "# Navi Data File\n"
    "# Waymark 1.00; free to use and to pass on, without warranty.\n"
    "# This is a generated file. Do not edit.\n"
    "#";

const char* const kUserHeader =
    "#\n"
    "# Waymark for Linux\n"
    "# User Data File\n"
    "# Waymark 1.00; free to use and to pass on, without warranty.\n"
    "# This is a generated file.  Do not edit.\n"
    "#";

// A section or file name from its numbers.
template <typename... Numbers>
std::string Format(const char* format, Numbers... numbers) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, numbers...);
    return buffer;
}

// Where the lines of `section` begin (one byte after its header), or npos.
std::size_t FindSectionBody(const std::string& text, const char* section) {
    const std::size_t pos = suite::FindSectionHeader(text, section);
    if (pos == std::string::npos) {
        return pos;
    }
    return std::min(pos + std::strlen(section) + 1, text.size());
}

// Start of the next line, or npos.  Only ASCII is looked for, so a byte with
// the high bit set can never hide the newline.
std::size_t NextLine(const std::string& text, std::size_t pos) {
    const std::size_t nl = text.find('\n', pos);
    return nl == std::string::npos ? nl : nl + 1;
}

// Where each section's lines begin, found in one pass over the text: a user
// file holds up to 2,000 sections, and searching the whole text again for
// every key made loading the largest model take seconds.
class SectionIndex {
  public:
    explicit SectionIndex(const std::string& text) : text_(text) {
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t nl = text.find('\n', pos);
            const std::size_t next = nl == std::string::npos ? text.size() : nl + 1;
            // Every section name ends at its only "]".
            const std::size_t close = text[pos] == '[' ? text.find(']', pos) : std::string::npos;
            if (close != std::string::npos && close < next) {
                // The first header of a name counts.
                bodies_.emplace(text.substr(pos, close + 1 - pos),
                                std::min(close + 2, text.size()));
            }
            pos = next;
        }
    }
    const std::string& text() const { return text_; }
    std::size_t Body(const char* section) const {
        const auto it = bodies_.find(section);
        return it == bodies_.end() ? std::string::npos : it->second;
    }

  private:
    const std::string& text_;
    std::unordered_map<std::string, std::size_t> bodies_;
};

// The raw value of `key` in the section whose lines begin at `pos`; false
// when missing or empty.
bool FindValue(const std::string& text, std::size_t pos, const char* key, std::string& value) {
    if (pos == std::string::npos || std::strlen(key) >= kKeyMax) {
        return false;
    }
    const std::string needle = std::string(key) + "=";
    while (pos < text.size()) {
        if (text[pos] == '[') {
            return false;
        }
        if (text.compare(pos, needle.size(), needle) == 0) {
            const std::size_t start = pos + needle.size();
            const std::size_t end = text.find('\n', start);
            value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            return !value.empty();
        }
        pos = NextLine(text, pos);
        if (pos == std::string::npos) {
            return false;
        }
    }
    return false;
}

// What a value must be for the reader to take it back unchanged.
bool Storable(const std::string& value, std::size_t max, bool required) {
    if (value.size() > max || (required && value.empty())) {
        return false;
    }
    return value.find('\n') == std::string::npos && value.find('\0') == std::string::npos;
}

bool StorableList(const std::vector<NaviExt>& list) {
    for (const NaviExt& e : list) {
        if (e.Key.empty() || e.Value.empty() || e.Key.find('=') != std::string::npos ||
            e.Key[0] == '#' || e.Key[0] == '[' || static_cast<unsigned char>(e.Key[0]) == 0xFF ||
            !Storable(e.Key, std::string::npos, true) ||
            !Storable(e.Value, std::string::npos, true)) {
            return false;
        }
    }
    return true;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string AbsoluteDir(const char* waymark) {
    std::string dir = waymark;
    if (dir[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd == nullptr) {
            return std::string();
        }
        std::string base = cwd;
        std::free(cwd);
        if (base.empty() || base.back() != '/') {
            base += '/';
        }
        dir = base + dir;
    }
    if (dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

}  // namespace

// ---- files -------------------------------------------------------------

int wyReadFile(const std::string& path, std::string& text) {
    std::string data;
    if (suite::ReadWholeFile(path, data) != 0) {
        return -1;
    }
    data.resize(std::strlen(data.c_str()));
    if (data.empty()) {
        return -1;
    }
    text.swap(data);
    return 0;
}

int wyWriteFile(const std::string& path, const std::string& text) {
    return suite::ReplaceFile(path, text) == 0 ? 0 : -1;
}

bool IsDataFileName(const std::string& name) {
    if (name == "Waymark.dat") {
        return true;
    }
    if (name.size() != 10 || name.compare(0, 4, "User") != 0 || name.compare(6, 4, ".dat") != 0 ||
        name[4] < '0' || name[4] > '9' || name[5] < '0' || name[5] > '9') {
        return false;
    }
    return (name[4] - '0') * 10 + (name[5] - '0') < kMaxUsers;
}

int RecoverNaviFiles(const std::string& dataDir) {
    return suite::RecoverFileSet(dataDir, kSaveRecord, IsDataFileName);
}

std::string NaviFilePath(const NaviData& data) {
    return data.DataDir + "Waymark.dat";
}

std::string UserFilePath(const NaviData& data, int index) {
    return data.DataDir + Format("User%02d.dat", index);
}

// ---- reading -----------------------------------------------------------

namespace {

int TextValue(const std::string& text, std::size_t body, const char* key, std::string& out,
              std::size_t maxLength) {
    std::string value;
    if (!FindValue(text, body, key, value) || value.size() > maxLength) {
        return 1;
    }
    out = value;
    return 0;
}

int NumberValue(const std::string& text, std::size_t body, const char* key, int& out) {
    std::string value;
    if (!FindValue(text, body, key, value) || value.size() > kNumberMax) {
        return 1;
    }
    out = static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
    return 0;
}

// The readers' form: sections looked up in the index.
int GetInfo(const SectionIndex& index, const char* section, const char* key, std::string& out,
            std::size_t maxLength) {
    return TextValue(index.text(), index.Body(section), key, out, maxLength);
}

int GetInfo(const SectionIndex& index, const char* section, const char* key, int& out) {
    return NumberValue(index.text(), index.Body(section), key, out);
}

}  // namespace

int GetInfo(const std::string& text, const char* section, const char* key, std::string& out,
            std::size_t maxLength) {
    return TextValue(text, FindSectionBody(text, section), key, out, maxLength);
}

int GetInfo(const std::string& text, const char* section, const char* key, int& out) {
    return NumberValue(text, FindSectionBody(text, section), key, out);
}

int GetColor(const std::string& text, const char* key, unsigned short& component) {
    int value = 0;
    if (GetInfo(text, "[Color]", key, value) != 0 || value < 0 || value > 255) {
        return 1;
    }
    component = static_cast<unsigned short>(value << 8);
    return 0;
}

void GetColorInfo(NaviData& data, const std::string& text) {
    NaviColor* colors[4] = {&data.ToggleN, &data.ToggleA, &data.TStringN, &data.TStringA};
    NaviColor read[4];
    bool complete = true;
    for (int i = 0; i < 12 && complete; ++i) {
        NaviColor& c = read[i / 3];
        unsigned short* part = i % 3 == 0 ? &c.red : (i % 3 == 1 ? &c.green : &c.blue);
        complete = GetColor(text, kColorKeys[i], *part) == 0;
    }
    if (!complete) {
        read[0] = kDefaultToggleN;
        read[1] = kDefaultToggleA;
        read[2] = kDefaultTString;
        read[3] = kDefaultTString;
    }
    for (int i = 0; i < 4; ++i) {
        *colors[i] = read[i];
    }
}

int GetExtensionData(const std::string& text, const char* section, std::vector<NaviExt>& list) {
    std::size_t pos = FindSectionBody(text, section);
    if (pos == std::string::npos) {
        return 1;
    }
    while (pos < text.size() && text[pos] != '[' && static_cast<unsigned char>(text[pos]) != 0xFF) {
        const std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            break;  // a last line without its newline does not count
        }
        const std::string line = text.substr(pos, nl - pos);
        const std::size_t eq = line.find('=');
        if (line[0] != '#' && eq != std::string::npos && eq > 0 && eq + 1 < line.size()) {
            list.push_back(NaviExt{line.substr(0, eq), line.substr(eq + 1)});
        }
        pos = nl + 1;
    }
    return 0;
}

int ParseNaviText(NaviData& data, const std::string& text) {
    const SectionIndex index(text);
    int userCount = 0;
    int currentUser = 0;
    if (GetInfo(index, "[Init]", "Version", data.Version, kVersionMax) != 0 ||
        GetInfo(index, "[Init]", "CurrentUser", currentUser) != 0 ||
        GetInfo(index, "[Init]", "UserCount", userCount) != 0 || userCount < 0 ||
        userCount > kMaxUsers) {
        return CODE_INVALID_NAVI;
    }
    data.UserCount = userCount;
    if (userCount == 0) {
        currentUser = -1;
    } else if (currentUser < 0 || currentUser >= userCount) {
        currentUser = 0;
    }
    data.CurrentUser = currentUser;
    if (GetInfo(index, "[Init]", "WebAP", data.WebAP, kPathMax) != 0 ||
        GetInfo(index, "[Init]", "WebProcName", data.WebProcName, kPathMax) != 0) {
        return CODE_INVALID_NAVI;
    }
    GetInfo(index, "[Init]", "FileManager", data.FileManager, kPathMax);
    if (GetInfo(index, "[Init]", "HelpPath", data.HelpPath, kPathMax) != 0) {
        return CODE_INVALID_NAVI;
    }
    if (data.HelpPath.back() != '/') {
        if (data.HelpPath.size() >= kPathMax) {
            return CODE_INVALID_NAVI;  // no room for the "/" it needs
        }
        data.HelpPath += '/';
    }
    GetColorInfo(data, text);
    if (GetInfo(index, "[Color]", "ButtonFont", data.ButtonFont, kPathMax) != 0) {
        data.ButtonFont = kDefaultButtonFont;
    }
    if (GetExtensionData(text, "[Extension]", data.ExtList) != 0 ||
        GetExtensionData(text, "[Application]", data.AppList) != 0) {
        return CODE_INVALID_NAVI;
    }
    return 0;
}

int GetNaviInfo(NaviData& data, const char* waymark) {
    data = NaviData{};
    if (waymark == nullptr || *waymark == '\0') {
        return CODE_NO_WAYMARK_ENV;
    }
    data.DataDir = AbsoluteDir(waymark);
    std::string text;
    // A save that was cut off is finished, or thrown away, before reading.
    if (data.DataDir.empty() || data.DataDir.size() >= kPathMax ||
        RecoverNaviFiles(data.DataDir) != 0 || wyReadFile(NaviFilePath(data), text) != 0) {
        return CODE_READ_NAVI_FAILED;
    }
    return ParseNaviText(data, text);
}

int GetUserInfo(NaviData& data, int index) {
    std::string text;
    if (wyReadFile(UserFilePath(data, index), text) != 0) {
        return CODE_READ_USER_FAILED;
    }
    return ParseUserText(data, text);
}

int ParseUserText(NaviData& data, const std::string& text) {
    const SectionIndex index(text);
    data.UserList.emplace_back();
    NaviUser& user = data.UserList.back();
    std::string del;
    int menuCount = 0;
    if (GetInfo(index, "[Init]", "UserName", user.UserName, kNameMax) != 0 ||
        GetInfo(index, "[Init]", "MenuCount", menuCount) != 0 ||
        GetInfo(index, "[Init]", "Delete", del, kDeleteMax) != 0 || menuCount < 0 ||
        menuCount > kMaxMenus) {
        return CODE_INVALID_USER;
    }
    user.NoDelete = del == "No";
    for (int m = 0; m < menuCount; ++m) {
        user.MenuList.emplace_back();
        user.MenuCount = static_cast<int>(user.MenuList.size());
        NaviMenu& menu = user.MenuList.back();
        const std::string menuSection = Format("[Menu%02d]", m);
        int itemCount = 0;
        if (GetInfo(index, menuSection.c_str(), "MenuName", menu.MenuName, kNameMax) != 0 ||
            GetInfo(index, menuSection.c_str(), "ItemCount", itemCount) != 0 || itemCount < 0 ||
            itemCount > kMaxItems) {
            return CODE_INVALID_USER;
        }
        for (int n = 0; n < itemCount; ++n) {
            menu.ItemList.emplace_back();
            menu.ItemCount = static_cast<int>(menu.ItemList.size());
            NaviItem& item = menu.ItemList.back();
            const std::string s = Format("[Item%02d-%03d]", m, n);
            if (GetInfo(index, s.c_str(), "ItemName", item.ItemName, kNameMax) != 0 ||
                GetInfo(index, s.c_str(), "LinkName", item.LinkName, kLinkMax) != 0 ||
                GetInfo(index, s.c_str(), "ItemCategory", item.ItemCategory) != 0 ||
                item.ItemCategory < CATEGORY_WEB || item.ItemCategory > CATEGORY_DOCUMENT ||
                GetInfo(index, s.c_str(), "Date", item.Date, kDateMax) != 0) {
                return CODE_INVALID_USER;
            }
            if (GetInfo(index, s.c_str(), "IconPath", item.IconPath, kPathMax) != 0 ||
                !IsRegularFile(item.IconPath)) {
                item.IconPath.clear();
            }
        }
    }
    return 0;
}

int ReadNaviInfo(NaviData& data, const char* waymark) {
    int code = GetNaviInfo(data, waymark);
    for (int i = 0; code == 0 && i < data.UserCount; ++i) {
        code = GetUserInfo(data, i);
    }
    return code;
}

int ReadNaviInfo(NaviData& data) {
    return ReadNaviInfo(data, std::getenv("WAYMARK"));
}

// ---- writing -----------------------------------------------------------

void SetInfo(std::string& text, const char* section) {
    text += '\n';
    text += section;
    text += '\n';
}

void SetInfo(std::string& text, const char* key, const std::string& value) {
    text += key;
    text += '=';
    text += value;
    text += '\n';
}

void SetInfo(std::string& text, const char* key, int value) {
    SetInfo(text, key, std::to_string(value));
}

void SetColorInfo(std::string& text, const char* key, unsigned short component) {
    SetInfo(text, key, std::to_string(static_cast<unsigned>(component) >> 8));
}

void SetExtensionData(std::string& text, const std::vector<NaviExt>& list) {
    for (const NaviExt& e : list) {
        SetInfo(text, e.Key.c_str(), e.Value);
    }
}

int BuildNaviText(const NaviData& data, std::string& out) {
    const int users = static_cast<int>(data.UserList.size());
    if (users > kMaxUsers || !Storable(data.Version, kVersionMax, true) ||
        !Storable(data.WebAP, kPathMax, true) || !Storable(data.WebProcName, kPathMax, true) ||
        !Storable(data.FileManager, kPathMax, false) || !Storable(data.HelpPath, kPathMax, true) ||
        !Storable(data.ButtonFont, kPathMax, false) || !StorableList(data.ExtList) ||
        !StorableList(data.AppList)) {
        return CODE_WRITE_NAVI_FAILED;
    }
    std::string text;
    try {
        text.reserve(2048);
        SetInfo(text, kNaviHeader);
        SetInfo(text, "[Init]");
        SetInfo(text, "Version", data.Version);
        int current = data.CurrentUser;
        if (users == 0) {
            current = -1;
        } else if (current < 0 || current >= users) {
            current = 0;  // the reader would take any other value as 0
        }
        SetInfo(text, "CurrentUser", current);
        SetInfo(text, "UserCount", users);
        SetInfo(text, "WebAP", data.WebAP);
        SetInfo(text, "WebProcName", data.WebProcName);
        if (!data.FileManager.empty()) {
            SetInfo(text, "FileManager", data.FileManager);
        }
        SetInfo(text, "HelpPath", data.HelpPath);
        SetInfo(text, "[Color]");
        const NaviColor* colors[4] = {&data.ToggleN, &data.ToggleA, &data.TStringN, &data.TStringA};
        for (int i = 0; i < 12; ++i) {
            const NaviColor& c = *colors[i / 3];
            SetColorInfo(text, kColorKeys[i], i % 3 == 0 ? c.red : (i % 3 == 1 ? c.green : c.blue));
        }
        SetInfo(text, "ButtonFont", data.ButtonFont);
        SetInfo(text, "[Extension]");
        SetExtensionData(text, data.ExtList);
        SetInfo(text, "[Application]");
        SetExtensionData(text, data.AppList);
    } catch (const std::bad_alloc&) {
        return CODE_NO_MEMORY;
    }
    out.swap(text);
    return 0;
}

int BuildUserText(const NaviData& data, int index, std::string& out) {
    const NaviUser* user = GetUser(data, index);
    if (user == nullptr || !Storable(user->UserName, kNameMax, true) ||
        user->MenuList.size() > static_cast<std::size_t>(kMaxMenus)) {
        return CODE_WRITE_USER_FAILED;
    }
    std::string text;
    try {
        text.reserve(2048);
        SetInfo(text, kUserHeader);
        SetInfo(text, "[Init]");
        SetInfo(text, "UserName", user->UserName);
        SetInfo(text, "MenuCount", static_cast<int>(user->MenuList.size()));
        SetInfo(text, "Delete", std::string(user->NoDelete ? "No" : "Yes"));
        for (std::size_t m = 0; m < user->MenuList.size(); ++m) {
            const NaviMenu& menu = user->MenuList[m];
            if (!Storable(menu.MenuName, kNameMax, true) ||
                menu.ItemList.size() > static_cast<std::size_t>(kMaxItems)) {
                return CODE_WRITE_USER_FAILED;
            }
            SetInfo(text, Format("[Menu%02d]", static_cast<int>(m)).c_str());
            SetInfo(text, "MenuName", menu.MenuName);
            SetInfo(text, "ItemCount", static_cast<int>(menu.ItemList.size()));
            for (std::size_t n = 0; n < menu.ItemList.size(); ++n) {
                const NaviItem& item = menu.ItemList[n];
                if (!Storable(item.ItemName, kNameMax, true) ||
                    !Storable(item.LinkName, kLinkMax, true) ||
                    !Storable(item.Date, kDateMax, true) ||
                    !Storable(item.IconPath, kPathMax, false) || item.ItemCategory < CATEGORY_WEB ||
                    item.ItemCategory > CATEGORY_DOCUMENT) {
                    return CODE_WRITE_USER_FAILED;
                }
                SetInfo(
                    text,
                    Format("[Item%02d-%03d]", static_cast<int>(m), static_cast<int>(n)).c_str());
                SetInfo(text, "ItemName", item.ItemName);
                SetInfo(text, "LinkName", item.LinkName);
                SetInfo(text, "ItemCategory", item.ItemCategory);
                SetInfo(text, "Date", item.Date);
                if (!item.IconPath.empty()) {
                    SetInfo(text, "IconPath", item.IconPath);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return CODE_NO_MEMORY;
    }
    out.swap(text);
    return 0;
}

int SetNaviInfo(const NaviData& data) {
    std::string text;
    const int code = BuildNaviText(data, text);
    if (code != 0) {
        return code;
    }
    return wyWriteFile(NaviFilePath(data), text) == 0 ? 0 : CODE_WRITE_NAVI_FAILED;
}

int SetUserInfo(const NaviData& data, int index) {
    std::string text;
    const int code = BuildUserText(data, index, text);
    if (code != 0) {
        return code;
    }
    return wyWriteFile(UserFilePath(data, index), text) == 0 ? 0 : CODE_WRITE_USER_FAILED;
}

namespace {

// A file that already holds `text` is left alone: switching users changes
// one line of Waymark.dat, and rewriting and syncing twenty unchanged user
// files made every switch wait for the disk.
bool Unchanged(const std::string& path, const std::string& text) {
    std::string present;
    return suite::ReadWholeFile(path, present) == 0 && present == text;
}

}  // namespace

int WriteNaviInfo(const NaviData& data) {
    // Every text is built before anything is written, so a model the reader
    // would refuse leaves all files as they were.
    std::string navi;
    int code = BuildNaviText(data, navi);
    if (code != 0) {
        return code;
    }
    const int users = static_cast<int>(data.UserList.size());
    std::vector<std::string> texts(static_cast<std::size_t>(users));
    for (int i = 0; i < users; ++i) {
        code = BuildUserText(data, i, texts[static_cast<std::size_t>(i)]);
        if (code != 0) {
            return code;
        }
    }
    // A save cut off after it committed is finished first: what is on disk
    // is compared below, and finishing it later would put back its texts.
    if (RecoverNaviFiles(data.DataDir) != 0) {
        return CODE_WRITE_USER_FAILED;
    }
    // Only what changed is written; the files that change and the stale
    // ones above the count are replaced as one set, so a reordering or a
    // deletion cut off half way never leaves one user twice and another
    // gone.
    std::vector<suite::SetChange> changes;
    for (int i = 0; i < users; ++i) {
        const std::string path = UserFilePath(data, i);
        if (!Unchanged(path, texts[static_cast<std::size_t>(i)])) {
            changes.push_back(
                {path.substr(data.DataDir.size()), texts[static_cast<std::size_t>(i)]});
        }
    }
    const bool naviChanged = !Unchanged(NaviFilePath(data), navi);
    if (naviChanged) {
        changes.push_back({"Waymark.dat", navi});
    }
    for (int k = users; k < kMaxUsers; ++k) {
        struct stat st {};
        if (::stat(UserFilePath(data, k).c_str(), &st) != 0) {
            break;
        }
        changes.push_back({UserFilePath(data, k).substr(data.DataDir.size()), std::nullopt});
    }
    const int err = suite::ReplaceFileSet(data.DataDir, changes, kSaveRecord, IsDataFileName);
    if (err == 0) {
        return 0;
    }
    // A directory that takes no new file (a locked-down home) cannot hold a
    // set; its writable files are still rewritten in place, one by one.
    if ((err == EACCES || err == EPERM) && ::access(data.DataDir.c_str(), W_OK) != 0) {
        for (const suite::SetChange& c : changes) {
            if (c.data && wyWriteFile(data.DataDir + c.name, *c.data) != 0) {
                return c.name == "Waymark.dat" ? CODE_WRITE_NAVI_FAILED : CODE_WRITE_USER_FAILED;
            }
        }
        return 0;
    }
    const bool naviOnly = naviChanged && changes.size() == 1;
    return naviOnly ? CODE_WRITE_NAVI_FAILED : CODE_WRITE_USER_FAILED;
}

}  // namespace wm
