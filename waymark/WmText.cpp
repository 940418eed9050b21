// Text rules of the launcher: multibyte stepping, display names, dropped
// text, and the checks of typed names and links.
#include "waymark/WmText.h"

#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "common/TwoByteText.h"
#include "waymark/WmFile.h"
#include "waymark/WmTable.h"

namespace wm {
namespace {

bool HasHighBit(char c) {
    return (static_cast<unsigned char>(c) & 0x80u) != 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// %XX decoding of a URI path; false for a bad escape or a NUL byte.
bool DecodePercent(const std::string& in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) {
            return false;
        }
        const int hi = HexValue(in[i + 1]);
        const int lo = HexValue(in[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) {
            return false;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

}  // namespace

std::size_t CharLength(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) {
        return 0;
    }
    if (!HasHighBit(text[pos])) {
        return 1;
    }
    if (MB_CUR_MAX > 1) {
        std::mbstate_t state{};
        const std::size_t n = std::mbrlen(text.data() + pos, text.size() - pos, &state);
        if (n != 0 && n != static_cast<std::size_t>(-1) && n != static_cast<std::size_t>(-2)) {
            return n;
        }
    }
    // A single-byte locale, or bytes the locale cannot decode: the old
    // two-byte rule, but a pair only when the second byte is a trail byte.
    return suite::TwoByteStep(text.c_str() + pos, suite::kHighSecondByte);
}

std::string CutToBytes(const std::string& text, std::size_t limit) {
    std::size_t taken = 0;
    while (taken < text.size()) {
        const std::size_t n = CharLength(text, taken);
        if (taken + n > limit) {
            break;
        }
        taken += n;
    }
    return text.substr(0, taken);
}

std::string CreateDisplayString(const std::string& text, std::size_t width) {
    if (text.size() <= width) {
        return text;
    }
    if (width < 3) {
        return CutToBytes(text, width);
    }
    return CutToBytes(text, width - 3) + "...";
}

bool HasControlBytes(const std::string& text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            return true;
        }
    }
    return false;
}

std::string CleanValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\r' || c == '\0') {
            break;
        }
        if (u < 0x20 || u == 0x7F) {
            continue;
        }
        out += c;
    }
    return out;
}

bool BeginsWithNoCase(const std::string& text, const char* prefix) {
    return ::strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

namespace {

bool IsWebLink(const std::string& text) {
    return BeginsWithNoCase(text, "http") || BeginsWithNoCase(text, "ftp");
}

}  // namespace

DropText ParseDropText(const std::string& raw) {
    DropText drop;
    // Only the first line: a second line would end up inside the data file.
    std::string text = raw.substr(0, raw.find('\0'));
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    text = CleanValue(text);
    drop.file = BeginsWithNoCase(text, "file:");
    if (!drop.file && !IsWebLink(text)) {
        drop.code = CODE_BAD_DROP;
        return drop;
    }
    if (drop.file) {
        // The file manager drops "file:/a file:/b"; the first item is the drop.
        const std::size_t next = text.find(" file:");
        if (next != std::string::npos) {
            text.erase(next);
        }
        drop.link = text.substr(5);
        const std::size_t slash = drop.link.rfind('/');
        drop.name = slash == std::string::npos ? drop.link : drop.link.substr(slash + 1);
    } else {
        drop.link = text;
        const std::size_t start = text.find("//");
        if (start != std::string::npos) {
            const std::size_t end = text.find('/', start + 2);
            drop.name = text.substr(start + 2,
                                    end == std::string::npos ? std::string::npos : end - start - 2);
        }
    }
    drop.name = CutToBytes(drop.name, kNameMax);
    if (drop.link.size() > kLinkMax) {
        drop.code = CODE_LINK_EXCEED;
    }
    return drop;
}

std::string UriListToDropText(const std::string& uriList) {
    std::string first;
    std::size_t pos = 0;
    while (pos < uriList.size()) {
        std::size_t end = uriList.find('\n', pos);
        if (end == std::string::npos) {
            end = uriList.size();
        }
        std::string line = uriList.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#' || line.find('\0') != std::string::npos) {
            continue;
        }
        if (first.empty()) {
            first = line;
        }
        if (BeginsWithNoCase(line, "file:")) {
            std::string rest = line.substr(5);
            if (rest.compare(0, 2, "//") == 0) {
                const std::size_t slash = rest.find('/', 2);
                const std::string host =
                    rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
                if (slash == std::string::npos || !(host.empty() || host == "localhost")) {
                    continue;  // another machine's file is of no use here
                }
                rest.erase(0, slash);
            }
            std::string path;
            if (rest.empty() || rest[0] != '/' || !DecodePercent(rest, path) ||
                HasControlBytes(path)) {
                continue;
            }
            return "file:" + path;
        }
        if (IsWebLink(line)) {
            return line;
        }
    }
    return first;
}

ItemCheck CheckAddItem(const std::string& name, const std::string& link) {
    if (name.empty()) {
        return {CODE_ADD_NO_ITEM_NAME, 0};
    }
    if (name.size() > kNameMax) {
        return {CODE_CHARS_EXCEED, 0};
    }
    if (link.empty()) {
        return {CODE_ADD_NO_ITEM_PLACE, 1};
    }
    if (link.size() > kLinkMax) {
        return {CODE_LINK_EXCEED, 1};
    }
    if (IsWebLink(link)) {
        return {0, 1, CATEGORY_WEB};
    }
    if (link[0] != '/') {
        return {CODE_ADD_INVALID_ITEM, 1};
    }
    ItemCheck check{0, 1};
    struct stat st {};
    if (::stat(link.c_str(), &st) != 0) {
        check.code = CODE_ADD_FILE_NOT_EXISTS;
    } else if (S_ISDIR(st.st_mode)) {
        check.code = CODE_ADD_DIRECTORY;
    } else if (!S_ISREG(st.st_mode)) {
        check.code = CODE_ADD_NOT_VALID_FILE;
    } else {
        check.category = (st.st_mode & S_IXUSR) != 0 ? CATEGORY_APPLICATION : CATEGORY_DOCUMENT;
    }
    return check;
}

int CheckEditName(bool users, bool rename, const std::string& name,
                  const std::vector<std::string>& taken) {
    const int title = users ? (rename ? TITLE_MODIFY_USER_NAME : TITLE_ADD_USER)
                            : (rename ? TITLE_MODIFY_MENU_NAME : TITLE_ADD_MENU);
    if (name.empty()) {
        return EditNameCode(title, users ? TEXT_NO_USER_NAME : TEXT_NO_MENU_NAME);
    }
    if (name.size() > kNameMax) {
        return CODE_CHARS_EXCEED;
    }
    for (const std::string& other : taken) {
        if (other == name) {
            return EditNameCode(title, TEXT_NAME_USED);
        }
    }
    return 0;
}

int CheckItemName(const std::string& name) {
    if (name.empty()) {
        return CODE_RENAME_NO_ITEM_NAME;
    }
    if (name.size() > kNameMax) {
        return CODE_CHARS_EXCEED;
    }
    return 0;
}

std::string FormatRegistrationDate(const std::string& date, bool japanese) {
    if (date.size() < 8) {
        return std::string();
    }
    for (std::size_t i = 0; i < 8; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(date[i]))) {
            return std::string();
        }
    }
    const std::string year = date.substr(0, 4);
    const std::string month = date.substr(4, 2);
    const std::string day = date.substr(6, 2);
    if (japanese) {
        return year + "\xC7\xAF" + month + "\xB7\xEE" + day + "\xC6\xFC";
    }
    return month + "/" + day + "/" + year;
}

}  // namespace wm
