#include "rummage/rmgmenubar.h"

#include <gtk/gtk.h>

#include "common/I18n.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgeditmenu.h"
#include "rummage/rmgfilemenu.h"
#include "rummage/rmghelpmenu.h"
#include "rummage/rmglayoutmenu.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgsettingmenu.h"
#include "rummage/rmgstring.h"
#include "rummage/rmgtable.h"

namespace rmg {

namespace {

constexpr auto kNoMod = static_cast<Gdk::ModifierType>(0);

const MenuEntry kMenuTable[kMenuTableSize] = {
    {0, kNoMod, MENU_KIND_ITEM, N_("Create new window(_W)"), on_Menu_CreateNewWindow_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("New(_N)"), nullptr},
    {GDK_KEY_F3, kNoMod, MENU_KIND_ITEM, N_("Open(_O)"), on_Menu_Open_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Copy(_C)..."), on_Menu_Copy_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Move(_M)..."), on_Menu_Move_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Delete(_D)..."), on_Menu_Delete_activate},
    {0, kNoMod, MENU_KIND_SEPARATOR, nullptr, nullptr},
    {0, kNoMod, MENU_KIND_ITEM, N_("Property(_P)..."), on_Menu_Property_activate},
    {0, kNoMod, MENU_KIND_SEPARATOR, nullptr, nullptr},
    {GDK_KEY_w, Gdk::CONTROL_MASK, MENU_KIND_ITEM, N_("Close window(_X)"),
     on_Menu_CloseWindow_activate},
    {GDK_KEY_a, Gdk::CONTROL_MASK, MENU_KIND_ITEM, N_("Select all(_A)"),
     on_Menu_SelectAll_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Select files(_S)..."), on_Menu_SelectFiles_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Invert selection(_I)"), on_Menu_Invert_Selection_activate},
    {0, kNoMod, MENU_KIND_SEPARATOR, nullptr, nullptr},
    {0, kNoMod, MENU_KIND_ITEM, N_("Find file(_F)..."), on_Menu_FindFile_activate},
    {0, kNoMod, MENU_KIND_SEPARATOR, nullptr, nullptr},
    {0, kNoMod, MENU_KIND_ITEM, N_("Symbolic link(_L)..."), on_Menu_SymbolicLink_activate},
    {0, kNoMod, MENU_KIND_SEPARATOR, nullptr, nullptr},
    {0, kNoMod, MENU_KIND_ITEM, N_("Rescan directory(_R)"), on_Menu_RescanDirectory_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Option(_O)..."), on_Menu_Option_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Sort column(_S)..."), on_Menu_Sort_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Filter view(_F)..."), on_Menu_FilterView_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Manual(_M)..."), on_Menu_Manual_activate},
    {0, kNoMod, MENU_KIND_SEPARATOR, nullptr, nullptr},
    {0, kNoMod, MENU_KIND_ITEM, N_("Abort(_A)..."), on_Menu_Abort_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("Directory(_D)..."), on_Menu_NewDirectory_activate},
    {0, kNoMod, MENU_KIND_ITEM, N_("File(_F)..."), on_Menu_NewFile_activate},
};

const char* const kMenuTitles[kMenuCount] = {N_("File(_F)"), N_("Edit(_E)"), N_("Setting(_S)"),
                                             N_("Layout(_L)"), N_("Help(_H)")};

// One item of the table into `menu`; its accelerator goes to `accel`.
Gtk::MenuItem* CreateMenuItem(Gtk::Menu& menu, const Glib::RefPtr<Gtk::AccelGroup>& accel,
                              Gtk::RadioMenuItem::Group* radioGroup, int index) {
    const MenuEntry& entry = kMenuTable[index];
    Gtk::MenuItem* item = nullptr;
    if (entry.kind == MENU_KIND_SEPARATOR) {
        item = Gtk::manage(new Gtk::SeparatorMenuItem());
        item->set_sensitive(false);
    } else if (entry.kind == MENU_KIND_RADIO && radioGroup != nullptr) {
        item = Gtk::manage(new Gtk::RadioMenuItem(*radioGroup, _(entry.label), true));
    } else {
        item = Gtk::manage(new Gtk::MenuItem(_(entry.label), true));
    }
    if (item == nullptr) {
        return nullptr;
    }
    if (entry.kind != MENU_KIND_SEPARATOR) {
        if (entry.key != 0) {
            item->add_accelerator("activate", accel, entry.key, entry.modifiers,
                                  Gtk::ACCEL_VISIBLE);
        }
        // The tip shows in the status bar only (on_Menu_select): a tooltip
        // over an open menu would hide the neighbouring items.
        if (entry.handler != nullptr) {
            item->signal_activate().connect(sigc::ptr_fun(entry.handler));
        }
        item->signal_select().connect([index] { on_Menu_select(index); });
        item->signal_deselect().connect([] { on_Menu_deselect(); });
    }
    menu.append(*item);
    return item;
}

Gtk::Menu* CreateSubMenu(Gtk::MenuItem& parent, const Glib::RefPtr<Gtk::AccelGroup>& accel) {
    auto* menu = Gtk::manage(new Gtk::Menu());
    menu->set_accel_group(accel);
    parent.set_submenu(*menu);
    return menu;
}

// The tree's selected node is collapsed and has children.
bool TreeSelectionExpandable() {
    Gtk::TreeView* tree = pMainW->DirTree;
    if (tree == nullptr) {
        return false;
    }
    auto node = GetTreeSelect(tree);
    return node && !node->children().empty() && !IsTreeNodeExpanded(tree, node);
}

}  // namespace

const MenuEntry& GetMenuEntry(int index) {
    return kMenuTable[index < 0 || index >= kMenuTableSize ? 0 : index];
}

const char* GetMenuTitle(int menu) {
    return kMenuTitles[menu < 0 || menu >= kMenuCount ? 0 : menu];
}

Gtk::MenuBar* CreateMenuBar(Gtk::Box& box, Gtk::Window& window) {
    auto accel = Gtk::AccelGroup::create();
    window.add_accel_group(accel);
    auto* bar = Gtk::manage(new Gtk::MenuBar());
    Gtk::RadioMenuItem::Group radioGroup;
    int index = 0;
    for (int m = 0; m < kMenuCount; ++m) {
        auto* title = Gtk::manage(new Gtk::MenuItem(_(kMenuTitles[m]), true));
        if (m == kMenuCount - 1) {
            // Still the only way to push the last title to the right edge.
            G_GNUC_BEGIN_IGNORE_DEPRECATIONS
            gtk_menu_item_set_right_justified(title->gobj(), TRUE);
            G_GNUC_END_IGNORE_DEPRECATIONS
        }
        if (m == 0) {
            title->signal_activate().connect(sigc::ptr_fun(&on_Menu_File_activate));
        } else if (m == 1) {
            title->signal_activate().connect(sigc::ptr_fun(&on_Menu_Edit_activate));
        }
        bar->append(*title);
        Gtk::Menu* menu = CreateSubMenu(*title, accel);
        for (int i = 0; i < kMenuEntries[m]; ++i, ++index) {
            Gtk::MenuItem* item = CreateMenuItem(*menu, accel, &radioGroup, index);
            if (item == nullptr) {
                return nullptr;
            }
            pMainW->MenuItem[index] = item;
        }
    }
    Gtk::Menu* newMenu = CreateSubMenu(*pMainW->MenuItem[MENU_NEW], accel);
    for (int i = kMenuItemCount; i < kMenuTableSize; ++i) {
        if (CreateMenuItem(*newMenu, accel, &radioGroup, i) == nullptr) {
            return nullptr;
        }
    }
    box.pack_start(*bar, Gtk::PACK_SHRINK);
    return bar;
}

void SensitiveSelectionCommands() {
    if (pMainW == nullptr || pMainW->MenuItem[MENU_OPEN] == nullptr) {
        return;
    }
    // Counted, not read: a big selection changes with every click.
    int rows = 0;
    if (pMainW->FileList != nullptr) {
        rows = gtk_tree_selection_count_selected_rows(pMainW->FileList->get_selection()->gobj());
    }
    Gtk::TreeView* tree = pMainW->DirTree;
    std::string treePath;
    const bool treeSelected = tree != nullptr && GetTreeSelect(tree, &treePath);
    bool open = rows == 1;
    if (rows == 0) {
        open = !treeSelected || TreeSelectionExpandable();
    }
    // The node the commands would take, which is the shown directory but
    // for the moment between the tree's selection and the list following it.
    const bool fileCommands =
        rows > 0 || (treeSelected && pGTable != nullptr && treePath != pGTable->HomeDir);
    pMainW->MenuItem[MENU_OPEN]->set_sensitive(open);
    pMainW->MenuItem[MENU_COPY]->set_sensitive(fileCommands);
    pMainW->MenuItem[MENU_MOVE]->set_sensitive(fileCommands);
    pMainW->MenuItem[MENU_DELETE]->set_sensitive(fileCommands);
    pMainW->MenuItem[MENU_SYMBOLIC_LINK]->set_sensitive((rows > 0 || treeSelected) && rows <= 1);
}

void on_Menu_File_activate() {
    SensitiveSelectionCommands();
    SensitivePropertyButton();
}

void on_Menu_Edit_activate() {
    SensitiveSelectionCommands();
}

}  // namespace rmg
