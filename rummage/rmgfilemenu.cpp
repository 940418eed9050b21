#include "rummage/rmgfilemenu.h"

#include <gtk/gtk.h>

#include "common/I18n.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"
#include "rummage/rmgutil.h"
#include "rummage/rmgwindowui.h"

namespace rmg {

int BuildFileOperationList(const SelectionSource& source, const std::string& currentDir,
                           std::vector<std::string>& items, std::string* description) {
    items.clear();
    std::string name;
    int kind = -1;  // unknown until the first item
    if (source.rows.empty()) {
        if (!source.treeSelected) {
            return SELECT_NOTHING;
        }
        items.push_back(source.treePath);
        name = source.treeLabel;
        kind = SELECT_DIRECTORIES;
    } else {
        for (const SelectedRow& row : source.rows) {
            if (row.name == "..") {
                continue;
            }
            items.push_back(currentDir + row.name + (row.directory ? "/" : ""));
            name = row.name;
            const int rowKind = row.directory ? SELECT_DIRECTORIES : SELECT_FILES;
            if (kind == -1) {
                kind = rowKind;
            } else if (kind != rowKind) {
                kind = SELECT_BOTH;
            }
        }
    }
    if (items.empty()) {
        return SELECT_NOTHING;
    }
    if (description != nullptr) {
        // The kind words stay untranslated.
        static const char* const kWords[] = {"file", "directory", "file/directory"};
        const std::string subject = items.size() == 1 ? name : std::to_string(items.size());
        std::string text = _("%s %s");
        const std::size_t first = text.find("%s");
        if (first != std::string::npos) {
            text.replace(first, 2, subject);
            const std::size_t second = text.find("%s", first + subject.size());
            if (second != std::string::npos) {
                text.replace(second, 2, kWords[kind]);
            }
        }
        *description = text;
    }
    return kind;
}

void ReadSelectionSource(SelectionSource& source) {
    source = SelectionSource();
    if (pMainW == nullptr || pGTable == nullptr) {
        return;
    }
    if (pMainW->FileList != nullptr) {
        for (int row : GetListSelectedRows()) {
            source.rows.push_back({GetListRowName(row), IsListRowDirectory(row)});
        }
    }
    if (pMainW->DirTree != nullptr) {
        std::string path;
        auto node = GetTreeSelect(pMainW->DirTree, &path);
        if (node) {
            source.treeSelected = true;
            source.treePath = path;
            source.treeLabel = node->parent() ? GetLastPath(path) : path;
        }
    }
}

int GetFileOperationString(std::vector<std::string>& items, std::string* description) {
    SelectionSource source;
    ReadSelectionSource(source);
    return BuildFileOperationList(source, pGTable != nullptr ? pGTable->CurrentDir : "", items,
                                  description);
}

int CreateFileOperationPopup() {
    auto* menu = new (std::nothrow) Gtk::Menu();
    if (menu == nullptr) {
        return RESULT_CREATE_FAILED;
    }
    menu->set_border_width(2);
    int result = 0;
    bool done = false;
    auto loop = Glib::MainLoop::create();
    auto finish = [&] {
        if (!done) {
            done = true;
            // Deactivation comes before the chosen item's activation; let
            // that arrive before the loop ends.
            Glib::signal_idle().connect_once([loop] { loop->quit(); });
        }
    };
    auto* copy = Gtk::manage(new Gtk::MenuItem(_("Copy(_C)"), true));
    auto* move = Gtk::manage(new Gtk::MenuItem(_("Move(_M)"), true));
    copy->signal_activate().connect([&] {
        result = 1;
        finish();
    });
    move->signal_activate().connect([&] {
        result = 2;
        finish();
    });
    menu->append(*copy);
    menu->append(*move);
    menu->signal_deactivate().connect(finish);
    if (pMainW != nullptr && pMainW->Window != nullptr) {
        menu->attach_to_widget(*pMainW->Window);
    }
    menu->show_all();
    if (GdkEvent* event = gtk_get_current_event()) {
        menu->popup_at_pointer(event);
        gdk_event_free(event);
    } else {
        // No event to take the place from (a scripted drop): put it where
        // the pointer is.
        auto display = Gdk::Display::get_default();
        auto root = Gdk::Screen::get_default()->get_root_window();
        int x = 0;
        int y = 0;
        if (display && display->get_default_seat()) {
            Gdk::ModifierType mask;
            root->get_device_position(display->get_default_seat()->get_pointer(), x, y, mask);
        }
        menu->popup_at_rect(root, Gdk::Rectangle(x, y, 1, 1), Gdk::GRAVITY_NORTH_WEST,
                            Gdk::GRAVITY_NORTH_WEST, nullptr);
    }
    if (!menu->get_visible()) {
        if (menu->get_attach_widget() != nullptr) {
            menu->detach();
        }
        delete menu;
        return RESULT_CREATE_FAILED;
    }
    loop->run();
    menu->popdown();
    if (menu->get_attach_widget() != nullptr) {
        menu->detach();
    }
    delete menu;
    return result;
}

void on_Menu_Open_activate() {
    if (pGTable == nullptr || pMainW == nullptr) {
        return;
    }
    SelectionSource source;
    ReadSelectionSource(source);
    std::string path;
    if (source.rows.empty()) {
        if (!source.treeSelected) {
            return;
        }
        path = source.treePath;
    } else {
        const SelectedRow& row = source.rows.front();
        path = pGTable->CurrentDir + row.name + (row.directory ? "/" : "");
    }
    if (IsDirectory(path)) {
        OpenChildTree(pMainW->DirTree, path, 1);
    } else {
        WindowUi ui(pMainW->Window);
        ExecApplication(path.c_str(), ui);
    }
}

// Commands built by later work: present with their tips, doing nothing yet.
void on_Menu_NewDirectory_activate() {}
void on_Menu_NewFile_activate() {}
void on_Menu_Copy_activate() {}
void on_Menu_Move_activate() {}
void on_Menu_Delete_activate() {}
void on_Menu_Property_activate() {}

}  // namespace rmg
