#include "rummage/rmgstring.h"

#include "common/I18n.h"

namespace rmg {

namespace {

// Index = menu table position; null where the entry has no tip.
const char* const kMenuTips[kMenuTableSize] = {
    N_("Create a new window."),
    nullptr,
    N_("Open a file."),
    N_("Copy files."),
    N_("Rename or move files."),
    N_("Delete files."),
    nullptr,
    N_("Show property."),
    nullptr,
    N_("Close this window."),
    N_("Select all files in the current Directory."),
    N_("Select a group files."),
    N_("Reverses the list of tagged files."),
    nullptr,
    N_("Locate files on disk."),
    nullptr,
    N_("Create symbolic link."),
    nullptr,
    N_("Rescan the directory contents."),
    N_("Configure the application."),
    N_("Sort confirmation settings."),
    N_("Filter confirmation settings."),
    N_("Show Manual."),
    nullptr,
    N_("Abort this application."),
    N_("Create a new directory."),
    N_("Create a new file."),
};

const char* const kToolTips[kToolTableSize] = {
    N_("Go to the previously visited directory."),
    N_("Go up level in the directory heirarchy."),
    N_("Go to this directory."),
    nullptr,
    N_("Rescan the current directory."),
    nullptr,
    N_("Go to your home directory."),
    nullptr,
    N_("Show property."),
};

std::string& CopyTip(const char* text, std::string& out) {
    out.clear();
    if (text == nullptr) {
        return out;
    }
    const char* translated = _(text);
    std::string tip(translated);
    if (tip.size() <= kTipMax) {
        out = std::move(tip);
    }
    return out;
}

}  // namespace

const char* MenuTipText(int index) {
    return index >= 0 && index < kMenuTableSize ? kMenuTips[index] : nullptr;
}

const char* ToolTipText(int index) {
    return index >= 0 && index < kToolTableSize ? kToolTips[index] : nullptr;
}

std::string& GetMenuTipsString(int index, std::string& out) {
    return CopyTip(MenuTipText(index), out);
}

std::string& GetToolTipsString(int index, std::string& out) {
    return CopyTip(ToolTipText(index), out);
}

}  // namespace rmg
