// The Japanese catalogues: complete against each program's template, faithful
// to each message's formats, line breaks and mnemonics, accepted by msgfmt,
// and shown by a real program in the locale's own encoding.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace {

const char* const kDomains[] = {"rummage", "Waymark",  "Tunewell",
                                "Ringout", "Waywatch", "Rootgate"};

struct Entry {
    std::string msgstr;
    bool fuzzy = false;
};

std::string Unquote(const std::string& line) {
    const std::size_t open = line.find('"');
    const std::size_t close = line.rfind('"');
    std::string out;
    for (std::size_t i = open + 1; i < close; ++i) {
        if (line[i] == '\\' && i + 1 < close) {
            const char c = line[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            out += line[i];
        }
    }
    return out;
}

// msgid -> entry of a .po or .pot file; obsolete entries are left out.
std::map<std::string, Entry> ReadCatalogue(const std::string& path) {
    std::map<std::string, Entry> entries;
    std::string text = testutil::ReadFile(path);
    text += "\n\n";
    std::string msgid;
    Entry entry;
    std::string* target = nullptr;
    bool seen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) {
            if (seen) {
                entries[msgid] = entry;
            }
            msgid.clear();
            entry = Entry{};
            target = nullptr;
            seen = false;
        } else if (line.rfind("#,", 0) == 0) {
            entry.fuzzy = entry.fuzzy || line.find("fuzzy") != std::string::npos;
        } else if (line.rfind("msgid ", 0) == 0) {
            msgid = Unquote(line);
            target = &msgid;
            seen = true;
        } else if (line.rfind("msgstr ", 0) == 0) {
            entry.msgstr = Unquote(line);
            target = &entry.msgstr;
        } else if (line[0] == '"' && target != nullptr) {
            *target += Unquote(line);
        }
    }
    entries.erase("");
    return entries;
}

std::vector<std::string> AllMatches(const std::string& text, const std::regex& re) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it) {
        found.push_back(it->str());
    }
    return found;
}

std::string Edge(const std::string& text, bool leading) {
    const std::size_t cut = leading ? text.find_first_not_of(" \n") : text.find_last_not_of(" \n");
    if (cut == std::string::npos) {
        return text;
    }
    return leading ? text.substr(0, cut) : text.substr(cut + 1);
}

std::string PoDir(const std::string& domain) {
    return std::string(SUITE_SOURCE_DIR) + "/po/" + domain;
}

TEST(JapaneseCatalogue, EveryTemplateMessageHasAFaithfulTranslationAndMsgfmtAcceptsIt) {
    // printf conversions, "%%" included; the fillers of the programs take the
    // same forms, in order, so order counts.
    const std::regex conversion(
        R"(%[0-9$]*[-+ #0']*[0-9*]*(\.[0-9*]+)?(hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcspn%])");
    const std::regex mnemonic(R"(\(_[A-Za-z0-9]\))");
    for (const char* domain : kDomains) {
        SCOPED_TRACE(domain);
        const auto pot = ReadCatalogue(PoDir(domain) + "/" + domain + ".pot");
        const std::string po = PoDir(domain) + "/ja.po";
        const auto ja = ReadCatalogue(po);
        EXPECT_FALSE(pot.empty());
        EXPECT_EQ(testutil::Shell("msgfmt --check --check-format -o /dev/null '" + po + "'"), 0);
        for (const auto& [msgid, unused] : pot) {
            SCOPED_TRACE(msgid);
            auto it = ja.find(msgid);
            ASSERT_NE(it, ja.end()) << "untranslated";
            const std::string& msgstr = it->second.msgstr;
            EXPECT_FALSE(msgstr.empty());
            EXPECT_FALSE(it->second.fuzzy);
            EXPECT_EQ(AllMatches(msgstr, conversion), AllMatches(msgid, conversion));
            EXPECT_EQ(AllMatches(msgstr, mnemonic), AllMatches(msgid, mnemonic));
            // A long line may be broken where the English has none, never joined.
            EXPECT_GE(AllMatches(msgstr, std::regex("\n")).size(),
                      AllMatches(msgid, std::regex("\n")).size());
            // Blanks and breaks at the edges place the text in fixed layouts.
            EXPECT_EQ(Edge(msgstr, true), Edge(msgid, true));
            EXPECT_EQ(Edge(msgstr, false), Edge(msgid, false));
        }
    }
}

// Display columns of UTF-8 text: a full-width character takes two.
int Columns(const std::string& text) {
    int columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t cp = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < text.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                          (cp >= 0xFFE0 && cp <= 0xFFE6);
        columns += wide ? 2 : 1;
        i += length;
    }
    return columns;
}

// These programs show their texts unwrapped, in message boxes as wide as
// the longest line or on a terminal; about 30 full-width characters is what
// a line may hold.  Waymark and Ringout wrap texts to their windows.
TEST(JapaneseCatalogue, NoUnwrappedLineIsLongerThanThirtyFullWidthCharacters) {
    for (const char* domain : {"rummage", "Tunewell", "Rootgate", "Waywatch"}) {
        SCOPED_TRACE(domain);
        for (const auto& [msgid, entry] : ReadCatalogue(PoDir(domain) + "/ja.po")) {
            std::size_t start = 0;
            while (start <= entry.msgstr.size()) {
                std::size_t end = entry.msgstr.find('\n', start);
                if (end == std::string::npos) {
                    end = entry.msgstr.size();
                }
                const std::string line = entry.msgstr.substr(start, end - start);
                EXPECT_LE(Columns(line), 60) << line;
                start = end + 1;
            }
        }
    }
}

bool HasLocale(const std::string& name) {
    return testutil::Shell("locale -a 2>/dev/null | grep -qix '" + name + "'") == 0;
}

// The built watchdog looks for its catalogue where the suite installs them;
// a private mount namespace puts the build's catalogues there.
TEST(JapaneseCatalogue, ProgramSpeaksJapaneseInTheEncodingOfItsLocale) {
    if (!testutil::CanUnshareMounts()) {
        GTEST_SKIP() << "no private mount namespaces here";
    }
    const std::string installed = SUITE_LOCALEDIR;
    // The nearest existing directory above the catalogues gets a private tmpfs.
    std::string base = installed;
    struct stat st {};
    while (base.size() > 1 && ::stat(base.c_str(), &st) != 0) {
        base = base.substr(0, base.rfind('/'));
    }
    if (base == installed) {
        base.clear();
    } else if (base.empty() || base == "/usr" || base.find('/', 1) == std::string::npos) {
        GTEST_SKIP() << "no safe place to show " << installed << " in a namespace";
    }
    struct Case {
        const char* lang;
        const char* locale;
        const char* codeset;
    } cases[] = {{"ja_JP.UTF-8", "ja_JP.utf8", "UTF-8"}, {"ja_JP.eucJP", "ja_JP.eucjp", "EUC-JP"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        if (!HasLocale(c.locale)) {
            ADD_FAILURE() << c.lang << " is missing: run scripts/install-deps.sh";
            continue;
        }
        testutil::TempDir tmp;
        const std::string out = tmp / "out";
        std::string script = "set -e; ";
        if (!base.empty()) {
            script += "mount -t tmpfs suite '" + base + "'; mkdir -p '" + installed + "'; ";
        }
        script += "mount --bind '" SUITE_BUILD_LOCALEDIR "' '" + installed + "'; ";
        // Read back through iconv: text in another encoding fails or differs.
        script += "env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=" + std::string(c.lang) + " '" +
                  testutil::BuildBinDir() + "/Waywatch' --version | iconv -f " + c.codeset +
                  " -t UTF-8 > '" + out + "'";
        ASSERT_EQ(testutil::Shell("unshare -m --propagation private sh -c \"" + script + "\""), 0);
        EXPECT_EQ(testutil::ReadFile(out),
                  "Waymark 監視  バージョン 1.00 2000/12/05\n"
                  "Waymark ランチャーが終了するたびに再起動します。\n");
    }
}

}  // namespace
