// Texts fit the fixed sizes of the launcher's windows with the font in use,
// in English and in Japanese: a 13-byte item name stays whole beside the
// info button, menu names stay inside their buttons, messages inside their
// boxes with the window at its own size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "GuiWaymarkSupport.h"
#include "JapaneseLocale.h"

namespace {

using namespace wmtest;

// The label's text is drawn whole inside `width` by `height` (0: any
// height), and the label itself stays inside them.
void ExpectFits(Gtk::Label& label, int width, int height, const std::string& what) {
    SCOPED_TRACE(what + ": " + label.get_text().raw());
    int w = 0, h = 0;
    label.get_layout()->get_pixel_size(w, h);
    EXPECT_LE(w, width);
    EXPECT_LE(label.get_allocated_width(), width);
    EXPECT_FALSE(label.get_layout()->is_ellipsized());
    if (height > 0) {
        EXPECT_LE(h, height);
        EXPECT_LE(label.get_allocated_height(), height);
    }
}

// A button keeps its size and its caption fits inside it.
void ExpectButtonFits(Gtk::Button& button, int width, int height) {
    SCOPED_TRACE("button " + button.get_label().raw());
    EXPECT_EQ(button.get_allocated_width(), width);
    EXPECT_EQ(button.get_allocated_height(), height);
    auto* label = dynamic_cast<Gtk::Label*>(button.get_child());
    ASSERT_NE(label, nullptr);
    int w = 0, h = 0;
    label->get_layout()->get_pixel_size(w, h);
    EXPECT_LE(w, label->get_allocated_width());
    EXPECT_FALSE(label->get_layout()->is_ellipsized());
    // The caption itself is short enough for its button at the full size.
    label->create_pango_layout(label->get_text())->get_pixel_size(w, h);
    EXPECT_LE(w, label->get_allocated_width()) << "drawn smaller to fit";
}

// A message's own lines, at the full size of the font, fit its box's
// width: a translation breaks its long lines itself.
void ExpectLinesFit(Gtk::Label& label, int width) {
    SCOPED_TRACE(label.get_text().raw());
    int w = 0, h = 0;
    label.create_pango_layout(label.get_text())->get_pixel_size(w, h);
    EXPECT_LE(w, width);
}

class GuiWmTextFit : public WaymarkFixture, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        if (std::string(GetParam()) != "en") {
            japanese_ = std::make_unique<testutil::JapaneseLocale>("Waymark");
            if (!japanese_->ok()) {
                GTEST_SKIP() << japanese_->Why();
            }
        }
    }
    void TearDown() override {
        WaymarkFixture::TearDown();
        japanese_.reset();
    }
    std::string Shot(const char* what) { return std::string("waymark-") + what + "-" + GetParam(); }
    std::unique_ptr<testutil::JapaneseLocale> japanese_;
};

TEST_P(GuiWmTextFit, NamesFitTheBarAndTheItemWindowWhole) {
    // 13 bytes is the longest item name shown whole, 12 the longest menu name.
    Build({{"Wolfgang",
            {{"WWWWWWWWWWWW",
              {"WWWWWWWWWWWWW", "MMMMMMMMMMMMM", "mmmmmmmmmmmmm",
               "\xe3\x83\xa9\xe3\x83\xb3\xe3\x83\x81\xe3\x83\xa3", "Tools", "ABCDEFGHIJKLM"}},
             {"MMMMMMMMMMMMMMMMMMMM", {}},
             {"\xe8\xa8\xad\xe5\xae\x9a\xe3\x83\x84\xe3\x83\xbc\xe3\x83\xab", {}},
             {"Web", {}}}}},
          1280);
    const int share = (1280 - 312) / wm::pNavi->ToggleCount;
    for (int i = 0; i < 4; ++i) {
        wm::MenuToggle& t = wm::pNavi->toggles[i];
        EXPECT_EQ(t.button->get_allocated_width(), share);
        ExpectFits(*t.upper, share - 3, 0, "menu " + std::to_string(i));
        ExpectFits(*t.lower, share - 3, 0, "menu " + std::to_string(i));
    }
    EXPECT_EQ(wm::pNavi->toggles[0].upper->get_text(), "WWWWWWWWWWWW");
    Shoot(Shot("bar"));

    OpenMenuButton(0);
    ASSERT_TRUE(PumpUntil([] { return wm::pwyGroup->window->get_mapped(); }));
    Pump(100);
    const wm::NaviMenu& menu = data.UserList[0].MenuList[0];
    for (int s = 0; s < menu.ItemCount; ++s) {
        wm::ItemSlot& slot = wm::pwyGroup->slots[s];
        ExpectFits(*slot.upper, 99, 0, "slot " + std::to_string(s));
        ExpectFits(*slot.lower, 99, 0, "slot " + std::to_string(s));
        // Nothing of the name is left under the info button.
        int x = 0, y = 0;
        slot.upper->translate_coordinates(*slot.fixed, 0, 0, x, y);
        EXPECT_LE(x + slot.upper->get_allocated_width(), 226);
        EXPECT_EQ(slot.upper->get_text(), menu.ItemList[s].ItemName);
    }
    Shoot(Shot("items"));
}

TEST_P(GuiWmTextFit, MessagesAndButtonCaptionsFitTheirFixedWindows) {
    Build({{"Ann", Menus(1, 1)}}, 1280);
    for (int text = wm::TEXT_NO_MEMORY; text <= wm::TEXT_ALREADY_RUNNING; ++text) {
        const int code = wm::StopCode(wm::MODE_OK, wm::TITLE_INPUT_ERROR, text);
        wm::wyMessageBox(code);
        ASSERT_NE(wm::pwyMessage, nullptr);
        Gtk::Window& box = *wm::pwyMessage->window;
        ASSERT_TRUE(PumpUntil([&box] { return box.get_mapped(); }));
        Pump(30);
        SCOPED_TRACE(text);
        EXPECT_EQ(box.get_allocated_width(), 488);
        EXPECT_EQ(box.get_allocated_height(), 118);
        std::vector<Gtk::Label*> labels;
        for (Gtk::Label* label : Widgets<Gtk::Label>(&box)) {
            if (!dynamic_cast<Gtk::Button*>(label->get_parent())) {
                labels.push_back(label);
            }
        }
        ASSERT_EQ(labels.size(), 1u);
        ExpectFits(*labels[0], 424, 32, "message");
        if (japanese_) {
            ExpectLinesFit(*labels[0], 424);
        }
        ExpectButtonFits(*wm::pwyMessage->ok, 84, 42);
        if (text == wm::TEXT_INVALID_ITEM) {
            Shoot(Shot("message"));
        }
        wm::pwyMessage->ok->clicked();
        Pump(10);
    }

    // The buttons of the editing windows keep their sizes in every language.
    ASSERT_NE(wm::CreatewyEditWindow(false), nullptr);
    ASSERT_TRUE(PumpUntil([] { return wm::pwyEdit->window->get_mapped(); }));
    Pump(30);
    for (Gtk::Button* button : {wm::pwyEdit->add, wm::pwyEdit->up, wm::pwyEdit->down,
                                wm::pwyEdit->rename, wm::pwyEdit->remove}) {
        ExpectButtonFits(*button, 96, 32);
    }
    Shoot(Shot("edit"));
    wm::pwyEdit->cancel->clicked();
    Pump(10);
    ASSERT_NE(wm::CreateAddItemWindow(0, -1), nullptr);
    ASSERT_TRUE(PumpUntil([] { return wm::pAddItem->window->get_mapped(); }));
    Pump(30);
    ExpectButtonFits(*wm::pAddItem->file, 76, 32);
    ExpectButtonFits(*wm::pAddItem->cancel, 84, 42);
    Shoot(Shot("additem"));
    wm::pAddItem->cancel->clicked();
    Pump(10);
}

INSTANTIATE_TEST_SUITE_P(Languages, GuiWmTextFit, ::testing::Values("en", "ja"),
                         [](const auto& language) { return std::string(language.param); });

}  // namespace
