// Dial-up settings: the exact PPP files, their modes, the quoting of account
// and password, reading back what was written, the checks of the modify
// window, and the chat script run by the real chat against a played modem.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "FakeModem.h"
#include "TestUtil.h"
#include "TwFakeSupport.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwTable.h"

using testutil::Exists;

namespace {

using twtest::ModeOf;

tw::DialupConf MakeDial(const char* number, int auth, const char* account, const char* password,
                        const char* at = "") {
    return {.PhoneNumber = number,
            .Account = account,
            .Password = password,
            .AuthType = auth,
            .AtCommand = at};
}

const char* const kHead =
    "#!/bin/sh\n\nexec /usr/sbin/chat -v \\\n"
    "ABORT 'REDIAL ERROR' ABORT BUSY ABORT 'NO CARRIER' ABORT VOICE ABORT ERROR \\\n"
    "ABORT 'NO DIALTONE' ABORT 'NO DIAL TONE' ABORT 'NO ANSWER' TIMEOUT 90 \\\n";

TEST(TwDialupFiles, ExactBytesAndModesOfEveryFile) {
    TempDir dir;
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    tw::TwPaths paths;
    tw::TwSetup oldSetup, newSetup;
    newSetup.Modem = MakeDial("0312345678", tw::AUTH_CHAP, "user", "pass", "S7=60 ATX3");
    newSetup.Modem.NameServer[0] = "10.0.0.1";
    newSetup.Modem.NameServer[1] = "10.0.0.2";
    newSetup.Modem.NameServerCount = 2;
    newSetup.Phs = MakeDial("I0312345", tw::AUTH_SCRIPT, "user", "pass");
    newSetup.Phs.DialType = 1;
    newSetup.Pdc = MakeDial("P0312", tw::AUTH_PAP, "acc", "pw");
    twtest::MessageRecorder rec;
    ASSERT_EQ(tw::ReflectionDialupConf(config, oldSetup, newSetup, paths), tw::TW_CHANGED);
    EXPECT_TRUE(rec.messages.empty());

    const std::string modem = dir / "dialup/modem/";
    const std::string phs = dir / "dialup/phs/";
    const std::string pdc = dir / "dialup/pdc/";
    const std::pair<std::string, std::string> files[] = {
        {modem + "chat_script", std::string(kHead) + "'' 'AT+GCI=B5&F' OK-AT-OK \\\n"
                                                     "'ATS7=60' OK-AT-OK 'ATX3' OK-AT-OK \\\n"
                                                     "'ATDT0312345678' \\\nCONNECT '\\d\\c' \n"},
        {modem + "options", "/dev/ttyS14\n115200\nname user\n"},
        {modem + "chap-secrets", "user * pass\n"},
        {modem + "resolv.conf", "nameserver 10.0.0.1\nnameserver 10.0.0.2\n"},
        {phs + "chat_script", std::string(kHead) + "'' 'AT&F' OK-AT-OK 'AT#CLS=2' OK-AT-OK \\\n"
                                                   "'ATDP0312345' \\\nCONNECT '\\d\\c' \\\n"
                                                   "\"ogin: \" user \\\n\"assword: \" pass\n"},
        {phs + "options", "/dev/ttyS0\n115200\n"},
        {pdc + "pap-secrets", "acc * pw\n"},
    };
    for (const auto& [path, bytes] : files) {
        EXPECT_EQ(ReadFile(path), bytes) << path;
    }
    EXPECT_FALSE(Exists(modem + "pap-secrets"));
    EXPECT_FALSE(Exists(phs + "chap-secrets"));
    EXPECT_NE(ReadFile(pdc + "chat_script").find("'AT#CLS=0' OK-AT-OK \\\n'ATDTP0312' \\\n"),
              std::string::npos);

    for (const std::string& d : {modem, phs, pdc}) {
        EXPECT_EQ(ModeOf(d + "chat_script"), 0700u) << d;
        EXPECT_EQ(ModeOf(d), 0755u) << d;
    }
    EXPECT_EQ(ModeOf(modem + "chap-secrets"), 0600u);
    EXPECT_EQ(ModeOf(pdc + "pap-secrets"), 0600u);

    // Japanese locale: the other country code; another modem device: none.
    config.Japanese = 1;
    EXPECT_NE(
        tw::MakeChatScript(config, tw::DIAL_MODEM, newSetup.Modem, paths).find("'AT+GCI=0&F'"),
        std::string::npos);
    config.ModemDevice = "/dev/ttyS1";
    EXPECT_NE(tw::MakeChatScript(config, tw::DIAL_MODEM, newSetup.Modem, paths).find("'' 'AT&F'"),
              std::string::npos);
}

TEST(TwDialupFiles, SwitchingAuthenticationReplacesSecretsAndNameLine) {
    TempDir dir;
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    tw::TwPaths paths;
    const std::string modem = dir / "dialup/modem/";
    tw::DialupConf pap = MakeDial("03", tw::AUTH_PAP, "user", "pass");
    ASSERT_EQ(tw::ReflectionDialupDevice(config, tw::DIAL_MODEM, pap), 0);
    ASSERT_EQ(tw::ReflectionDialupValue(config, pap, tw::DIAL_MODEM, paths), 0);
    tw::DialupConf chap = pap;
    chap.AuthType = tw::AUTH_CHAP;
    ASSERT_EQ(tw::ReflectionDialupValue(config, chap, tw::DIAL_MODEM, paths), 0);
    EXPECT_FALSE(Exists(modem + "pap-secrets"));
    EXPECT_EQ(ReadFile(modem + "chap-secrets"), "user * pass\n");
    EXPECT_EQ(ReadFile(modem + "options"), "/dev/ttyS14\n115200\nname user\n");

    tw::DialupConf script = chap;
    script.AuthType = tw::AUTH_SCRIPT;
    ASSERT_EQ(tw::ReflectionDialupValue(config, script, tw::DIAL_MODEM, paths), 0);
    EXPECT_FALSE(Exists(modem + "pap-secrets"));
    EXPECT_FALSE(Exists(modem + "chap-secrets"));
    EXPECT_EQ(ReadFile(modem + "options"), "/dev/ttyS14\n115200\n");

    tw::TwSetup back;
    tw::InitializeDialupConf(config, back);
    EXPECT_EQ(back.Modem.AuthType, tw::AUTH_SCRIPT);
    EXPECT_EQ(back.Modem.Account, "user");
    EXPECT_EQ(back.Modem.Password, "pass");
}

// A write that fails on the way to the new method leaves the old method's
// credentials where they were (the new files come first, removals last).
TEST(TwDialupFiles, FailedSwitchKeepsTheOldCredentials) {
    TempDir dir;
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    const std::string modem = dir / "dialup/modem/";
    tw::DialupConf pap = MakeDial("03", tw::AUTH_PAP, "user", "pass");
    ASSERT_EQ(tw::ReflectionDialupValue(config, pap, tw::DIAL_MODEM, tw::TwPaths()), 0);
    // A directory where chap-secrets must go makes its write fail.
    testutil::MakeDirs(modem + "chap-secrets");
    twtest::MessageRecorder rec;
    tw::DialupConf chap = pap;
    chap.AuthType = tw::AUTH_CHAP;
    EXPECT_NE(tw::ReflectionDialupValue(config, chap, tw::DIAL_MODEM, tw::TwPaths()), 0);
    EXPECT_EQ(ReadFile(modem + "pap-secrets"), "user * pass\n");
}

// pppd reads a secret "@/path" from that file, whatever the quoting: such a
// password is refused for PAP and CHAP and nothing is written, while the
// login script (where chat can be told to send it literally) takes it.
// Every other value reads back from the secrets line exactly as entered.
TEST(TwDialupFiles, SecretsNeverNameAFileAndReadBackLiterally) {
    TempDir dir;
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    for (int auth : {tw::AUTH_PAP, tw::AUTH_CHAP, tw::AUTH_SCRIPT}) {
        SCOPED_TRACE(auth);
        tw::DialupConf record = MakeDial("", auth, "", "old");
        tw::DialupConf scratch = record;
        int focus = tw::DIAL_FIELD_NONE;
        const int rc = tw::CheckDialupConf(
            record, scratch, {"03", "u", "@/etc/shadow", ""}, [](int, const std::string&) { return 1; },
            &focus);
        EXPECT_EQ(rc, auth == tw::AUTH_SCRIPT ? 0 : tw::TW_DIAL_FILE_PASSWORD);
        EXPECT_EQ(focus, auth == tw::AUTH_SCRIPT ? tw::DIAL_FIELD_NONE : tw::DIAL_FIELD_PASSWORD);
    }
    twtest::MessageRecorder rec;
    tw::DialupConf bad = MakeDial("03", tw::AUTH_PAP, "u", "@/etc/shadow");
    EXPECT_NE(tw::ReflectionDialupValue(config, bad, tw::DIAL_MODEM, tw::TwPaths()), 0);
    EXPECT_FALSE(Exists(dir / "dialup/modem/pap-secrets"));
    EXPECT_FALSE(Exists(dir / "dialup/modem/chat_script"));

    for (const char* value : {"@home", "@", "a\"b", "back\\slash", "#not a comment", " lead",
                              "EOT", "*", "x y\tz"}) {
        SCOPED_TRACE(value);
        tw::DialupConf d = MakeDial("03", tw::AUTH_PAP, value, value);
        const std::string line = tw::MakeSecretsLine(d);
        std::size_t pos = 0;
        std::string account, server, password;
        ASSERT_TRUE(tw::ReadPppdWord(line, pos, account));
        ASSERT_TRUE(tw::ReadPppdWord(line, pos, server));
        ASSERT_TRUE(tw::ReadPppdWord(line, pos, password));
        EXPECT_EQ(account, value);
        EXPECT_EQ(server, "*");
        EXPECT_EQ(password, value);
    }
}

// What was written reads back as the same record, and writing that record
// again gives the same bytes: no service-class pair or backslash creeps into
// the AT commands, hostile accounts stay one word.
TEST(TwDialupFiles, WriteReadWriteKeepsRecordsAndBytes) {
    struct Case {
        int device;
        tw::DialupConf record;
    } cases[] = {
        {tw::DIAL_MODEM,
         MakeDial("0312345678", tw::AUTH_CHAP, "user@isp.ne.jp", "pass", "ATS7=60 ATX3 A/")},
        {tw::DIAL_PHS,
         MakeDial("I0312345", tw::AUTH_SCRIPT, "x;rm -rf /", "a b'c\"d\\e^f$(id)", "ATX1")},
        {tw::DIAL_PHS, MakeDial("IP0312", tw::AUTH_PAP, "u connect /tmp/x", "p\"w #x", "")},
        {tw::DIAL_PDC, MakeDial("0312#*,@", tw::AUTH_CHAP, "a\\b", "'", "AT&K3 ATDT5")},
        {tw::DIAL_PDC, MakeDial("W0312", tw::AUTH_SCRIPT, "~user", "''", "")},
        {tw::DIAL_MODEM, MakeDial("0312", tw::AUTH_SCRIPT, "=2", "a=b", "")},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.record.Account + " / " + c.record.Password);
        TempDir dir;
        tw::WYConfig config = twtest::MakeConfig(dir.path());
        tw::TwPaths paths;
        c.record.DialType = c.device == tw::DIAL_PDC ? 1 : 0;
        ASSERT_EQ(tw::ReflectionDialupDevice(config, c.device, c.record), 0);
        ASSERT_EQ(tw::ReflectionDialupValue(config, c.record, c.device, paths), 0);
        const std::string d = dir / tw::DialupDirectory(c.device);
        std::string first = ReadFile(d + "chat_script") + ReadFile(d + "options");
        if (c.record.AuthType != tw::AUTH_SCRIPT) {
            first +=
                ReadFile(d + (c.record.AuthType == tw::AUTH_CHAP ? "chap-secrets" : "pap-secrets"));
        }

        tw::TwSetup back;
        tw::InitializeDialupConf(config, back);
        const tw::DialupConf& got = c.device == tw::DIAL_MODEM ? back.Modem
                                    : c.device == tw::DIAL_PHS ? back.Phs
                                                               : back.Pdc;
        EXPECT_TRUE(got == c.record) << got.PhoneNumber << "|" << got.Account << "|" << got.Password
                                     << "|" << got.AtCommand << "|" << got.AuthType << got.DialType;

        ASSERT_EQ(tw::ReflectionDialupValue(config, got, c.device, paths), 0);
        std::string second = ReadFile(d + "chat_script") + ReadFile(d + "options");
        if (c.record.AuthType != tw::AUTH_SCRIPT) {
            second +=
                ReadFile(d + (c.record.AuthType == tw::AUTH_CHAP ? "chap-secrets" : "pap-secrets"));
        }
        EXPECT_EQ(first, second);
    }
}

// Values outside the ordinary characters stay one word in every file: pppd's
// quoted words in options and secrets, sh quotes with chat escapes in the script.
TEST(TwDialupFiles, HostileValuesAreQuotedInEveryFile) {
    TempDir dir;
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    tw::DialupConf d = MakeDial("03", tw::AUTH_PAP, "u connect /tmp/x", "p\"w \\x#");
    ASSERT_EQ(tw::ReflectionDialupValue(config, d, tw::DIAL_MODEM, tw::TwPaths()), 0);
    EXPECT_EQ(ReadFile(dir / "dialup/modem/options"), "name \"u connect /tmp/x\"\n");
    EXPECT_EQ(ReadFile(dir / "dialup/modem/pap-secrets"),
              "\"u connect /tmp/x\" * \"p\\\"w \\\\x#\"\n");
    d.AuthType = tw::AUTH_SCRIPT;
    d.Account = "x;rm -rf /";
    d.Password = "it's^\\";
    EXPECT_NE(tw::MakeChatScript(config, tw::DIAL_MODEM, d, tw::TwPaths())
                  .find("\"ogin: \" 'x;rm -rf /' \\\n\"assword: \" 'it\\047s\\136\\\\'\n"),
              std::string::npos);
}

// Scripts written by hand or cut short read without harm: the dial command
// is found before the CONNECT line only, never in the login lines.
TEST(TwDialupFiles, HandWrittenAndCutScriptsRead) {
    struct Case {
        const char* text;
        const char* number;
        int dialType;
    } cases[] = {
        {"ATDT", "", 0},  {"ATDP0312", "0312", 1},
        {"'ATDT", "", 0}, {"'ATDP03' \\\nCONNECT '\\d\\c' \\\n\"ogin: \" 'ATDT99' \\\n", "03", 1},
        {"#CLS", "", 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(dir / "chat_script", c.text);
        tw::DialupConf d;
        tw::InitializeDialDevConf(tw::DIAL_PHS, d, dir / "chat_script", dir / "chat_script");
        EXPECT_EQ(d.PhoneNumber, c.number);
        EXPECT_EQ(d.DialType, c.dialType);
    }
}

TEST(TwDialupFiles, AdditionalCommandsLoseEveryQuoteAndControlByte) {
    tw::WYConfig config = twtest::MakeConfig(TempDir().path());
    tw::DialupConf d =
        MakeDial("03", tw::AUTH_CHAP, "u", "p", "S7=60 'X3' AT\"&K3' OK-AT-OK ' \x01");
    std::string script = tw::MakeChatScript(config, tw::DIAL_PHS, d, tw::TwPaths());
    EXPECT_NE(script.find("OK-AT-OK \\\n'ATS7=60' OK-AT-OK 'ATX3' OK-AT-OK 'AT&K3' OK-AT-OK \\\n"
                          "'ATDT03' \\\n"),
              std::string::npos)
        << script;
}

TEST(TwDialupCheck, PhoneNumbers) {
    struct Case {
        const char* entry;
        int code;
        const char* stored;
    } cases[] = {
        {"03-1234-5678", 0, "0312345678"},
        {"03--1234", tw::TW_DIAL_BAD_PHONE, ""},
        {"P0312", 0, "P0312"},
        {"IP0312", 0, "IP0312"},
        {"ip#*,@abcd", 0, "ip#*,@abcd"},
        {"II03", tw::TW_DIAL_BAD_PHONE, ""},
        {"0x12", tw::TW_DIAL_BAD_PHONE, ""},
        {"IJPW", tw::TW_DIAL_BAD_PHONE, ""},
        {"", tw::TW_DIAL_NO_PHONE, ""},
        {"0123456789012345678901234567890123456789012345678901234567890123", 0,
         "0123456789012345678901234567890123456789012345678901234567890123"},
        {"01234567890123456789012345678901234567890123456789012345678901234",
         tw::TW_DIAL_PHONE_TOO_LONG, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        tw::DialupConf d;
        EXPECT_EQ(tw::TwCheckdigit(c.entry, d), c.code);
        EXPECT_EQ(d.PhoneNumber, c.stored);
    }
}

TEST(TwDialupCheck, ModifyWindowFieldsInOrder) {
    struct Case {
        tw::DialForm form;
        int code;
        int focus;
        int confirmAnswer;
    } cases[] = {
        {{"", "u", "p", ""}, tw::TW_DIAL_NO_PHONE, tw::DIAL_FIELD_PHONE, 1},
        {{"03", "", "p", ""}, tw::TW_DIAL_NO_ACCOUNT, tw::DIAL_FIELD_ACCOUNT, 1},
        {{"03", std::string(256, 'a'), "p", ""},
         tw::TW_DIAL_ACCOUNT_TOO_LONG,
         tw::DIAL_FIELD_ACCOUNT,
         1},
        {{"03", "x\nconnect /tmp/x", "p", ""}, tw::TW_DIAL_BAD_ACCOUNT, tw::DIAL_FIELD_ACCOUNT, 1},
        {{"03", "u", "", ""}, tw::TW_DIAL_NO_PASSWORD, tw::DIAL_FIELD_PASSWORD, 1},
        {{"03", "u", std::string(256, 'p'), ""},
         tw::TW_DIAL_PASSWORD_TOO_LONG,
         tw::DIAL_FIELD_PASSWORD,
         1},
        {{"03", "u", "p\tq", ""}, tw::TW_DIAL_BAD_PASSWORD, tw::DIAL_FIELD_PASSWORD, 1},
        {{"03", "u", "new", ""}, tw::TW_DIAL_SILENT, tw::DIAL_FIELD_PASSWORD, 0},
        {{"03", "u", "new", std::string(128, 'A')},
         tw::TW_DIAL_AT_TOO_LONG,
         tw::DIAL_FIELD_ATCOMMAND,
         1},
        {{"03", "u", "new", std::string(127, 'A'), {"1.2.3.4"}}, 0, tw::DIAL_FIELD_NONE, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        tw::DialupConf record = MakeDial("", tw::AUTH_CHAP, "", "old");
        tw::DialupConf scratch = record;
        int focus = tw::DIAL_FIELD_NONE;
        int asked = 0;
        auto confirm = [&](int kind, const std::string& text) {
            EXPECT_EQ(kind, 1);
            EXPECT_EQ(text, "new");
            ++asked;
            return c.confirmAnswer;
        };
        EXPECT_EQ(tw::CheckDialupConf(record, scratch, c.form, confirm, &focus), c.code);
        EXPECT_EQ(focus, c.focus);
        if (c.code == 0) {
            EXPECT_EQ(asked, 1);
            EXPECT_EQ(record.Password, "new");
            EXPECT_EQ(record.NameServerCount, 1);
        } else {
            EXPECT_EQ(record.Password, "old");
        }
    }
    // An unchanged password is not asked for again.
    tw::DialupConf record = MakeDial("", tw::AUTH_CHAP, "", "old");
    tw::DialupConf scratch = record;
    EXPECT_EQ(tw::CheckDialupConf(
                  record, scratch, {"03", "u", "old", ""},
                  [](int, const std::string&) { return 0; }, nullptr),
              0);
}

// Runs `script` with its standard input and output on the terminal `line`:
// its wait status, or -1 when it is still running after 30 s (it is then ended).
int RunOnLine(const std::string& script, const std::string& line) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int fd = ::open(line.c_str(), O_RDWR | O_NOCTTY);
        ::dup2(fd, 0);
        ::dup2(fd, 1);
        ::dup2(::open("/dev/null", O_WRONLY), 2);
        ::execl("/bin/sh", "sh", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = -1;
    for (int waited = 0; pid > 0 && waited < 30000; waited += 20) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        ::usleep(20000);
    }
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return -1;
}

TEST(TwDialupChat, RealChatDialsEveryDeviceInBothLoginModes) {
    if (::access("/usr/sbin/chat", X_OK) != 0) {
        GTEST_SKIP() << "chat is not installed";
    }
    struct Case {
        int device;
        int auth;
        const char* number;
        std::vector<std::string> sent;
    } cases[] = {
        {tw::DIAL_MODEM,
         tw::AUTH_CHAP,
         "0312345678",
         {"AT+GCI=B5&F", "ATS7=60", "ATX3", "ATDT0312345678"}},
        {tw::DIAL_MODEM,
         tw::AUTH_SCRIPT,
         "0312345678",
         {"AT+GCI=B5&F", "ATS7=60", "ATX3", "ATDT0312345678", "x;rm -rf /", "a b'c\"d\\e^f$(id)"}},
        {tw::DIAL_PHS, tw::AUTH_PAP, "I0312", {"AT&F", "AT#CLS=2", "ATS7=60", "ATX3", "ATDT0312"}},
        {tw::DIAL_PHS,
         tw::AUTH_SCRIPT,
         "0312",
         {"AT&F", "AT#CLS=0", "ATS7=60", "ATX3", "ATDT0312", "x;rm -rf /", "a b'c\"d\\e^f$(id)"}},
        {tw::DIAL_PDC, tw::AUTH_CHAP, "0312", {"AT&F", "AT#CLS=0", "ATS7=60", "ATX3", "ATDT0312"}},
        {tw::DIAL_PDC,
         tw::AUTH_SCRIPT,
         "i0312",
         {"AT&F", "AT#CLS=2", "ATS7=60", "ATX3", "ATDTi0312", "x;rm -rf /", "a b'c\"d\\e^f$(id)"}},
    };
    TempDir dir;
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.device) + "/" + std::to_string(c.auth));
        tw::DialupConf d =
            MakeDial(c.number, c.auth, "x;rm -rf /", "a b'c\"d\\e^f$(id)", "S7=60 X3");
        WriteFile(dir / "chat_script", tw::MakeChatScript(config, c.device, d, tw::TwPaths()),
                  0700);
        modemtest::FakeModem modem(c.auth == tw::AUTH_SCRIPT);
        ASSERT_FALSE(modem.SlavePath().empty());
        const int status = RunOnLine(dir / "chat_script", modem.SlavePath());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        modem.Stop();
        EXPECT_EQ(modem.Commands(), c.sent);
    }
}

// chat sends a string that begins with '@' from the file it names, and EOT
// and BREAK as signals: as login values they must reach the line as text.
TEST(TwDialupChat, RealChatSendsSpecialLoginWordsAsText) {
    if (::access("/usr/sbin/chat", X_OK) != 0) {
        GTEST_SKIP() << "chat is not installed";
    }
    TempDir dir;
    const std::string secret = dir / "secret";
    WriteFile(secret, "TOPSECRET\n");
    tw::WYConfig config = twtest::MakeConfig(dir.path());
    const std::pair<std::string, std::string> cases[] = {
        {"@" + secret, "EOT"},
        {"BREAK", "@" + secret},
        {"@ " + secret, "@"},
    };
    for (const auto& [account, password] : cases) {
        SCOPED_TRACE(account + " / " + password);
        tw::DialupConf d = MakeDial("0312", tw::AUTH_SCRIPT, account.c_str(), password.c_str());
        WriteFile(dir / "chat_script", tw::MakeChatScript(config, tw::DIAL_MODEM, d, tw::TwPaths()),
                  0700);
        modemtest::FakeModem modem(true);
        ASSERT_FALSE(modem.SlavePath().empty());
        const int status = RunOnLine(dir / "chat_script", modem.SlavePath());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        modem.Stop();
        const std::vector<std::string> sent = modem.Commands();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(sent[sent.size() - 2], account);
        EXPECT_EQ(sent.back(), password);
        // Read back from the script, the values are the same.
        tw::DialupConf back = MakeDial("", tw::AUTH_SCRIPT, "", "");
        tw::GetDialupAccount(back, dir / "chat_script");
        EXPECT_EQ(back.Account, account);
        EXPECT_EQ(back.Password, password);
    }
}

}  // namespace
