#include "rummage/rmgproperty.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/I18n.h"
#include "rummage/rmgcommands.h"
#include "rummage/rmgfileop.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

const char* const kKindTexts[] = {
    N_("Directory"),   N_("Execute file"),       N_("Normal file"),
    N_("Core file"),   N_("Symbolic link file"), N_("Stalled link file"),
    N_("Socket file"), N_("Special device"),     N_("FIFO file"),
};

void ShowError(const char* text) {
    if (UserInterface* ui = GetFileOpUi()) {
        ui->MessageBox(_("Error"), _(text), MB_OK + MB_ICON_STOP);
    }
}

bool LookUpUser(const std::string& name, uid_t& uid) {
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buf[4096];
    if (name.empty() || getpwnam_r(name.c_str(), &pw, buf, sizeof buf, &found) != 0 ||
        found == nullptr) {
        return false;
    }
    uid = found->pw_uid;
    return true;
}

bool LookUpGroup(const std::string& name, gid_t& gid) {
    struct group gr {};
    struct group* found = nullptr;
    std::vector<char> buf(65536);
    if (name.empty() || getgrnam_r(name.c_str(), &gr, buf.data(), buf.size(), &found) != 0 ||
        found == nullptr) {
        return false;
    }
    gid = found->gr_gid;
    return true;
}

}  // namespace

const char* FileKindText(int type) {
    if (type < 0 || type > FILETYPE_FIFO) {
        type = FILETYPE_NORMAL;
    }
    return kKindTexts[type];
}

std::string PropertySizeText(std::uint64_t size) {
    // The byte count is 64-bit: "%d" would wrap at 2 GiB.
    std::string format = _("%s (%dByte)");
    const std::size_t mark = format.find("%d");
    if (mark != std::string::npos) {
        format.replace(mark, 2, std::to_string(size));
    }
    return FillText(format.c_str(), {ConvertSize(size)});
}

std::string ModeText(mode_t mode) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04o", static_cast<unsigned>(mode & 07777));
    return buf;
}

std::vector<std::string> PropertyGroupList(gid_t itemGroup, uid_t uid) {
    std::vector<std::string> list;
    const std::string own = GroupName(itemGroup);
    if (uid != 0 && !own.empty()) {
        list.push_back(own);
    }
    setgrent();
    while (struct group* gr = getgrent()) {
        std::string name = gr->gr_name != nullptr ? gr->gr_name : "";
        if (name.empty() || name.size() > 127) {
            continue;
        }
        if (uid == 0) {
            list.push_back(name);
            continue;
        }
        if (gr->gr_gid == itemGroup || own.empty()) {
            continue;
        }
        for (char** member = gr->gr_mem; member != nullptr && *member != nullptr; ++member) {
            if (own == *member) {
                list.push_back(name);
                break;
            }
        }
    }
    endgrent();
    return list;
}

bool ReadPropertyInfo(const std::string& path, uid_t uid, PropertyInfo& info) {
    info = PropertyInfo();
    if (path.empty() || lstat(path.c_str(), &info.st) != 0) {
        return false;
    }
    info.path = path;
    info.name = GetLastPath(path);
    info.parent = GetParentDirectory(path);
    info.type = GetFileType(path.c_str(), info.st);
    info.kindText = _(FileKindText(info.type));
    if (S_ISLNK(info.st.st_mode)) {
        char target[kPathBufferSize];
        const ssize_t n = readlink(StripSlash(path).c_str(), target, kPathMax);
        const std::string text = n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
        info.kindText = FillText(_("%s (Exist file:%s)"), {info.kindText, text});
    }
    info.sizeText = PropertySizeText(static_cast<std::uint64_t>(info.st.st_size));
    const std::time_t times[3] = {info.st.st_ctime, info.st.st_mtime, info.st.st_atime};
    const int japanese = pGTable != nullptr ? pGTable->JapaneseLocale : 0;
    for (int i = 0; i < 3; ++i) {
        GetFormatTime(times[i], info.timeText[i], true, japanese);
    }
    info.owner = UserName(info.st.st_uid);
    info.group = GroupName(info.st.st_gid);
    info.groups = PropertyGroupList(info.st.st_gid, uid);

    const bool root = uid == 0;
    const bool mayEdit = root || uid == info.st.st_uid;
    info.ownerEditable = root;
    info.nameEditable = mayEdit && !(pGTable != nullptr && path == pGTable->HomeDir);
    info.groupEditable = mayEdit;
    // A link's own mode means nothing and chmod would change its target.
    info.modeEditable = mayEdit && !S_ISLNK(info.st.st_mode);
    return true;
}

int ApplyPropertyEdit(const PropertyInfo& info, const PropertyEdit& edit, std::string& currentDir,
                      int* nameCode) {
    const std::string target = StripSlash(info.path);
    struct stat now {};
    const bool exists = lstat(target.c_str(), &now) == 0;
    const bool link = exists ? S_ISLNK(now.st_mode) : S_ISLNK(info.st.st_mode);
    const mode_t wanted = edit.mode & 07777;

    if (!link && exists && wanted != (now.st_mode & 07777) && chmod(target.c_str(), wanted) != 0) {
        ShowError(N_("Permission cannot be changed."));
    }

    // Unchanged texts need no look-up: an owner without a name would
    // otherwise block every other change.
    if (edit.owner != info.owner || edit.group != info.group) {
        uid_t uid = 0;
        gid_t gid = 0;
        if (!LookUpUser(edit.owner, uid) || !LookUpGroup(edit.group, gid)) {
            ShowError(N_("Owner/Group cannot be changed."));
            return PROPERTY_KEEP_OWNER;
        }
        if (uid != now.st_uid || gid != now.st_gid) {
            if (lchown(target.c_str(), uid, gid) != 0) {
                ShowError(N_("Owner/Group cannot be changed."));
            } else if (!link && (wanted & (S_ISUID | S_ISGID)) != 0) {
                // The ownership change cleared the set-ID bits just chosen.
                chmod(target.c_str(), wanted);
            }
        }
    }

    if (edit.name != info.name) {
        std::string newPath = info.parent + edit.name;
        int code =
            edit.name.find('/') != std::string::npos ? PATH_INACCURATE : CheckFileExist(newPath);
        if (code != PATH_NOT_EXIST) {
            if (nameCode != nullptr) {
                *nameCode = code;
            }
            return PROPERTY_KEEP_NAME;
        }
        int decided = 0;
        const int result = MoveFile(newPath, info.path, &decided);
        const std::string oldDir = target + "/";
        if (result == 0 && !currentDir.empty() &&
            currentDir.compare(0, oldDir.size(), oldDir) == 0) {
            // The shown directory (or one above it) has a new name.
            currentDir = newPath + "/" + currentDir.substr(oldDir.size());
        }
    }
    return PROPERTY_DONE;
}

}  // namespace rmg
