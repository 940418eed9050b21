// Dial-up settings: reading the PPP files of the three devices, checking the
// dial-up modify window, writing options, chat script, secrets and resolver
// file.  The window hands its entries over as a DialForm; a failed check names
// the entry to focus.  MakeChatScript() gives the exact script text for a
// device's settings (the dialer's end-to-end test uses it too).
#pragma once

#include <string>
#include <vector>

#include "tunewell/TwConfig.h"
#include "tunewell/TwNetwork.h"

namespace tw {

struct DialForm {
    std::string PhoneNumber;
    std::string Account;
    std::string Password;
    std::string AtCommand;
    std::vector<std::string> NameServers;
};

enum DialField {
    DIAL_FIELD_NONE,
    DIAL_FIELD_PHONE,
    DIAL_FIELD_ACCOUNT,
    DIAL_FIELD_PASSWORD,
    DIAL_FIELD_ATCOMMAND,
};

// "dialup/modem/", "dialup/phs/", "dialup/pdc/" for DIAL_MODEM..DIAL_PDC.
std::string DialupDirectory(int device);

// Start: the three devices in the order modem, PHS, PDC.
int InitializeDialupConf(const WYConfig& config, TwSetup& setup);
// AuthType from the secrets files present; the file holding the account.
void CheckAttestType(DialupConf& record, const std::string& deviceDir, std::string& accountFile);
void InitializeDialDevConf(int device, DialupConf& record, const std::string& chatScriptPath,
                           const std::string& accountPath);
void GetDialupAccount(DialupConf& record, const std::string& path);

// Phone number: 0 (stored without hyphens in record.PhoneNumber) or a class-3 code.
int TwCheckdigit(const std::string& entry, DialupConf& record);
// Whether `c` may continue the number; `seen` collects prefix letters used.
bool CheckNo(char c, const char* allowed, std::string* seen);

// OK of the modify window.  0, a class-3 code with `focus` set, or
// TW_DIAL_SILENT when the password confirmation was cancelled.
int CheckDialupConf(DialupConf& record, DialupConf& scratch, const DialForm& form,
                    const ConfirmFunction& confirm, int* focus);
void ClearDialupValue(DialupConf& scratch, const DialupConf& committed);

// The chat script for `record` on `device` (the five fields filled in).
std::string MakeChatScript(const WYConfig& config, int device, const DialupConf& record,
                           const TwPaths& paths);
// The secrets line "account * password\n", quoted where needed.
std::string MakeSecretsLine(const DialupConf& record);

// Writing.  0, TW_CHANGED or TW_APPLY_FATAL.
int ReflectionDialupConf(const WYConfig& config, const TwSetup& oldSetup, const TwSetup& newSetup,
                         const TwPaths& paths);
int ReflectionDialupDevice(const WYConfig& config, int device, const DialupConf& record);
int ReflectionDialupValue(const WYConfig& config, const DialupConf& record, int device,
                          const TwPaths& paths);

// Quoting of account and password (bare when only ordinary characters).
std::string QuoteForChat(const std::string& value);  // sh word for a chat send string
std::string QuoteForPppd(const std::string& value);  // pppd word (secrets, options)
// Reads one word of either syntax from `text` at `pos`, advancing `pos`.
bool ReadChatWord(const std::string& text, std::size_t& pos, std::string& value);
bool ReadPppdWord(const std::string& text, std::size_t& pos, std::string& value);

}  // namespace tw
