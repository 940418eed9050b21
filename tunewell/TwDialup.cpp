#include "tunewell/TwDialup.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tunewell/TwFile.h"
#include "tunewell/TwTable.h"

namespace tw {

namespace {

constexpr const char* kNumberChars = "0123456789#*ABCD-,@";
constexpr const char* kPrefixChars = "IJPW";
constexpr const char* kReadNumberChars = "0123456789#*ABCDW-,@abcdIJPijpw";
// What the phone-number entry takes, prefix letters and hyphens included.
constexpr std::size_t kPhoneEntryMax = 64;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsControl(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// An account or password entry: missing, too long or holding a control
// byte gives its code, else 0.
int CheckLoginText(const std::string& text, int missing, int tooLong, int invalid) {
    if (text.empty()) {
        return missing;
    }
    if (text.size() > kAccountMax) {
        return tooLong;
    }
    return std::any_of(text.begin(), text.end(), IsControl) ? invalid : 0;
}

// Characters that need no quoting in a shell word, a chat string or a pppd word.
bool IsOrdinary(const std::string& value) {
    if (value.empty()) {
        return false;
    }
    for (char c : value) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  std::strchr("@._+%:,/-", c) != nullptr;
        if (!ok || c == '\0') {
            return false;
        }
    }
    return true;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Moves `pos` past blanks; false when nothing is left.
bool SkipSpaces(const std::string& text, std::size_t& pos) {
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    return pos < text.size();
}

std::string DeviceDir(const WYConfig& config, int device) {
    return config.ConfigDir + DialupDirectory(device);
}

const std::string& DevicePath(const WYConfig& config, int device) {
    return device == DIAL_PHS   ? config.PhsDevice
           : device == DIAL_PDC ? config.PdcDevice
                                : config.ModemDevice;
}

const std::string& DeviceSpeed(const WYConfig& config, int device) {
    return device == DIAL_PHS   ? config.PhsSpeed
           : device == DIAL_PDC ? config.PdcSpeed
                                : config.ModemSpeed;
}

bool HasIPrefix(const std::string& number) {
    return number.find_first_of("Ii") != std::string::npos;
}

// pppd reads a secret that begins with "@/" from the file it names; no
// quoting in the secrets file prevents that.
bool NamesSecretFile(int authType, const std::string& password) {
    return (authType == AUTH_CHAP || authType == AUTH_PAP) && password.compare(0, 2, "@/") == 0;
}

int RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        TwReport(TW_FILE_WRITE, path);
        return TW_FAILED;
    }
    return 0;
}

// One additional AT command as it is written: no quote (it would end the
// quoting early), no control byte, "AT" in front unless it has it or is "A/".
// "" when nothing is left.
std::string CleanAtWord(const std::string& word) {
    std::string clean;
    for (char c : word) {
        if (c != '\'' && c != '"' && !IsControl(c)) {
            clean += c;
        }
    }
    if (clean.empty() || clean == "OK-AT-OK") {
        return "";
    }
    if (clean.compare(0, 2, "AT") != 0 && clean.compare(0, 2, "A/") != 0) {
        clean = "AT" + clean;
    }
    return clean;
}

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    for (std::size_t at = 0; SkipSpaces(text, at);) {
        std::size_t end = at;
        while (end < text.size() && !IsSpace(text[end])) {
            ++end;
        }
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// Finds the line that starts (after blanks) with `key` and reads the chat word after it.
bool ReadLoginValue(const std::string& text, const std::string& key, std::string& value) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t nl = text.find('\n', at);
        std::size_t end = nl == std::string::npos ? text.size() : nl;
        std::size_t k = text.find_first_not_of(" \t", at);
        if (k != std::string::npos && k < end && end - at <= kTwLineMax &&
            text.compare(k, key.size(), key) == 0) {
            std::size_t v = k + key.size();
            while (v < end && std::strchr("=\" \t", text[v]) != nullptr) {
                ++v;
            }
            std::string line = text.substr(v, end - v);
            std::size_t pos = 0;
            return ReadChatWord(line, pos, value) && !value.empty() && value != "\\";
        }
        at = end + 1;
    }
    return false;
}

}  // namespace

std::string DialupDirectory(int device) {
    return device == DIAL_PHS   ? "dialup/phs/"
           : device == DIAL_PDC ? "dialup/pdc/"
                                : "dialup/modem/";
}

// chat reads a send string that begins with '@' as a file to send, and sends
// EOT and BREAK as signals: such values go with their first byte in octal,
// which chat decodes only after those checks.
static bool IsChatSpecial(const std::string& value) {
    return (!value.empty() && value[0] == '@') || value == "EOT" || value == "BREAK";
}

std::string QuoteForChat(const std::string& value) {
    const bool special = IsChatSpecial(value);
    if (!special && IsOrdinary(value)) {
        return value;
    }
    // chat reads \\ and \ddd in its strings; the quote characters, '^' and
    // control bytes go as octal so neither sh nor chat sees them.
    std::string out = "'";
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\') {  // never the first byte of a special value
            out += "\\\\";
        } else if ((i == 0 && special) || c == '\'' || c == '"' || c == '^' || IsControl(c)) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
            out += octal;
        } else {
            out += c;
        }
    }
    out += "'";
    return out;
}

std::string QuoteForPppd(const std::string& value) {
    if (IsOrdinary(value)) {
        return value;
    }
    std::string out = "\"";
    for (char c : value) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += "\"";
    return out;
}

bool ReadChatWord(const std::string& text, std::size_t& pos, std::string& value) {
    if (!SkipSpaces(text, pos)) {
        return false;
    }
    std::string raw;
    while (pos < text.size() && !IsSpace(text[pos])) {
        char c = text[pos++];
        if (c == '\'') {
            std::size_t close = text.find('\'', pos);
            if (close == std::string::npos) {
                return false;
            }
            raw += text.substr(pos, close - pos);
            pos = close + 1;
        } else if (c == '\\' && pos < text.size() && !IsSpace(text[pos])) {
            raw += text[pos++];
        } else {
            raw += c;
        }
    }
    // Undo chat's own escapes: \\, \ddd and \s.
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 >= raw.size()) {
            out += raw[i];
            continue;
        }
        char n = raw[i + 1];
        if (n == '\\') {
            out += '\\';
            ++i;
        } else if (n == 's') {
            out += ' ';
            ++i;
        } else if (i + 3 < raw.size() + 0 && n >= '0' && n <= '7' && raw[i + 2] >= '0' &&
                   raw[i + 2] <= '7' && raw[i + 3] >= '0' && raw[i + 3] <= '7') {
            out += static_cast<char>(((n - '0') << 6) | ((raw[i + 2] - '0') << 3) |
                                     (raw[i + 3] - '0'));
            i += 3;
        } else {
            out += raw[i];
        }
    }
    value = out;
    return true;
}

bool ReadPppdWord(const std::string& text, std::size_t& pos, std::string& value) {
    if (!SkipSpaces(text, pos)) {
        return false;
    }
    std::string out;
    if (text[pos] == '"') {
        ++pos;
        while (pos < text.size() && text[pos] != '"') {
            if (text[pos] == '\\' && pos + 1 < text.size()) {
                ++pos;
            }
            out += text[pos++];
        }
        if (pos >= text.size()) {
            return false;
        }
        ++pos;
    } else {
        while (pos < text.size() && !IsSpace(text[pos])) {
            out += text[pos++];
        }
    }
    value = out;
    return true;
}

std::string MakeChatScript(const WYConfig& config, int device, const DialupConf& record,
                           const TwPaths& paths) {
    std::string country;
    if (device == DIAL_MODEM && config.ModemDevice == "/dev/ttyS14") {
        country = config.Japanese == 1 ? "+GCI=0" : "+GCI=B5";
    }
    const bool iPrefix = HasIPrefix(record.PhoneNumber);
    std::string serviceClass;
    if (device == DIAL_PHS || device == DIAL_PDC) {
        // The blank keeps the line's closing backslash from joining two words.
        serviceClass = std::string("'AT#CLS=") + (iPrefix ? "2" : "0") + "' OK-AT-OK ";
    }
    std::string commands;
    for (const std::string& word : SplitWords(record.AtCommand)) {
        std::string clean = CleanAtWord(word);
        if (!clean.empty()) {
            if (!commands.empty()) {
                commands += ' ';
            }
            commands += "'" + clean + "' OK-AT-OK";
        }
    }
    if (!commands.empty()) {
        commands += " \\\n";
    }
    std::string number = record.PhoneNumber;
    if (device == DIAL_PHS && iPrefix) {
        std::size_t n = 0;
        std::string keepP;
        while (n < number.size() && std::strchr(kPrefixChars, Upper(number[n])) != nullptr) {
            // Pulse-dial marker: it stays, in front of the digits.
            if (Upper(number[n]) == 'P') {
                keepP = number.substr(n, 1);
            }
            ++n;
        }
        number = keepP + number.substr(n);
    }
    std::string script = "#!/bin/sh\n\nexec " + paths.chat +
                         " -v \\\n"
                         "ABORT 'REDIAL ERROR' ABORT BUSY ABORT 'NO CARRIER' ABORT VOICE ABORT "
                         "ERROR \\\n"
                         "ABORT 'NO DIALTONE' ABORT 'NO DIAL TONE' ABORT 'NO ANSWER' TIMEOUT 90 "
                         "\\\n"
                         "'' 'AT" +
                         country + "&F' OK-AT-OK " + serviceClass + "\\\n" + commands +
                         (record.DialType == 1 ? "'ATDP" : "'ATDT") + number + "' \\\n";
    // sh would turn a bare \d\c into "dc"; quoted, chat gets its pause and no CR.
    if (record.AuthType == AUTH_SCRIPT) {
        script += "CONNECT '\\d\\c' \\\n\"ogin: \" " + QuoteForChat(record.Account) +
                  " \\\n\"assword: \" " + QuoteForChat(record.Password) + "\n";
    } else {
        script += "CONNECT '\\d\\c' \n";
    }
    return script;
}

std::string MakeSecretsLine(const DialupConf& record) {
    return QuoteForPppd(record.Account) + " * " + QuoteForPppd(record.Password) + "\n";
}

void CheckAttestType(DialupConf& record, const std::string& deviceDir, std::string& accountFile) {
    if (::access((deviceDir + "chap-secrets").c_str(), F_OK) == 0) {
        record.AuthType = AUTH_CHAP;
        accountFile = deviceDir + "chap-secrets";
    } else if (::access((deviceDir + "pap-secrets").c_str(), F_OK) == 0) {
        record.AuthType = AUTH_PAP;
        accountFile = deviceDir + "pap-secrets";
    } else {
        record.AuthType = AUTH_SCRIPT;
        accountFile = deviceDir + "chat_script";
    }
}

void InitializeDialDevConf(int device, DialupConf& record, const std::string& chatScriptPath,
                           const std::string& accountPath) {
    std::string text;
    if (TwReadFile(chatScriptPath, text, false) != 0 || text.empty()) {
        return;
    }
    bool iFlag = false;
    std::size_t cls = text.find("#CLS");
    if (cls != std::string::npos && device == DIAL_PHS) {
        std::size_t at = cls + 4;
        while (at < text.size() && std::strchr(" \t=\\", text[at]) != nullptr) {
            ++at;
        }
        iFlag = at < text.size() && text[at] == '2';
    }
    // The dial command is the last command before the CONNECT line (the login
    // lines after it hold account and password, which may contain anything);
    // an additional command may itself begin with "ATD".
    const std::string head = text.substr(0, text.find("\nCONNECT"));
    std::size_t tone = head.rfind("'ATDT");
    std::size_t pulse = head.rfind("'ATDP");
    std::size_t dial = tone;
    record.DialType = 0;
    if (pulse != std::string::npos && (tone == std::string::npos || pulse > tone)) {
        dial = pulse;
        record.DialType = 1;
    }
    std::size_t at = dial == std::string::npos ? dial : dial + 5;
    if (dial == std::string::npos) {
        // Written by hand or by another tool: the bare command.
        dial = head.find("ATDT");
        if (dial == std::string::npos) {
            dial = head.find("ATDP");
            record.DialType = dial == std::string::npos ? 0 : 1;
        }
        at = dial == std::string::npos ? dial : dial + 4;
    }
    if (dial != std::string::npos) {
        while (at < text.size() && std::strchr(" \t\\", text[at]) != nullptr) {
            ++at;
        }
        std::size_t end = at;
        while (end < text.size() && text[end] != '\0' &&
               std::strchr(kReadNumberChars, text[end]) != nullptr) {
            ++end;
        }
        std::string number = text.substr(at, end - at);
        if (iFlag && !HasIPrefix(number)) {
            number = "I" + number;
        }
        // Too long counts as missing, as any over-long value read back does.
        if (number.size() <= kPhoneNumberMax) {
            record.PhoneNumber = number;
        }

        // Additional commands: between the reset command's first OK-AT-OK
        // and the dial command, without the service-class pair.
        std::size_t reset = text.find("&F'");
        std::size_t from =
            reset == std::string::npos ? std::string::npos : text.find("OK-AT-OK", reset);
        if (from != std::string::npos && from < dial) {
            std::string commands;
            // The service-class pair is written first, for PHS and PDC only.
            bool pairPending = device == DIAL_PHS || device == DIAL_PDC;
            for (const std::string& word : SplitWords(text.substr(from, dial - from))) {
                if (word == "\\") {
                    continue;  // a line continuation
                }
                std::string clean = CleanAtWord(word);
                if (clean.empty()) {
                    continue;
                }
                if (pairPending) {
                    pairPending = false;
                    if (clean.compare(0, 7, "AT#CLS=") == 0) {
                        continue;
                    }
                }
                if (!commands.empty()) {
                    commands += ' ';
                }
                commands += clean;
            }
            // Read in the form it is written in, so a rewrite gives the same bytes.
            if (commands.size() <= kAtCommandMax) {
                record.AtCommand = commands;
            }
        }
    }
    GetDialupAccount(record, accountPath);
}

void GetDialupAccount(DialupConf& record, const std::string& path) {
    std::string text;
    if (TwReadFile(path, text, false) != 0) {
        return;
    }
    std::string account;
    std::string password;
    if (record.AuthType == AUTH_SCRIPT) {
        if (ReadLoginValue(text, "\"ogin:", account) && FitsField(account, kAccountMax)) {
            record.Account = account;
        }
        if (ReadLoginValue(text, "\"assword:", password) && FitsField(password, kAccountMax)) {
            record.Password = password;
        }
        return;
    }
    std::string line = text.substr(0, text.find('\n'));
    if (line.size() > kTwLineMax) {
        return;
    }
    std::size_t pos = 0;
    if (!ReadPppdWord(line, pos, account)) {
        return;
    }
    while (pos < line.size() && std::strchr(" \t*", line[pos]) != nullptr) {
        ++pos;
    }
    if (pos < line.size() && line[pos] == '"') {
        if (!ReadPppdWord(line, pos, password)) {
            password.clear();
        }
    } else {
        // A bare password is the rest of the line, as older files hold it.
        password = line.substr(pos);
        DeleteBackChar(password);
    }
    if (FitsField(account, kAccountMax)) {
        record.Account = account;
    }
    if (!password.empty() && FitsField(password, kAccountMax)) {
        record.Password = password;
    }
}

int InitializeDialupConf(const WYConfig& config, TwSetup& setup) {
    for (int device = DIAL_MODEM; device <= DIAL_PDC; ++device) {
        DialupConf& record = DialupRecord(setup, device);
        const std::string dir = DeviceDir(config, device);
        std::string accountFile;
        CheckAttestType(record, dir, accountFile);
        InitializeDialDevConf(device, record, dir + "chat_script", accountFile);
        GetNameServer(nullptr, &record, dir + "resolv.conf");
    }
    return 0;
}

bool CheckNo(char c, const char* allowed, std::string* seen) {
    char u = Upper(c);
    if (c == '\0' || std::strchr(allowed, u) == nullptr) {
        return false;
    }
    if (seen != nullptr) {
        if (seen->find(u) != std::string::npos) {
            return false;
        }
        *seen += u;
    }
    return true;
}

int TwCheckdigit(const std::string& entry, DialupConf& record) {
    if (entry.empty()) {
        return TW_DIAL_NO_PHONE;
    }
    if (entry.size() > kPhoneEntryMax) {
        return TW_DIAL_PHONE_TOO_LONG;
    }
    std::string seen;
    std::size_t at = 0;
    while (at < entry.size() && CheckNo(entry[at], kPrefixChars, &seen)) {
        ++at;
    }
    if (at >= entry.size()) {
        return TW_DIAL_BAD_PHONE;
    }
    for (std::size_t i = at; i < entry.size(); ++i) {
        if (!CheckNo(entry[i], kNumberChars, nullptr)) {
            return TW_DIAL_BAD_PHONE;
        }
        if (entry[i] == '-' && i > at && entry[i - 1] == '-') {
            return TW_DIAL_BAD_PHONE;
        }
    }
    // Checked: no longer than the entry, whose limit is below the field's.
    record.PhoneNumber.clear();
    for (char c : entry) {
        if (c != '-') {
            record.PhoneNumber += c;
        }
    }
    return 0;
}

int CheckDialupConf(DialupConf& record, DialupConf& scratch, const DialForm& form,
                    const ConfirmFunction& confirm, int* focus) {
    auto fail = [focus](int field, int code) {
        if (focus != nullptr) {
            *focus = field;
        }
        return code;
    };
    int rc = TwCheckdigit(form.PhoneNumber, scratch);
    if (rc != 0) {
        return fail(DIAL_FIELD_PHONE, rc);
    }
    rc = CheckLoginText(form.Account, TW_DIAL_NO_ACCOUNT, TW_DIAL_ACCOUNT_TOO_LONG,
                        TW_DIAL_BAD_ACCOUNT);
    if (rc != 0) {
        return fail(DIAL_FIELD_ACCOUNT, rc);
    }
    // Each text below has passed its check, which holds it to its field.
    scratch.Account = form.Account;
    rc = CheckLoginText(form.Password, TW_DIAL_NO_PASSWORD, TW_DIAL_PASSWORD_TOO_LONG,
                        TW_DIAL_BAD_PASSWORD);
    if (rc != 0) {
        return fail(DIAL_FIELD_PASSWORD, rc);
    }
    if (NamesSecretFile(scratch.AuthType, form.Password)) {
        return fail(DIAL_FIELD_PASSWORD, TW_DIAL_FILE_PASSWORD);
    }
    if (form.Password != record.Password) {
        if (!confirm || confirm(1, form.Password) != 1) {
            return fail(DIAL_FIELD_PASSWORD, TW_DIAL_SILENT);
        }
    }
    scratch.Password = form.Password;
    if (form.AtCommand.size() > kAtCommandMax) {
        return fail(DIAL_FIELD_ATCOMMAND, TW_DIAL_AT_TOO_LONG);
    }
    scratch.AtCommand = form.AtCommand;
    CommitScratch(record, scratch, form.NameServers);
    return 0;
}

void ClearDialupValue(DialupConf& scratch, const DialupConf& committed) {
    ResetScratch(scratch, committed,
                 {&DialupConf::DialType, &DialupConf::AuthType, &DialupConf::NameServerCount});
}

int ReflectionDialupDevice(const WYConfig& config, int device, const DialupConf& record) {
    const std::string dir = DeviceDir(config, device);
    int rc = SetConfigurationRow(dir + "options", DevicePath(config, device), 1);
    if (rc == 0) {
        rc = SetConfigurationRow(dir + "options", DeviceSpeed(config, device), 2);
    }
    if (rc == 0) {
        rc = SetNameServer(nullptr, &record, dir + "resolv.conf");
    }
    return rc;
}

int ReflectionDialupValue(const WYConfig& config, const DialupConf& record, int device,
                          const TwPaths& paths) {
    const std::string dir = DeviceDir(config, device);
    const std::string script = MakeChatScript(config, device, record, paths);
    int rc = 0;
    // The new method's files are written before the old method's go, so a
    // failure on the way leaves working credentials behind.
    if (record.AuthType == AUTH_CHAP || record.AuthType == AUTH_PAP) {
        if (NamesSecretFile(record.AuthType, record.Password)) {
            return TW_DIAL_FILE_PASSWORD;
        }
        const bool chap = record.AuthType == AUTH_CHAP;
        rc = TwWriteFile(dir + (chap ? "chap-secrets" : "pap-secrets"), MakeSecretsLine(record),
                         true, 0600);
        if (rc == 0) {
            rc = TwWriteFile(dir + "chat_script", script, true, 0700);
        }
        if (rc == 0) {
            rc = SetConfiguration(dir + "options", "name", QuoteForPppd(record.Account), SEP_SPACE,
                                  true);
        }
        if (rc == 0) {
            rc = RemoveFile(dir + (chap ? "pap-secrets" : "chap-secrets"));
        }
    } else if (record.AuthType == AUTH_SCRIPT) {
        rc = TwWriteFile(dir + "chat_script", script, true, 0700);
        if (rc == 0) {
            rc = DeleteRow(dir + "options", "name");
        }
        if (rc == 0) {
            rc = RemoveFile(dir + "pap-secrets");
        }
        if (rc == 0) {
            rc = RemoveFile(dir + "chap-secrets");
        }
    }
    return rc;
}

int ReflectionDialupConf(const WYConfig& config, const TwSetup& oldSetup, const TwSetup& newSetup,
                         const TwPaths& paths) {
    bool written = false;
    for (int device = DIAL_MODEM; device <= DIAL_PDC; ++device) {
        const DialupConf& edited = DialupRecord(newSetup, device);
        if (ReflectionDialupDevice(config, device, edited) != 0) {
            return TW_APPLY_FATAL;
        }
        if (edited != DialupRecord(oldSetup, device)) {
            int rc = ReflectionDialupValue(config, edited, device, paths);
            if (rc != 0) {
                TwReport(rc);
                return TW_APPLY_FATAL;
            }
            written = true;
        }
    }
    return written || newSetup.DialupDevice != oldSetup.DialupDevice ? TW_CHANGED : 0;
}

}  // namespace tw
