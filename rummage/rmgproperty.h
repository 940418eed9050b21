// Widget-free half of the property dialog: the facts shown about one item,
// the mode toggles' bits, who may change what, and applying the edits in
// the order permissions, ownership, name.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rmg {

// Bits of the 3 x 4 toggles: rows User, Group, Other; columns Read,
// Write, Exec, Special.
inline constexpr mode_t kModeToggleBits[3][4] = {
    {0400, 0200, 0100, 04000}, {040, 020, 010, 02000}, {04, 02, 01, 01000}};

// Untranslated kind text of a file-type code ("Directory" ...).
const char* FileKindText(int type);

struct PropertyInfo {
    std::string path;    // as given (a directory from the tree ends in "/")
    std::string name;    // last component
    std::string parent;  // ends in "/"
    struct stat st {};
    int type = 0;             // file-type code
    std::string kindText;     // translated, with the link target for links
    std::string sizeText;     // "%s (%dByte)"
    std::string timeText[3];  // changed, modified, accessed
    std::string owner;        // empty when the id has no name
    std::string group;
    std::vector<std::string> groups;  // the group list's entries
    // Who may change what (CheckPermission).
    bool ownerEditable = false;
    bool nameEditable = false;
    bool groupEditable = false;
    bool modeEditable = false;  // never for a symbolic link
};

// Fills `info` for `path` as the user `uid` sees it (links not followed).
// False when the item cannot be read.
bool ReadPropertyInfo(const std::string& path, uid_t uid, PropertyInfo& info);

// "%s (%dByte)" with the short size and the exact 64-bit byte count.
std::string PropertySizeText(std::uint64_t size);

// Four octal digits of the permission and special bits ("0644").
std::string ModeText(mode_t mode);

// The group entries offered: for the superuser every group in database
// order; else the item's group followed by the groups whose member list
// names it.
std::vector<std::string> PropertyGroupList(gid_t itemGroup, uid_t uid);

struct PropertyEdit {
    mode_t mode = 0;    // permission and special bits wanted
    std::string owner;  // texts of the owner and group fields
    std::string group;
    std::string name;  // new last component
};

// Outcomes of ApplyPropertyEdit.
inline constexpr int PROPERTY_DONE = 0;
inline constexpr int PROPERTY_KEEP_OWNER = 1;  // ownership refused; dialog stays
inline constexpr int PROPERTY_KEEP_NAME = 2;   // new name refused; dialog stays

// Applies what changed against `info` (as read when the dialog opened):
// the mode (never through a link), then owner and group (only when a text
// changed; the link itself, and set-ID bits put back after the change),
// then the name.  Error boxes through the engine's interface; a refused
// name gives its path-check code in `nameCode` and shows no box (the
// dialog shows it on the name field).  A rename of `currentDir` or of a
// directory above it moves `currentDir` along.
int ApplyPropertyEdit(const PropertyInfo& info, const PropertyEdit& edit, std::string& currentDir,
                      int* nameCode);

}  // namespace rmg
