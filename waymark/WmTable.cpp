// Title and text tables of the launcher's message and confirmation boxes.
#include "waymark/WmTable.h"

#include <iterator>

#include "common/I18n.h"

namespace wm {
namespace {

const char* const kTitles[] = {
    N_("Memory Error"),
    N_("Add Menu"),
    N_("Add User"),
    " ",
    " ",
    N_("Modify Menu Name"),
    N_("Modify User Name"),
    N_("Modify Item Name"),
    " ",
    N_("Add Item"),
    N_("Format Error"),
    N_("Input Error"),
    N_("Starting Application"),
};

const char* const kTexts[] = {
    N_("Not enough memory to continue.\nPlease close unnecessary applications."),
    N_("Menu Name is not configured."),
    N_("User Name is not configured."),
    " ",
    " ",
    N_("Item Name is not configured."),
    " ",
    N_("Configured Item is not URL."),
    N_("Failed to obtain WAYMARK environment variables."),
    N_("Failed to read Waymark.dat file."),
    N_("Invalid Waymark.dat file."),
    N_("Failed to read User.dat files."),
    N_("Invalid User.dat file."),
    N_("Failed to write Waymark.dat file."),
    N_("Failed to write User.dat file."),
    N_("Input name is already used or registered."),
    N_("Invalid Item.  Please use URL start with http, ftp or file name start with /. "),
    N_("Place of Item is not configured."),
    N_("File not exists."),
    N_("Directory cannot be saved."),
    N_("This file is not valid file."),
    N_("Application \n is not exists to run this file."),
    N_("Characters exceed.  No more than 20 characters are not permitted."),
    N_("Cannot add new Items. No more than 100 Items in Menu are not permitted."),
    N_("Inputted characters exceed 2048."),
    N_("Dropped data is not a file or URL, registration cancelled."),
    N_("Waymark is already running."),
};

const char* const kConfirmTitles[] = {
    N_("Delete Menu Confirmation"),
    N_("Delete User Confirmation"),
    N_("Delete Item Confirmation"),
};

const char* const kConfirmTexts[] = {
    N_("Deleting all Items configured in Menu.\nYes or No?"),
    N_("Deleting all Menu and Items configured \nin User.  Yes or No?"),
    N_("Deleting Item.  Yes or No?"),
};

template <std::size_t N>
const char* Lookup(const char* const (&table)[N], int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) {
        return nullptr;
    }
    return table[index];
}

std::string Translate(const char* id) {
    return id != nullptr ? std::string(_(id)) : std::string();
}

}  // namespace

const char* MessageTitleId(int index) {
    return Lookup(kTitles, index);
}
const char* MessageTextId(int index) {
    return Lookup(kTexts, index);
}
const char* ConfirmTitleId(int index) {
    return Lookup(kConfirmTitles, index);
}
const char* ConfirmTextId(int index) {
    return Lookup(kConfirmTexts, index);
}

std::string GetMessageTitle(int code) {
    return Translate(MessageTitleId(MessageTitleIndex(code)));
}
std::string GetMessageText(int code) {
    return Translate(MessageTextId(MessageTextIndex(code)));
}
std::string GetConfirmTitle(int code) {
    return Translate(ConfirmTitleId(MessageTitleIndex(code)));
}
std::string GetConfirmText(int code) {
    return Translate(ConfirmTextId(MessageTextIndex(code)));
}

}  // namespace wm
