// The launcher's message codes and their title and text tables.  A code
// packs how the box closes, which title, which text and which picture, so
// every failure travels as one int; the core returns them, the dialogs show them.
#pragma once

#include <string>

namespace wm {

// Fields of a code: mode in bits 28-31, title in 20-27, text in 4-19, icon
// in 0-3.
constexpr int MakeMessageCode(int mode, int title, int text, int icon) {
    return static_cast<int>(
        (static_cast<unsigned>(mode) & 0xFu) << 28 | (static_cast<unsigned>(title) & 0xFFu) << 20 |
        (static_cast<unsigned>(text) & 0xFFFFu) << 4 | (static_cast<unsigned>(icon) & 0xFu));
}
constexpr int MessageMode(int code) {
    return static_cast<int>((static_cast<unsigned>(code) >> 28) & 0xFu);
}
constexpr int MessageTitleIndex(int code) {
    return static_cast<int>((static_cast<unsigned>(code) >> 20) & 0xFFu);
}
constexpr int MessageTextIndex(int code) {
    return static_cast<int>((static_cast<unsigned>(code) >> 4) & 0xFFFFu);
}
constexpr int MessageIcon(int code) {
    return static_cast<int>(static_cast<unsigned>(code) & 0xFu);
}

// Modes: OK closes; 2 is a Yes/No confirmation; 3 also ends the program.
inline constexpr int MODE_OK = 1;
inline constexpr int MODE_CONFIRM = 2;
inline constexpr int MODE_EXIT = 3;

// Pictures; any other value shows none.
inline constexpr int ICON_STOP = 0;
inline constexpr int ICON_INFO = 1;
inline constexpr int ICON_QUESTION = 2;

// Title indexes.
inline constexpr int TITLE_MEMORY_ERROR = 0;
inline constexpr int TITLE_ADD_MENU = 1;
inline constexpr int TITLE_ADD_USER = 2;
inline constexpr int TITLE_MODIFY_MENU_NAME = 5;
inline constexpr int TITLE_MODIFY_USER_NAME = 6;
inline constexpr int TITLE_MODIFY_ITEM_NAME = 7;
inline constexpr int TITLE_ADD_ITEM = 9;
inline constexpr int TITLE_FORMAT_ERROR = 10;
inline constexpr int TITLE_INPUT_ERROR = 11;
inline constexpr int TITLE_STARTING_APPLICATION = 12;

// Text indexes.
inline constexpr int TEXT_NO_MEMORY = 0;
inline constexpr int TEXT_NO_MENU_NAME = 1;
inline constexpr int TEXT_NO_USER_NAME = 2;
inline constexpr int TEXT_NO_ITEM_NAME = 5;
inline constexpr int TEXT_NOT_URL = 7;
inline constexpr int TEXT_NO_WAYMARK_ENV = 8;
inline constexpr int TEXT_READ_NAVI_FAILED = 9;
inline constexpr int TEXT_INVALID_NAVI = 10;
inline constexpr int TEXT_READ_USER_FAILED = 11;
inline constexpr int TEXT_INVALID_USER = 12;
inline constexpr int TEXT_WRITE_NAVI_FAILED = 13;
inline constexpr int TEXT_WRITE_USER_FAILED = 14;
inline constexpr int TEXT_NAME_USED = 15;
inline constexpr int TEXT_INVALID_ITEM = 16;
inline constexpr int TEXT_NO_ITEM_PLACE = 17;
inline constexpr int TEXT_FILE_NOT_EXISTS = 18;
inline constexpr int TEXT_DIRECTORY = 19;
inline constexpr int TEXT_NOT_VALID_FILE = 20;
inline constexpr int TEXT_NO_APPLICATION = 21;
inline constexpr int TEXT_CHARS_EXCEED = 22;
inline constexpr int TEXT_ITEMS_EXCEED = 23;
inline constexpr int TEXT_LINK_EXCEED = 24;
inline constexpr int TEXT_BAD_DROP = 25;
inline constexpr int TEXT_ALREADY_RUNNING = 26;

// Stop-icon codes, as the operations return them.
constexpr int StopCode(int mode, int title, int text) {
    return MakeMessageCode(mode, title, text, ICON_STOP);
}
inline constexpr int CODE_NO_MEMORY = StopCode(MODE_OK, TITLE_MEMORY_ERROR, TEXT_NO_MEMORY);
inline constexpr int CODE_NO_MEMORY_EXIT = StopCode(MODE_EXIT, TITLE_MEMORY_ERROR, TEXT_NO_MEMORY);
inline constexpr int CODE_NO_WAYMARK_ENV =
    StopCode(MODE_EXIT, TITLE_FORMAT_ERROR, TEXT_NO_WAYMARK_ENV);
inline constexpr int CODE_READ_NAVI_FAILED =
    StopCode(MODE_EXIT, TITLE_FORMAT_ERROR, TEXT_READ_NAVI_FAILED);
inline constexpr int CODE_INVALID_NAVI = StopCode(MODE_EXIT, TITLE_FORMAT_ERROR, TEXT_INVALID_NAVI);
inline constexpr int CODE_READ_USER_FAILED =
    StopCode(MODE_EXIT, TITLE_FORMAT_ERROR, TEXT_READ_USER_FAILED);
inline constexpr int CODE_INVALID_USER = StopCode(MODE_EXIT, TITLE_FORMAT_ERROR, TEXT_INVALID_USER);
inline constexpr int CODE_ALREADY_RUNNING =
    StopCode(MODE_EXIT, TITLE_FORMAT_ERROR, TEXT_ALREADY_RUNNING);
inline constexpr int CODE_WRITE_NAVI_FAILED =
    StopCode(MODE_OK, TITLE_FORMAT_ERROR, TEXT_WRITE_NAVI_FAILED);
inline constexpr int CODE_WRITE_USER_FAILED =
    StopCode(MODE_OK, TITLE_FORMAT_ERROR, TEXT_WRITE_USER_FAILED);
inline constexpr int CODE_CHARS_EXCEED = StopCode(MODE_OK, TITLE_INPUT_ERROR, TEXT_CHARS_EXCEED);
inline constexpr int CODE_LINK_EXCEED = StopCode(MODE_OK, TITLE_INPUT_ERROR, TEXT_LINK_EXCEED);
inline constexpr int CODE_BAD_DROP = StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_BAD_DROP);
inline constexpr int CODE_ITEMS_EXCEED =
    StopCode(MODE_OK, TITLE_STARTING_APPLICATION, TEXT_ITEMS_EXCEED);
inline constexpr int CODE_DOCUMENT_MISSING =
    StopCode(MODE_OK, TITLE_STARTING_APPLICATION, TEXT_FILE_NOT_EXISTS);
inline constexpr int CODE_NO_APPLICATION =
    StopCode(MODE_OK, TITLE_STARTING_APPLICATION, TEXT_NO_APPLICATION);
// The add-item window's refusals, and the rename-item window's.
inline constexpr int CODE_ADD_NO_ITEM_NAME = StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_NO_ITEM_NAME);
inline constexpr int CODE_ADD_NO_ITEM_PLACE = StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_NO_ITEM_PLACE);
inline constexpr int CODE_ADD_INVALID_ITEM = StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_INVALID_ITEM);
inline constexpr int CODE_ADD_FILE_NOT_EXISTS =
    StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_FILE_NOT_EXISTS);
inline constexpr int CODE_ADD_DIRECTORY = StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_DIRECTORY);
inline constexpr int CODE_ADD_NOT_VALID_FILE =
    StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_NOT_VALID_FILE);
inline constexpr int CODE_RENAME_NO_ITEM_NAME =
    StopCode(MODE_OK, TITLE_MODIFY_ITEM_NAME, TEXT_NO_ITEM_NAME);
// The user and menu editors' refusals: the title says which editor and
// whether it adds or renames, so the code is made from the two.
constexpr int EditNameCode(int title, int text) {
    return StopCode(MODE_OK, title, text);
}

// Confirmation codes: mode 2, Question picture, own title and text tables
// whose rows are these.
inline constexpr int CONFIRM_ROW_MENU = 0;
inline constexpr int CONFIRM_ROW_USER = 1;
inline constexpr int CONFIRM_ROW_ITEM = 2;
constexpr int ConfirmCode(int row) {
    return MakeMessageCode(MODE_CONFIRM, row, row, ICON_QUESTION);
}
inline constexpr int CONFIRM_DELETE_MENU = ConfirmCode(CONFIRM_ROW_MENU);
inline constexpr int CONFIRM_DELETE_USER = ConfirmCode(CONFIRM_ROW_USER);
inline constexpr int CONFIRM_DELETE_ITEM = ConfirmCode(CONFIRM_ROW_ITEM);

// Untranslated texts by index (nullptr outside the table), for lookups and
// tests; the Get* forms below translate through the "Waymark" domain.
const char* MessageTitleId(int index);
const char* MessageTextId(int index);
const char* ConfirmTitleId(int index);
const char* ConfirmTextId(int index);

// Translated title and text of a message or confirmation code; empty when
// the index lies outside its table.
std::string GetMessageTitle(int code);
std::string GetMessageText(int code);
std::string GetConfirmTitle(int code);
std::string GetConfirmText(int code);

}  // namespace wm
