// Window-test fixture of the launcher: a data directory written through the
// model, the bar built on a chosen screen width, a recording starter, and
// helpers to find and drive the windows.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "GuiDriver.h"
#include "TestUtil.h"
#include "WmFakeSupport.h"
#include "waymark/WmCallbacks.h"
#include "waymark/WmDialogs.h"
#include "waymark/WmFile.h"
#include "waymark/WmInterface.h"
#include "waymark/WmLaunch.h"
#include "waymark/WmSupport.h"
#include "waymark/WmTable.h"

namespace wmtest {

using namespace guitest;

// Texts of the visible item slots, in slot order ("" for a hidden slot).
inline std::vector<std::string> SlotTexts() {
    std::vector<std::string> texts;
    for (const wm::ItemSlot& slot : wm::pwyGroup->slots) {
        texts.push_back(slot.box->get_visible() ? slot.upper->get_text().raw() : "");
    }
    return texts;
}

// One user's menus: each menu a name and its item names.
struct MenuData {
    std::string name;
    std::vector<std::string> items;
};
struct UserSpec {
    std::string name;
    std::vector<MenuData> menus;
};

class WaymarkFixture : public ::testing::Test {
  protected:
    // Writes the data files for `users` and builds the bar `width` wide.
    void Build(const std::vector<UserSpec>& users, int width = 1024) {
        wm::NaviData seed;
        seed.Version = "1.00";
        seed.DataDir = dir.path() + "/";
        seed.HelpPath = dir.path() + "/";
        seed.WebAP = dir / "browser";
        seed.WebProcName = "browser";
        seed.FileManager = dir / "files";
        seed.ToggleN = wm::kDefaultToggleN;
        seed.ToggleA = wm::kDefaultToggleA;
        seed.ButtonFont = wm::kDefaultButtonFont;
        seed.ExtList = {{"txt", dir / "editor"}};
        seed.AppList = {{"Editor", dir / "editor"}, {"Viewer", dir / "viewer"}};
        for (const char* program : {"browser", "files", "editor", "viewer", "app"}) {
            testutil::WriteFile(dir / program, "#!/bin/sh\n", 0755);
        }
        for (const UserSpec& u : users) {
            wm::AddUser(seed, u.name);
            wm::NaviUser& user = seed.UserList.back();
            for (const MenuData& m : u.menus) {
                wm::AddMenu(user, m.name);
                for (const std::string& item : m.items) {
                    wm::AddItem(user.MenuList.back(), item, "http://" + item + "/", 0);
                }
            }
        }
        seed.CurrentUser = users.empty() ? -1 : 0;
        ASSERT_EQ(wm::WriteNaviInfo(seed), 0);
        ASSERT_EQ(wm::ReadNaviInfo(data, dir.path().c_str()), 0);
        wm::pNaviData = &data;
        wm::Launcher().starter = &starter;
        wm::Launcher().paths.home = dir.path();
        wm::Launcher().paths.path = dir.path();
        bar = wm::CreatewyNaviWindow(width);
        ASSERT_NE(bar, nullptr);
        bar->show();
        Pump(30);
    }

    void TearDown() override {
        wm::DestroyNaviWindow();
        Pump(30);
        wm::Launcher().starter = nullptr;
        wm::pNaviData = nullptr;
    }

    std::string NaviFile() { return testutil::ReadFile(dir / "Waymark.dat"); }
    std::string UserFile(int i) {
        char name[16];
        std::snprintf(name, sizeof name, "User%02d.dat", i);
        return testutil::ReadFile(dir / name);
    }

    // Presses menu button `position` as a person's click does.
    void OpenMenuButton(int position) {
        wm::pNavi->toggles[position].button->clicked();
        Pump(20);
    }

    testutil::TempDir dir;
    wm::NaviData data;
    FakeStarter starter;  // starts nothing: records
    Gtk::Window* bar = nullptr;
};

// A point on the screen.
struct Point {
    int x, y;
};

// The screen point `dx`, `dy` from the top left of `widget`.
inline Point ScreenPoint(Gtk::Widget& widget, int dx, int dy) {
    Gtk::Widget* top = widget.get_toplevel();
    int x = 0, y = 0, ox = 0, oy = 0;
    widget.translate_coordinates(*top, dx, dy, x, y);
    top->get_window()->get_origin(ox, oy);
    return {ox + x, oy + y};
}

inline Point CentreOf(Gtk::Widget& widget) {
    return ScreenPoint(widget, widget.get_allocated_width() / 2, widget.get_allocated_height() / 2);
}

// The shown menu entries of every popped-up menu, in order.
inline std::vector<Gtk::MenuItem*> ShownMenuItems() {
    std::vector<Gtk::MenuItem*> items;
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (!window->get_mapped()) {
            continue;
        }
        for (Gtk::Menu* menu : Widgets<Gtk::Menu>(window)) {
            for (Gtk::MenuItem* item : Widgets<Gtk::MenuItem>(menu)) {
                if (item->get_mapped()) {
                    items.push_back(item);
                }
            }
        }
    }
    return items;
}

inline std::vector<std::string> ShownMenuLabels() {
    std::vector<std::string> labels;
    for (Gtk::MenuItem* item : ShownMenuItems()) {
        labels.push_back(item->get_label());
    }
    return labels;
}

// Presses at `from`, glides to `to` and lets go there.
inline void DragPointer(FakePointer& input, Point from, Point to) {
    input.Move(from.x, from.y);
    input.Button(true);
    input.Glide(from.x, from.y, to.x, to.y);
    Pump(100);
    input.Button(false);
}

// Saves the screen as <name>.png in the directory WAYMARK_SHOTS names, when
// it names one, for a person to look at.  The pointer is moved to the
// screen's corner first, so no tooltip or hover covers the picture; a test
// that holds the pointer passes it.
inline void Shoot(const std::string& name, FakePointer* held = nullptr) {
    const char* dir = std::getenv("WAYMARK_SHOTS");
    if (dir == nullptr) {
        return;
    }
    auto root = Gdk::Screen::get_default()->get_root_window();
    std::unique_ptr<FakePointer> own;
    if (held == nullptr) {
        own = std::make_unique<FakePointer>();
        held = own.get();
    }
    if (held->ok()) {
        held->Move(root->get_width() - 1, root->get_height() - 1);
    }
    Pump(600);
    Gdk::Pixbuf::create(root, 0, 0, root->get_width(), root->get_height())
        ->save(std::string(dir) + "/" + name + ".png", "png");
}

// Menu names of `count` menus "M0".."M<count-1>", each with `items` items.
inline std::vector<MenuData> Menus(int count, int items) {
    std::vector<MenuData> menus;
    for (int m = 0; m < count; ++m) {
        MenuData menu{"M" + std::to_string(m), {}};
        for (int i = 0; i < items; ++i) {
            menu.items.push_back("i" + std::to_string(m) + "-" + std::to_string(i));
        }
        menus.push_back(menu);
    }
    return menus;
}

}  // namespace wmtest
