// The dialer's coded messages: one 32-bit number selects the icon and
// buttons, the text, the title and whether the program ends afterwards.
// The core raises the codes; the message window (RoInterface) decodes them.
#pragma once

#include <cstdint>

namespace ro {

// Icon and button kinds (bits 0-3).
inline constexpr int MSG_STOP = 0;         // stop icon, one "OK"
inline constexpr int MSG_INFORMATION = 1;  // information icon, one "OK"
inline constexpr int MSG_QUESTION = 2;     // question icon, "OK" and "Cancel"

// Where the fields lie in a code.
inline constexpr std::uint32_t MSG_ICON_MASK = 0xFu;
inline constexpr unsigned MSG_TEXT_SHIFT = 4;
inline constexpr std::uint32_t MSG_TEXT_MASK = 0xFFFFu;
inline constexpr unsigned MSG_TITLE_SHIFT = 20;
inline constexpr std::uint32_t MSG_TITLE_MASK = 0xFFu;
// Bit 29: end the program's main loop once the message is closed.
inline constexpr std::uint32_t MSG_END_PROGRAM = 1u << 29;

// What the message window answers.
inline constexpr int MSG_ANSWER_NONE = 0;    // closed by the window manager, or nothing shown
inline constexpr int MSG_ANSWER_OK = 1;      // "OK" of a question
inline constexpr int MSG_ANSWER_CANCEL = 2;  // "Cancel", or a lone "OK"

// The codes the program raises.
inline constexpr std::uint32_t MSG_NOT_ROOT = 0x204000E0;
inline constexpr std::uint32_t MSG_ALREADY_STARTED = 0x204000F0;
inline constexpr std::uint32_t MSG_PPPD_START_FAILED = 0x20400050;
inline constexpr std::uint32_t MSG_CONFIG_START_FAILED = 0x204000D0;
inline constexpr std::uint32_t MSG_NO_OPTIONS = 0x20100030;
inline constexpr std::uint32_t MSG_NO_CHAT_SCRIPT = 0x20100040;
inline constexpr std::uint32_t MSG_OPTIONS_OPEN_FAILED = 0x20100090;
inline constexpr std::uint32_t MSG_OPTIONS_READ_FAILED = 0x201000B0;
inline constexpr std::uint32_t MSG_NO_MEMORY = 0x10000000;
inline constexpr std::uint32_t MSG_DIALUP_FAILED = 0x10500100;
inline constexpr std::uint32_t MSG_DISCONNECTED = 0x00200061;
inline constexpr std::uint32_t MSG_ASK_DISCONNECT = 0x00300072;
inline constexpr std::uint32_t MSG_ASK_CLOSE = 0x00300082;

// A code taken apart.  Texts are the untranslated catalogue keys; null when
// the index is outside the tables.
struct MessageParts {
    int icon = 0;
    const char* title = nullptr;
    const char* text = nullptr;
    bool endProgram = false;
};

MessageParts DecodeMessage(std::uint32_t code);

// Catalogue keys of the titles and texts, by index.
const char* MessageTitle(unsigned index);
const char* MessageText(unsigned index);

}  // namespace ro
