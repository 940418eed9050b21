// Text rules of the launcher that need no window: stepping over multibyte
// characters, shortening names for display, reading dropped text, and the
// checks the editing windows apply to what a person typed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wm {

// Length of the character at `pos` by the locale's encoding (1 when the
// bytes do not decode there; 0 at the end).  A lead byte never swallows
// the byte after it unless that byte is a trail byte.
std::size_t CharLength(const std::string& text, std::size_t pos);

// The longest start of `text` of at most `limit` bytes made of whole
// characters.
std::string CutToBytes(const std::string& text, std::size_t limit);

// `text` whole when it fits `width` bytes, else whole characters while they
// and "..." fit, then "...".  Menu buttons use 12, item labels 13.
std::string CreateDisplayString(const std::string& text, std::size_t width);

// Any byte below 0x20, or 0x7F.
bool HasControlBytes(const std::string& text);
// The first line, without control bytes.
std::string CleanValue(const std::string& text);

// True when `text` begins with `prefix`, ASCII letters in any case.
bool BeginsWithNoCase(const std::string& text, const char* prefix);

// A dropped text turned into a proposed item.  `code` is 0, CODE_BAD_DROP
// (not http, ftp or "file:") or CODE_LINK_EXCEED (link over 2048 bytes).
// `name` is the host name of an address or the file name of a "file:"
// text, cut to 20 bytes; `link` is the address, or the path without
// "file:".  Only the first line counts, and of a run of "file:" items
// separated by blanks only the first.
struct DropText {
    int code = 0;
    std::string name;
    std::string link;
    bool file = false;
};
DropText ParseDropText(const std::string& raw);

// The first usable entry of a "text/uri-list" as a drop text: a "file:"
// URI becomes "file:" and its decoded local path, other URIs stay as they
// are; comments and empty lines are skipped.  Empty when none is usable.
std::string UriListToDropText(const std::string& uriList);

// Checks of the add-item window's OK, in order.  `field` tells which entry
// to select (0 name, 1 link); `category` is set on success.
struct ItemCheck {
    int code = 0;
    int field = 0;
    int category = 0;
};
ItemCheck CheckAddItem(const std::string& name, const std::string& link);

// Name check of the edit and rename windows.  `users` picks the user or
// menu texts, `rename` the Modify titles.  The name must not be empty, over
// 20 bytes, or equal to any of `taken`.  0 or the message code.
int CheckEditName(bool users, bool rename, const std::string& name,
                  const std::vector<std::string>& taken);
// Name check of the rename-item window (names need not be unique).
int CheckItemName(const std::string& name);

// The registration date shown by the rename-item window: "MM/DD/YYYY", or
// with the Japanese layout the year, month and day with their EUC-JP signs.
// Empty when `date` is not at least 8 digits.
std::string FormatRegistrationDate(const std::string& date, bool japanese);

}  // namespace wm
