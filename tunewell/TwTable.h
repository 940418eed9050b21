// Tunewell's result codes and their texts, used by every module: the core
// reports through TwReport(), whose handler is the window's TwMessageBox (a
// recorder in tests); TwMessageString() gives the text a code shows.
#pragma once

#include <functional>
#include <string>

namespace tw {

// 0 is success; the top byte is the class, the low 16 bits the text index.
inline constexpr unsigned TW_CLASS_SYSTEM = 0x01;
inline constexpr unsigned TW_CLASS_NETWORK = 0x02;
inline constexpr unsigned TW_CLASS_DIALUP = 0x03;
inline constexpr unsigned TW_CLASS_TIME = 0x04;
inline constexpr unsigned TW_CLASS_FILE = 0x05;  // texts that name a file
inline constexpr unsigned TW_CLASS_INFORMATION = 0x0F;

constexpr unsigned TwCodeClass(int code) {
    return static_cast<unsigned>(code) >> 24;
}

inline constexpr int TW_NO_MEMORY = 0x01010001;
inline constexpr int TW_NO_ROOT = 0x01010002;
inline constexpr int TW_NO_WYCFG = 0x01010003;

inline constexpr int TW_NET_BAD_NAMESERVER = 0x02000000;
inline constexpr int TW_NET_BAD_IPADDRESS = 0x02000001;
inline constexpr int TW_NET_BAD_NETMASK = 0x02000002;
inline constexpr int TW_NET_BAD_GATEWAY = 0x02000003;
inline constexpr int TW_NET_BAD_HOSTNAME = 0x02000004;
inline constexpr int TW_NET_BAD_DOMAINNAME = 0x02000005;
inline constexpr int TW_NET_ADDRESS_USED = 0x02000006;
inline constexpr int TW_NET_HOSTNAME_FAILED = 0x02000007;
inline constexpr int TW_NET_DOMAINNAME_FAILED = 0x02000008;
inline constexpr int TW_NET_NO_HOSTNAME = 0x02000009;
inline constexpr int TW_NET_NO_DOMAINNAME = 0x0200000A;
inline constexpr int TW_NET_HOSTNAME_TOO_LONG = 0x0200000B;
inline constexpr int TW_NET_DOMAINNAME_TOO_LONG = 0x0200000C;
inline constexpr int TW_NET_NO_ESSID = 0x0200000D;
inline constexpr int TW_NET_ESSID_TOO_LONG = 0x0200000E;
inline constexpr int TW_NET_NO_KEY = 0x0200000F;
inline constexpr int TW_NET_KEY_TOO_LONG = 0x02000010;
inline constexpr int TW_NET_HEXKEY_TOO_LONG = 0x02000011;
inline constexpr int TW_NET_HEXKEY_TOO_SHORT = 0x02000012;
inline constexpr int TW_NET_BAD_KEY = 0x02000013;
inline constexpr int TW_NET_STRKEY_TOO_LONG = 0x02000014;
inline constexpr int TW_NET_STRKEY_TOO_SHORT = 0x02000015;
inline constexpr int TW_NET_BAD_ESSID = 0x02000016;
inline constexpr int TW_NET_KEY_NOT_CONFIRMED = 0x02000017;
inline constexpr int TW_NET_KEY_MISMATCH = 0x02000018;
inline constexpr int TW_NET_SILENT = 0x02000FFF;

inline constexpr int TW_DIAL_NO_PHONE = 0x03000000;
inline constexpr int TW_DIAL_PHONE_TOO_LONG = 0x03000001;
inline constexpr int TW_DIAL_BAD_PHONE = 0x03000002;
inline constexpr int TW_DIAL_NO_ACCOUNT = 0x03000003;
inline constexpr int TW_DIAL_ACCOUNT_TOO_LONG = 0x03000004;
inline constexpr int TW_DIAL_NO_PASSWORD = 0x03000005;
inline constexpr int TW_DIAL_PASSWORD_TOO_LONG = 0x03000006;
inline constexpr int TW_DIAL_BAD_PASSWORD = 0x03000007;
inline constexpr int TW_DIAL_AT_TOO_LONG = 0x03000008;
// Control bytes in the account would reach a root shell script and pppd.
inline constexpr int TW_DIAL_BAD_ACCOUNT = 0x03000009;
// PAP and CHAP secrets that begin with "@/" name a file the PPP daemon reads.
inline constexpr int TW_DIAL_FILE_PASSWORD = 0x0300000A;
inline constexpr int TW_DIAL_SILENT = 0x03000FFF;

inline constexpr int TW_TIME_BAD_YEAR = 0x04000000;
inline constexpr int TW_TIME_BAD_DATE = 0x04000001;
inline constexpr int TW_TIME_BAD_TIME = 0x04000002;
inline constexpr int TW_TIME_NO_ZONE = 0x04000003;
// The clock could not be set (conversion or the system refused).
inline constexpr int TW_TIME_SET_FAILED = 0x04000004;

inline constexpr int TW_FILE_OPEN = 0x05010000;
inline constexpr int TW_FILE_READ = 0x05010001;
inline constexpr int TW_FILE_WRITE = 0x05010002;
inline constexpr int TW_FILE_NO_EXEC = 0x05010003;
inline constexpr int TW_FILE_NO_VALUE = 0x05010004;
// A site script or the hardware-clock command failed in the apply process.
inline constexpr int TW_FILE_RUN_FAILED = 0x05010005;
// The tree lock stayed taken past the time limit.
inline constexpr int TW_FILE_BUSY = 0x05010006;
inline constexpr int TW_FAILED = 0x0501FFFF;  // failed, the user has been told

inline constexpr int TW_REFLECTED = 0x0F000000;

// Apply flow.
inline constexpr int TW_APPLY_STARTED = static_cast<int>(0xF0000001u);
inline constexpr int TW_APPLY_FATAL = static_cast<int>(0xF0000002u);
inline constexpr int TW_CHANGED = 5;

// Message-window styles.
inline constexpr int TW_STYLE_ERROR = 0x20004;
inline constexpr int TW_STYLE_INFO = 0x20001;

// The untranslated text of a code ("" for an unknown class or index, and for
// TW_FAILED and the silent codes).
const char* TwMessageText(int code);

// Translated text of `code`; file-class texts get `text` in place of their
// "%s" when it is not empty, else keep the "%s".
std::string TwMessageString(int code, const std::string& text);

// Receives every message the core shows: code, file name or detail, style.
// Returns what the message window returned.
using TwMessageHandler = std::function<int(int code, const std::string& text, int style)>;

// Installs the handler (an empty one discards messages); returns the previous.
TwMessageHandler SetTwMessageHandler(TwMessageHandler handler);

// Shows `code` through the installed handler; nothing for 0 and TW_FAILED.
int TwReport(int code, const std::string& text = {}, int style = TW_STYLE_ERROR);

}  // namespace tw
