// The main window and the modify windows, driven in this process on sample
// trees with fake site scripts and a fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "GuiTwDriver.h"
#include "tunewell/TwDialogs.h"
#include "tunewell/TwModify.h"
#include "tunewell/TwTable.h"

namespace {

using twtest::Driver;
using twtest::FakeClock;
using twtest::SampleTree;
using twtest::WidgetNamed;

const std::string kReflected = "Inserted configuration set is now reflected to the computer.";

std::vector<std::string> PanelRows(Gtk::Label** captions, Gtk::Label** values, int rows) {
    std::vector<std::string> out;
    for (int i = 0; i < rows; ++i) {
        if (captions[i]->get_visible()) {
            out.push_back(captions[i]->get_text() + "=" + values[i]->get_text());
        }
    }
    return out;
}

std::vector<std::string> NetPanel() {
    return PanelRows(tw::pwNetCaption, tw::pwNetValue, tw::kNetPanelRows);
}

std::vector<std::string> DialPanel() {
    return PanelRows(tw::pwDialCaption, tw::pwDialValue, tw::kDialPanelRows);
}

std::string FocusName(Gtk::Window* window) {
    Gtk::Widget* focus = window->get_focus();
    return focus ? std::string(focus->get_accessible()->get_name()) : "";
}

void Type(Gtk::Window* window, const std::string& name, const std::string& text) {
    Gtk::Entry* entry = WidgetNamed<Gtk::Entry>(window, name);
    ASSERT_NE(entry, nullptr) << name;
    entry->set_text(text);
}

void Choose(Gtk::Window* window, const std::string& label) {
    for (Gtk::RadioButton* radio : twtest::Widgets<Gtk::RadioButton>(window)) {
        if (radio->get_label() == label) {
            radio->set_active(true);
            return;
        }
    }
    ADD_FAILURE() << "no radio button " << label;
}

int RunTw(SampleTree& tree, FakeClock& clock, tw::StartMode mode = tw::StartMode::kNormal) {
    return tw::RunTunewell(mode, tree.wycfg.c_str(), "C", tree.paths, clock);
}

// One run of the program's window on a fresh sample tree, driven step by step.
class GuiTwWindow : public ::testing::Test {
  protected:
    int Run() { return RunTw(tree, clock); }
    SampleTree tree;
    FakeClock clock;
    Driver driver;
};

TEST_F(GuiTwWindow, PanelsShowTheSettingsOfTheChosenTypeAndDevice) {
    std::vector<std::string> lan, wireless, disabled, modem, phs;
    bool modifyWhenDisabled = true;
    std::string zone, year, month;
    std::vector<std::string> zoneNames;
    driver.Then("", [&](Gtk::Window*) {
        twtest::Shot("tunewell-network");
        lan = NetPanel();
        tw::pwNetRadio[tw::NET_WIRELESS]->set_active(true);
        wireless = NetPanel();
        tw::pwNetRadio[tw::NET_DISABLED]->set_active(true);
        disabled = NetPanel();
        modifyWhenDisabled = tw::pwNetModButton->get_sensitive();
        tw::pwTwNotebook->set_current_page(tw::PAGE_DIALUP);
        twtest::Shot("tunewell-dialup");
        modem = DialPanel();
        tw::pwDialupRadio[tw::DIAL_PHS]->set_active(true);
        phs = DialPanel();
        tw::pwTwNotebook->set_current_page(tw::PAGE_TIME);
        twtest::Shot("tunewell-time");
        zone = tw::pwZoneCombo->get_entry()->get_text();
        for (const Gtk::TreeRow& row : tw::pwZoneCombo->get_model()->children()) {
            Glib::ustring name;
            row.get_value(0, name);
            zoneNames.push_back(name);
        }
        tw::pwZoneCombo->popup();
        twtest::Shot("tunewell-zones");
        tw::pwZoneCombo->popdown();
        year = tw::pwTimeEntry[0]->get_text();
        month = tw::pwTimeEntry[1]->get_text();
        tw::pwCancelButton->clicked();
    });
    EXPECT_EQ(Run(), 0);

    EXPECT_EQ(lan, (std::vector<std::string>{"Network Device=LAN", "Host Name=appliance",
                                             "Domain Name=example.com", "IP Adress=192.168.1.10",
                                             "Netmask=255.255.255.0", "Gateway=192.168.1.1",
                                             "Name Server=192.168.1.1", "Name Server=8.8.8.8"}));
    EXPECT_EQ(wireless,
              (std::vector<std::string>{
                  "Network Device=Wireless LAN", "Host Name=localhost", "Domain Name=localdomain",
                  "ESS-ID=office", "IP Adress=Acquires automatically",
                  "Netmask=Acquires automatically", "Gateway=Acquires automatically"}));
    EXPECT_EQ(disabled, (std::vector<std::string>{"Network Device=Disable"}));
    EXPECT_FALSE(modifyWhenDisabled);
    EXPECT_EQ(modem,
              (std::vector<std::string>{"Dialup Device=Modem", "Phone No=0312345678",
                                        "Dial Formula=Tone", "Account=user1", "Attestatior=PAP",
                                        "AT Command=ATX3", "Name Server=10.0.0.53"}));
    EXPECT_EQ(phs, (std::vector<std::string>{"Dialup Device=PHS", "Phone No=", "Dial Formula=Tone",
                                             "Account=", "Attestatior=non-procedural",
                                             "AT Command=", "Name Server="}));
    EXPECT_EQ(zone, "Asia/Tokyo");
    ASSERT_EQ(zoneNames.size(), 20u);
    EXPECT_EQ(zoneNames[0], "Asia/Tokyo");
    EXPECT_TRUE(std::is_sorted(zoneNames.begin(), zoneNames.end()));
    EXPECT_EQ(year, "2023");
    EXPECT_EQ(month, "11");
    EXPECT_TRUE(driver.messages.empty());
}

// One refused OK in a modify window (Add for the name server, whose four
// parts are given dotted): what is typed, the message and the entry that
// has the focus afterwards.
struct Refusal {
    int networkType;  // -1: the dial-up window
    const char* field;
    const char* typed;
    const char* message;
    bool focusMoves = true;  // false: where the focus goes is not checked
};

TEST_F(GuiTwWindow, ModifyWindowsRefuseBadInputWithTheirMessagesAndKeepTheWindow) {
    const Refusal cases[] = {
        {0, "Host name", "", "Host Name is not configured."},
        {0, "Host name", "bad_host",
         "Invalid Host Name.\nUse only 0-9, a-z, A-Z and hyphen (-) for Host Name."},
        {0, "Domain name", "", "Domain Name is not configured."},
        {0, "IP Address 2", "256", "Invalid IP Address.\nUse the values 0 to 255."},
        {0, "Name Server", "30a.1.1.1", "Invalid Name Server Address.\nUse the values 0 to 255."},
        {0, "Name Server", "8.8.8.8", "The address is already used.", false},
        {1, "ESS-ID", "bad id", "Invalid ESS-ID.\nPlease input 32 or less alpha-numeral, and '_'."},
        {1, "Cipher Key", "abcd",
         "Cipher Key is too short.\nWhen you input by string, please input five alpha-numeral, "
         "and '_'."},
        {-1, "Phone No", "", "Telephone Number is not configured."},
        {-1, "Phone No", "03--1234", "Invalid Telephone Number. \nUse only numerical values."},
        {-1, "Account", "", "Account Name is not configured."},
        {-1, "Password", "", "Password is not configured.\nInsert correct Password."},
    };
    std::vector<std::string> focus;
    std::vector<bool> stayed;
    for (const Refusal& c : cases) {
        const std::string title = c.networkType == 0 ? "Modify Network Configuration - LAN"
                                  : c.networkType == 1
                                      ? "Modify Network Configuration - Wireless LAN"
                                      : "Modify Dialup Configuration - Modem";
        driver.Then("", [c](Gtk::Window*) {
            if (c.networkType >= 0) {
                tw::pwNetRadio[c.networkType]->set_active(true);
                tw::pwNetModButton->clicked();
            } else {
                tw::pwDialupModButton->clicked();
            }
        });
        driver.Then(title, [c](Gtk::Window* window) {
            const std::string field = c.field;
            if (field != "Name Server") {
                Type(window, field, c.typed);
                twtest::ButtonNamed(window, "OK")->clicked();
                return;
            }
            std::stringstream parts(c.typed);
            std::string part;
            for (int i = 1; std::getline(parts, part, '.'); ++i) {
                Type(window, field + " " + std::to_string(i), part);
            }
            twtest::ButtonNamed(window, "Add")->clicked();
        });
        driver.Then(title, [&focus, &stayed](Gtk::Window* window) {
            stayed.push_back(window->get_visible());
            focus.push_back(FocusName(window));
            twtest::ButtonNamed(window, "Cancel")->clicked();
        });
    }
    driver.Then("", [](Gtk::Window*) { tw::pwCancelButton->clicked(); });
    EXPECT_EQ(Run(), 0);

    ASSERT_EQ(driver.messages.size(), std::size(cases));
    ASSERT_EQ(focus.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].message);
        EXPECT_EQ(driver.messages[i], cases[i].message);
        EXPECT_TRUE(stayed[i]);
        const std::string field = cases[i].field;
        if (cases[i].focusMoves) {
            EXPECT_EQ(focus[i], field == "Name Server" ? field + " 1" : field);
        }
    }
}

TEST_F(GuiTwWindow, EntriesAcceptThePartsLengthsAndHideSecrets) {
    struct Limit {
        const char* name;
        int max;
        bool hidden;
    };
    const Limit wireless[] = {{"Host name", 64, false},    {"Domain name", 64, false},
                              {"IP Address 1", 3, false},  {"Gateway 4", 3, false},
                              {"Name Server 2", 3, false}, {"ESS-ID", 32, false},
                              {"Cipher Key", 12, true}};
    const Limit dialup[] = {{"Phone No", 64, false},
                            {"Account", 255, false},
                            {"Password", 255, true},
                            {"AT Command", 127, false}};
    const Limit time[] = {{"Year", 4, false}, {"Month", 2, false}, {"Day", 2, false},
                          {"Hour", 2, false}, {"Min", 2, false},   {"Sec", 2, false}};
    auto check = [](Gtk::Window* window, const Limit* limits, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            Gtk::Entry* entry = WidgetNamed<Gtk::Entry>(window, limits[i].name);
            ASSERT_NE(entry, nullptr) << limits[i].name;
            EXPECT_EQ(entry->get_max_length(), limits[i].max) << limits[i].name;
            EXPECT_EQ(entry->get_visibility(), !limits[i].hidden) << limits[i].name;
        }
    };
    driver.Then("", [&](Gtk::Window* window) {
        check(window, time, std::size(time));
        tw::pwNetRadio[tw::NET_WIRELESS]->set_active(true);
        tw::pwNetModButton->clicked();
    });
    driver.Then("Modify Network Configuration - Wireless LAN", [&](Gtk::Window* window) {
        check(window, wireless, std::size(wireless));
        // Characters, not bytes: a 64-character name of two-byte letters fits.
        Gtk::Entry* host = WidgetNamed<Gtk::Entry>(window, "Host name");
        Glib::ustring wide;
        for (int i = 0; i < 70; ++i) {
            wide += gunichar(0x00E9);
        }
        host->set_text(wide);
        EXPECT_EQ(host->get_text().size(), 64u);
        twtest::Shot("tunewell-modify-wireless");
        twtest::ButtonNamed(window, "Cancel")->clicked();
    });
    driver.Then("", [](Gtk::Window*) { tw::pwDialupModButton->clicked(); });
    driver.Then("Modify Dialup Configuration - Modem", [&](Gtk::Window* window) {
        check(window, dialup, std::size(dialup));
        twtest::Shot("tunewell-modify-dialup");
        twtest::ButtonNamed(window, "Cancel")->clicked();
    });
    driver.Then("", [](Gtk::Window*) { tw::pwCancelButton->clicked(); });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(driver.Done());
}

TEST_F(GuiTwWindow, CancelAndCloseLeaveRecordAndFilesAndQuitWithoutChangeClosesAtOnce) {
    const auto before = tree.Snapshot();
    bool lanSame = false;
    bool modemSame = false;
    driver.Then("", [](Gtk::Window*) { tw::pwNetModButton->clicked(); });
    driver.Then("Modify Network Configuration - LAN", [](Gtk::Window* window) {
        Type(window, "Host name", "changed");
        Type(window, "IP Address 4", "99");
        // The radio buttons write into the scratch copy at once.
        Choose(window, "Acquires automatically from DHCP");
        twtest::ButtonNamed(window, "Cancel")->clicked();
    });
    driver.Then("", [&](Gtk::Window*) {
        lanSame = tw::pTwNewSetup->Lan == tw::pTwOldSetup->Lan;
        tw::pwDialupModButton->clicked();
    });
    driver.Then("Modify Dialup Configuration - Modem", [](Gtk::Window* window) {
        Type(window, "Phone No", "0399998888");
        Type(window, "Account", "someone");
        Choose(window, "Pulse");
        Choose(window, "CHAP");
        twtest::SendDelete(window);
    });
    driver.Then("", [&](Gtk::Window*) {
        modemSame = tw::pTwNewSetup->Modem == tw::pTwOldSetup->Modem;
        tw::pwQuitButton->clicked();
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(driver.Done());
    EXPECT_TRUE(lanSame);
    EXPECT_TRUE(modemSame);
    EXPECT_TRUE(driver.messages.empty());
    EXPECT_EQ(tree.Ran(), "");
    EXPECT_TRUE(clock.sets.empty());
    EXPECT_EQ(tree.Snapshot(), before);
}

TEST_F(GuiTwWindow, UpdateAndQuitWriteTheFilesRunTheScriptsAndReport) {
    // A script slow enough for the wait window to animate.
    testutil::WriteFile(tree.dir / "scripts/network.sh",
                        "#!/bin/sh\nsleep 1.5\necho \"network $*\" >> '" + tree.dir / "ran" + "'\n",
                        0755);
    std::vector<Glib::RefPtr<Gdk::Pixbuf>> frames;
    std::string waitText;
    std::string afterUpdate, afterSecondUpdate;
    std::size_t messagesAfterUpdate = 0;
    driver.Then("", [](Gtk::Window*) {
        tw::pwNetRadio[tw::NET_WIRELESS]->set_active(true);
        tw::pwUpdateButton->clicked();
    });
    driver.Then("Setting...", [&](Gtk::Window* window) {
        for (Gtk::Label* label : twtest::Widgets<Gtk::Label>(window)) {
            waitText = label->get_text();
        }
        Gtk::Image* image = twtest::Widgets<Gtk::Image>(window).front();
        twtest::PumpUntil(
            [&] {
                if (frames.empty() || frames.back() != image->get_pixbuf()) {
                    frames.push_back(image->get_pixbuf());
                }
                return frames.size() >= 3 || !tw::pwWaitWindow;
            },
            3000);
        twtest::Shot("tunewell-wait");
    });
    driver.Then("", [&](Gtk::Window*) {
        afterUpdate = tree.Ran();
        messagesAfterUpdate = driver.messages.size();
        tw::pwUpdateButton->clicked();  // nothing changed since
        afterSecondUpdate = tree.Ran();
        tw::pwDialupModButton->clicked();
    });
    driver.Then("Modify Dialup Configuration - Modem", [](Gtk::Window* window) {
        Type(window, "Phone No", "03-1111-2222");
        Choose(window, "Pulse");
        twtest::ButtonNamed(window, "OK")->clicked();
    });
    driver.Then("", [](Gtk::Window*) {
        tw::pwTimeEntry[3]->set_text("7");
        tw::pwQuitButton->clicked();
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(driver.Done());

    EXPECT_EQ(waitText,
              "Setting...\nProcessing may take time.\nPlease do not turn off a power "
              "supply.");
    EXPECT_GE(frames.size(), 3u);
    EXPECT_EQ(afterUpdate, "network 2\n");
    EXPECT_EQ(afterSecondUpdate, afterUpdate);
    EXPECT_EQ(messagesAfterUpdate, 1u);
    EXPECT_EQ(driver.messages, (std::vector<std::string>{kReflected, kReflected}));
    EXPECT_EQ(tree.Ran(), "network 2\ndialup \nhwclock --utc --systohc\n");
    const std::string wycfg = testutil::ReadFile(tree.wycfg + "/wycfg.dat");
    EXPECT_NE(wycfg.find("NETWORK_DEVICE=wirelesslan\n"), std::string::npos) << wycfg;
    const std::string chat = testutil::ReadFile(tree.wycfg + "/dialup/modem/chat_script");
    EXPECT_NE(chat.find("ATDP0311112222"), std::string::npos) << chat;
    EXPECT_EQ(clock.sets.size(), 1u);
}

// A failing script, then a failing write (a file where the LAN directory
// belongs): each is reported instead of success, and the window stays with
// the old record kept, so the change applies again.
TEST_F(GuiTwWindow, FailedScriptOrWriteIsReportedAndKeepsTheOldRecord) {
    testutil::WriteFile(tree.dir / "scripts/network.sh",
                        "#!/bin/sh\necho \"network $*\" >> '" + tree.dir / "ran" + "'\nexit 3\n",
                        0755);
    testutil::Shell("rm -rf '" + tree.wycfg + "/lan' && touch '" + tree.wycfg + "/lan'");
    bool windowOpen = false;
    int oldType = -1;
    bool sensitive = false;
    bool oldLanKept = false;
    driver.Then("", [](Gtk::Window*) {
        tw::pwNetRadio[tw::NET_DISABLED]->set_active(true);
        tw::pwQuitButton->clicked();
    });
    driver.Then("", [&](Gtk::Window* window) {
        windowOpen = window->get_visible();
        oldType = tw::pTwOldSetup->NetworkType;
        tw::pwUpdateButton->clicked();
    });
    driver.Then("", [](Gtk::Window*) {
        tw::pwNetRadio[tw::NET_LAN]->set_active(true);
        tw::pwNetModButton->clicked();
    });
    driver.Then("Modify Network Configuration - LAN", [](Gtk::Window* window) {
        Type(window, "Host name", "renamed");
        twtest::ButtonNamed(window, "OK")->clicked();
    });
    driver.Then("", [](Gtk::Window*) { tw::pwUpdateButton->clicked(); });
    driver.Then("", [&](Gtk::Window* window) {
        sensitive = window->get_sensitive();
        oldLanKept = tw::pTwOldSetup->Lan != tw::pTwNewSetup->Lan;
        tw::pwCancelButton->clicked();
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(driver.Done());
    EXPECT_TRUE(windowOpen);
    EXPECT_EQ(oldType, tw::NET_LAN);
    EXPECT_TRUE(sensitive);
    EXPECT_TRUE(oldLanKept);
    ASSERT_EQ(driver.messages.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(driver.messages[i], kReflected);
        EXPECT_NE(driver.messages[i].find("network.sh"), std::string::npos) << driver.messages[i];
    }
    EXPECT_EQ(driver.messages[2].rfind("Failed to", 0), 0u) << driver.messages[2];
    // The failed write ran no script.
    EXPECT_EQ(tree.Ran(), "network 4\nnetwork 4\n");
}

TEST(GuiTwModes, ModesChooseThePageAndDialupOnlyStillChecksEveryPage) {
    struct ModeCase {
        tw::StartMode mode;
        int page;
        bool othersUsable;
    };
    const ModeCase cases[] = {{tw::StartMode::kNormal, tw::PAGE_NETWORK, true},
                              {tw::StartMode::kDialup, tw::PAGE_DIALUP, true},
                              {tw::StartMode::kTime, tw::PAGE_TIME, true},
                              {tw::StartMode::kDialupOnly, tw::PAGE_DIALUP, false}};
    for (const ModeCase& c : cases) {
        SampleTree tree;
        FakeClock clock;
        Driver driver;
        int page = -1;
        bool networkUsable = false;
        bool timeUsable = false;
        bool open = false;
        driver.Then("", [&](Gtk::Window*) {
            page = tw::pwTwNotebook->get_current_page();
            networkUsable = tw::pwTwNotebook->get_nth_page(tw::PAGE_NETWORK)->is_sensitive();
            timeUsable = tw::pwTwNotebook->get_nth_page(tw::PAGE_TIME)->is_sensitive();
            tw::pwTimeEntry[0]->set_text("2038");
            tw::pwQuitButton->clicked();
        });
        driver.Then("", [&](Gtk::Window* window) {
            open = window->get_visible();
            tw::pwCancelButton->clicked();
        });
        EXPECT_EQ(RunTw(tree, clock, c.mode), 0);
        EXPECT_EQ(page, c.page) << "mode " << static_cast<int>(c.mode);
        EXPECT_EQ(networkUsable, c.othersUsable) << "mode " << static_cast<int>(c.mode);
        EXPECT_EQ(timeUsable, c.othersUsable) << "mode " << static_cast<int>(c.mode);
        EXPECT_TRUE(open) << "mode " << static_cast<int>(c.mode);
        EXPECT_EQ(driver.messages, std::vector<std::string>{"Invalid YEAR is inserted."})
            << "mode " << static_cast<int>(c.mode);
    }
}

TEST(GuiTwModes, OnlyAnExactFirstArgumentChoosesAMode) {
    struct Case {
        std::vector<const char*> args;
        tw::StartMode mode;
    };
    const Case cases[] = {
        {{"Tunewell"}, tw::StartMode::kNormal},
        {{"Tunewell", "--dialup"}, tw::StartMode::kDialup},
        {{"Tunewell", "--dialup", "--time"}, tw::StartMode::kDialup},
        {{"Tunewell", "--time"}, tw::StartMode::kTime},
        {{"Tunewell", "--dialuponly"}, tw::StartMode::kDialupOnly},
        {{"Tunewell", "--Dialup"}, tw::StartMode::kNormal},
        {{"Tunewell", "x", "--dialup"}, tw::StartMode::kNormal},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const char* arg : c.args) {
            argv.push_back(const_cast<char*>(arg));
        }
        argv.push_back(nullptr);
        EXPECT_EQ(tw::ParseMode(static_cast<int>(c.args.size()), argv.data()), c.mode)
            << c.args.back();
    }
}

TEST_F(GuiTwWindow, NameServerListHoldsThreeAndOkCommitsWhatIsLeft) {
    bool addAtThree = true;
    bool deleteWithoutSelection = true;
    std::vector<std::string> rowsAfterDelete;
    std::vector<std::string> panel;
    driver.Then("", [](Gtk::Window*) { tw::pwNetModButton->clicked(); });
    driver.Then("Modify Network Configuration - LAN", [&](Gtk::Window* window) {
        const char* parts[4] = {"1", "2", "3", "004"};
        for (int i = 0; i < 4; ++i) {
            Type(window, "Name Server " + std::to_string(i + 1), parts[i]);
        }
        twtest::ButtonNamed(window, "Add")->clicked();
        addAtThree = twtest::ButtonNamed(window, "Add")->get_sensitive();
        deleteWithoutSelection = twtest::ButtonNamed(window, "Delete")->get_sensitive();
        tw::pTwMod->nsList->get_selection()->select(Gtk::TreePath("0"));
        twtest::ButtonNamed(window, "Delete")->clicked();
        rowsAfterDelete = tw::NameServerRows();
        EXPECT_TRUE(twtest::ButtonNamed(window, "Add")->get_sensitive());
        twtest::ButtonNamed(window, "OK")->clicked();
    });
    driver.Then("", [&](Gtk::Window*) {
        panel = NetPanel();
        tw::pwCancelButton->clicked();
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(addAtThree);
    EXPECT_FALSE(deleteWithoutSelection);
    EXPECT_EQ(rowsAfterDelete, (std::vector<std::string>{"8.8.8.8", "1.2.3.4"}));
    ASSERT_GE(panel.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(panel.end() - 2, panel.end()),
              (std::vector<std::string>{"Name Server=8.8.8.8", "Name Server=1.2.3.4"}));
    EXPECT_TRUE(driver.messages.empty());
}

}  // namespace
