// Display names, dropped text, typed-input checks and the message texts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <string>

#include "TestUtil.h"
#include "waymark/WmFile.h"
#include "waymark/WmTable.h"
#include "waymark/WmText.h"

namespace {

using namespace wm;

// Runs the body under `locale` (when the machine has it) and restores "C".
class LocaleScope {
  public:
    explicit LocaleScope(const char* locale) : ok_(std::setlocale(LC_CTYPE, locale) != nullptr) {}
    ~LocaleScope() { std::setlocale(LC_CTYPE, "C"); }
    bool ok() const { return ok_; }

  private:
    bool ok_;
};

TEST(WmText, DisplayStringCutsWholeCharactersBeforeTheDots) {
    LocaleScope plain("C");
    struct Case {
        std::string text;
        std::size_t width;
        std::string expected;
    };
    const Case cases[] = {
        {"abcdefghijklm", 13, "abcdefghijklm"},
        {"abcdefghijklmn", 13, "abcdefghij..."},
        {"abcdefghijklmn", 12, "abcdefghi..."},
        // EUC-JP pairs: a pair that would straddle the limit is left out.
        {"ab\xC6\xFC\xCB\xDC\xB8\xEC\xC6\xFC\xCB\xDC\xB8\xEC", 12, "ab\xC6\xFC\xCB\xDC\xB8\xEC..."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CreateDisplayString(c.text, c.width), c.expected) << c.text;
    }
    // A lead byte before a newline or at the end is one character, not a
    // pair that would swallow the byte after it.
    EXPECT_EQ(CutToBytes("ab\xC6\ncd", 3), "ab\xC6");
    EXPECT_EQ(CharLength("ab\xC6", 2), 1u);
}

TEST(WmText, Utf8NamesAreCutByTheLocaleCharacters) {
    LocaleScope utf8("C.UTF-8");
    if (!utf8.ok()) {
        GTEST_SKIP() << "no UTF-8 locale";
    }
    // Three-byte characters: 20 bytes hold six of them, never a part.
    const std::string seven =
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC"
        "\xE8\xAA\x9E\xE6\x97\xA5";
    EXPECT_EQ(CutToBytes(seven, 20).size(), 18u);
    EXPECT_EQ(CreateDisplayString(seven, 13), seven.substr(0, 9) + "...");
    EXPECT_EQ(ParseDropText("file:/home/" + seven + seven).name.size(), 18u);
}

TEST(WmText, DroppedTextBecomesAProposedItem) {
    struct Case {
        std::string raw;
        int code;
        std::string name;
        std::string link;
    };
    const std::string longName(30, 'n');
    const Case cases[] = {
        {"http://www.example.org/path/page.html\n", 0, "www.example.org",
         "http://www.example.org/path/page.html"},
        {"FTP://ftp.example.org\r\n", 0, "ftp.example.org", "FTP://ftp.example.org"},
        {"file:/home/guest/notes.txt", 0, "notes.txt", "/home/guest/notes.txt"},
        {"FILE:/home/guest/" + longName, 0, std::string(20, 'n'), "/home/guest/" + longName},
        {"file:/a/one file:/b/two", 0, "one", "/a/one"},
        // Only the first line reaches the data file.
        {"http://a.example/x\nhttp://b.example/y\n", 0, "a.example", "http://a.example/x"},
        {"mailto:someone@example.org", CODE_BAD_DROP, "", ""},
        {"/home/guest/notes.txt", CODE_BAD_DROP, "", ""},
        {"http://h/" + std::string(2041, 'x'), CODE_LINK_EXCEED, "h", ""},
    };
    for (const Case& c : cases) {
        const DropText drop = ParseDropText(c.raw);
        EXPECT_EQ(drop.code, c.code) << c.raw.substr(0, 40);
        EXPECT_EQ(drop.name, c.name) << c.raw.substr(0, 40);
        if (c.code == 0) {
            EXPECT_EQ(drop.link, c.link) << c.raw;
        }
    }
    EXPECT_EQ(ParseDropText("http://h/" + std::string(2039, 'x')).code, 0);
}

TEST(WmText, UriListGivesTheFirstUsableEntry) {
    EXPECT_EQ(UriListToDropText("# comment\r\nfile:///home/g/a%20b.txt\r\nhttp://x/\r\n"),
              "file:/home/g/a b.txt");
    EXPECT_EQ(UriListToDropText("file://otherhost/x\nfile://localhost/y\n"), "file:/y");
    EXPECT_EQ(UriListToDropText("file:///bad%0Aname\nhttps://example.org/\n"),
              "https://example.org/");
    EXPECT_EQ(UriListToDropText("mailto:a@b\n"), "mailto:a@b");
    EXPECT_EQ(UriListToDropText("# only a comment\n"), "");
}

TEST(WmText, AddItemChecksInOrderAndPicksTheCategory) {
    testutil::TempDir dir;
    testutil::WriteFile(dir / "app", "#!/bin/sh\n", 0755);
    testutil::WriteFile(dir / "doc.txt", "text", 0644);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    struct Case {
        std::string name;
        std::string link;
        int code;
        int field;
        int category;
    };
    const Case cases[] = {
        {"", "http://x", StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_NO_ITEM_NAME), 0, 0},
        {std::string(21, 'n'), "", CODE_CHARS_EXCEED, 0, 0},
        {"n", "", StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_NO_ITEM_PLACE), 1, 0},
        {"n", "/" + std::string(2048, 'x'), CODE_LINK_EXCEED, 1, 0},
        {"n", "mailto:x", StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_INVALID_ITEM), 1, 0},
        {"n", "FTP://x", 0, 1, CATEGORY_WEB},
        {"n", "httpfoo", 0, 1, CATEGORY_WEB},
        {"n", dir / "app", 0, 1, CATEGORY_APPLICATION},
        {"n", dir / "doc.txt", 0, 1, CATEGORY_DOCUMENT},
        {"n", dir / "gone", StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_FILE_NOT_EXISTS), 1, 0},
        {"n", dir.path(), StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_DIRECTORY), 1, 0},
        {"n", dir / "fifo", StopCode(MODE_OK, TITLE_ADD_ITEM, TEXT_NOT_VALID_FILE), 1, 0},
    };
    for (const Case& c : cases) {
        const ItemCheck check = CheckAddItem(c.name, c.link);
        EXPECT_EQ(check.code, c.code) << c.link;
        EXPECT_EQ(check.field, c.field) << c.link;
        if (c.code == 0) {
            EXPECT_EQ(check.category, c.category) << c.link;
        }
    }
}

TEST(WmText, EditNamesMustBeNewAndFit) {
    const std::vector<std::string> taken = {"Guest", "Work"};
    EXPECT_EQ(CheckEditName(true, false, "", taken),
              StopCode(MODE_OK, TITLE_ADD_USER, TEXT_NO_USER_NAME));
    EXPECT_EQ(CheckEditName(false, true, "", taken),
              StopCode(MODE_OK, TITLE_MODIFY_MENU_NAME, TEXT_NO_MENU_NAME));
    EXPECT_EQ(CheckEditName(true, false, std::string(21, 'x'), taken), CODE_CHARS_EXCEED);
    EXPECT_EQ(CheckEditName(true, true, "Guest", taken),
              StopCode(MODE_OK, TITLE_MODIFY_USER_NAME, TEXT_NAME_USED));
    EXPECT_EQ(CheckEditName(false, false, "guest", taken), 0);
    EXPECT_EQ(CheckItemName(""), StopCode(MODE_OK, TITLE_MODIFY_ITEM_NAME, TEXT_NO_ITEM_NAME));
    EXPECT_EQ(CheckItemName(std::string(20, 'x')), 0);
}

TEST(WmText, RegistrationDateInBothLayouts) {
    EXPECT_EQ(FormatRegistrationDate("20260307121314", false), "03/07/2026");
    EXPECT_EQ(FormatRegistrationDate("20260307121314", true),
              "2026\xC7\xAF"
              "03\xB7\xEE"
              "07\xC6\xFC");
    EXPECT_EQ(FormatRegistrationDate("2026", false), "");
}

TEST(WmTable, CodesUnpackToTheirModeTitleTextAndIcon) {
    EXPECT_EQ(CODE_INVALID_NAVI, 0x30A000A0);
    EXPECT_EQ(MessageMode(CODE_INVALID_NAVI), MODE_EXIT);
    EXPECT_EQ(GetMessageTitle(CODE_INVALID_NAVI), "Format Error");
    EXPECT_EQ(GetMessageText(CODE_NO_APPLICATION),
              "Application \n is not exists to run this file.");
    EXPECT_EQ(MessageIcon(CONFIRM_DELETE_ITEM), ICON_QUESTION);
    EXPECT_EQ(GetConfirmText(CONFIRM_DELETE_USER),
              "Deleting all Menu and Items configured \nin User.  Yes or No?");
    EXPECT_EQ(MessageTitleId(13), nullptr);
    EXPECT_EQ(MessageTextId(27), nullptr);
}

}  // namespace
