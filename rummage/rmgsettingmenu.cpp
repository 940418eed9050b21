#include "rummage/rmgsettingmenu.h"

#include <algorithm>

#include "common/I18n.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgoptions.h"
#include "rummage/rmgtable.h"

namespace rmg {

namespace {

struct ColumnCols : Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<Glib::ustring> title;
    Gtk::TreeModelColumn<int> kind;
    ColumnCols() {
        add(title);
        add(kind);
    }
};

const ColumnCols& Cols() {
    static ColumnCols cols;
    return cols;
}

struct OptionRecord {
    DialogWindow* Dialog = nullptr;
    Gtk::CheckButton* Check[kOptionFlagCount] = {};
    Gtk::TreeView* PossibleList = nullptr;
    Gtk::TreeView* DisplayedList = nullptr;
    Glib::RefPtr<Gtk::ListStore> possible;
    Glib::RefPtr<Gtk::ListStore> displayed;
    Gtk::Button* AddButton = nullptr;
    Gtk::Button* RemoveButton = nullptr;
    Gtk::Button* ColorButton[kColorCount] = {};
    Gtk::DrawingArea* Swatch[kColorCount] = {};
    RmgColor Color[kColorCount] = {};
};

std::vector<int> SelectedKinds(Gtk::TreeView* list) {
    std::vector<int> kinds;
    auto model = list->get_model();
    for (const auto& path : list->get_selection()->get_selected_rows()) {
        kinds.push_back((*model->get_iter(path))[Cols().kind]);
    }
    return kinds;
}

std::vector<int> ListKinds(const Glib::RefPtr<Gtk::ListStore>& store) {
    std::vector<int> kinds;
    for (const auto& row : store->children()) {
        kinds.push_back(row[Cols().kind]);
    }
    return kinds;
}

void FillList(const Glib::RefPtr<Gtk::ListStore>& store, const std::vector<int>& kinds) {
    store->clear();
    for (int kind : kinds) {
        auto row = *store->append();
        row[Cols().title] = _(GetListColumnString(kind));
        row[Cols().kind] = kind;
    }
}

void GetListSensitive(OptionRecord* rec) {
    rec->AddButton->set_sensitive(!SelectedKinds(rec->PossibleList).empty());
    rec->RemoveButton->set_sensitive(CanRemoveColumns(SelectedKinds(rec->DisplayedList)));
}

// Add (`add` true) or Remove: the selected rows change lists.
void on_DetaildButton_clicked(OptionRecord* rec, bool add) {
    std::vector<int> from = ListKinds(add ? rec->possible : rec->displayed);
    std::vector<int> to = ListKinds(add ? rec->displayed : rec->possible);
    const std::vector<int> moving = SelectedKinds(add ? rec->PossibleList : rec->DisplayedList);
    if (!add && !CanRemoveColumns(moving)) {
        return;
    }
    for (int kind : moving) {
        from.erase(std::remove(from.begin(), from.end(), kind), from.end());
        to.push_back(kind);
    }
    const std::vector<int>& displayed = add ? to : from;
    FillList(rec->displayed, displayed);
    FillList(rec->possible, PossibleColumns(displayed));
    GetListSensitive(rec);
}

Gtk::TreeView* CreateSingleList(Gtk::Box* box, const Glib::RefPtr<Gtk::ListStore>& store,
                                const char* title, OptionRecord* rec) {
    Gtk::ScrolledWindow* scroll = CreateScroll();
    box->pack_start(*scroll, true, true);
    auto* list = Gtk::manage(new Gtk::TreeView(store));
    list->append_column(_(title), Cols().title);
    list->get_column(0)->set_min_width(80);
    list->set_headers_visible(true);
    list->get_selection()->set_mode(Gtk::SELECTION_MULTIPLE);
    list->get_accessible()->set_name(_(title));
    list->get_selection()->signal_changed().connect([rec] { GetListSensitive(rec); });
    scroll->add(*list);
    list->show();
    return list;
}

void PaintSwatch(const Cairo::RefPtr<Cairo::Context>& cr, const RmgColor& color) {
    cr->set_source_rgb(color.red / 65535.0, color.green / 65535.0, color.blue / 65535.0);
    cr->paint();
}

void on_ColorButton_clicked(OptionRecord* rec, int index) {
    Gtk::ColorChooserDialog chooser(_("Color selection"));
    chooser.set_border_width(7);
    chooser.set_position(Gtk::WIN_POS_CENTER);
    chooser.set_modal(true);
    chooser.set_resizable(false);
    chooser.set_use_alpha(false);
    chooser.set_transient_for(*rec->Dialog);
    Gdk::RGBA rgba;
    rgba.set_rgba_u(rec->Color[index].red, rec->Color[index].green, rec->Color[index].blue);
    chooser.set_rgba(rgba);
    chooser.set_default_response(Gtk::RESPONSE_OK);
    if (chooser.run() != Gtk::RESPONSE_OK) {
        return;
    }
    const Gdk::RGBA chosen = chooser.get_rgba();
    RmgColor color = rec->Color[index];
    color.red = ColorChannel(chosen.get_red());
    color.green = ColorChannel(chosen.get_green());
    color.blue = ColorChannel(chosen.get_blue());
    if (color.red != rec->Color[index].red || color.green != rec->Color[index].green ||
        color.blue != rec->Color[index].blue) {
        rec->Color[index] = color;
        rec->Swatch[index]->queue_draw();
    }
}

void CreateColorButton(Gtk::Grid* grid, int row, int index, OptionRecord* rec) {
    CreateGridCaption(grid, row, _(OptionColorText(index)));
    auto* button = Gtk::manage(new Gtk::Button());
    button->set_size_request(80, 22);
    button->get_accessible()->set_name(_(OptionColorText(index)));
    auto* swatch = Gtk::manage(new Gtk::DrawingArea());
    swatch->set_size_request(73, 15);
    swatch->signal_draw().connect([rec, index](const Cairo::RefPtr<Cairo::Context>& cr) {
        PaintSwatch(cr, rec->Color[index]);
        return true;
    });
    button->add(*swatch);
    button->show_all();
    button->signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_ColorButton_clicked), rec, index));
    grid->attach(*button, 1, row, 1, 1);
    rec->ColorButton[index] = button;
    rec->Swatch[index] = swatch;
}

void SetOptionValue(OptionRecord* rec) {
    const OptionValues values = ReadOptionValues(*pGTable);
    for (int i = 0; i < kOptionFlagCount; ++i) {
        rec->Check[i]->set_active(values.flags[i] != 0);
    }
    FillList(rec->displayed, values.displayed);
    FillList(rec->possible, PossibleColumns(values.displayed));
    std::copy(std::begin(values.colors), std::end(values.colors), std::begin(rec->Color));
    GetListSensitive(rec);
}

void on_Option_OKButton_clicked(OptionRecord* rec) {
    if (pGTable == nullptr) {
        suite::EndModalLoop();
        return;
    }
    OptionValues values;
    for (int i = 0; i < kOptionFlagCount; ++i) {
        values.flags[i] = rec->Check[i]->get_active() ? 1 : 0;
    }
    std::copy(std::begin(rec->Color), std::end(rec->Color), std::begin(values.colors));
    values.displayed = ListKinds(rec->displayed);
    const OptionChange change = ApplyOptionValues(*pGTable, values);
    suite::EndModalLoop();
    if (change.tree && pMainW != nullptr && pMainW->DirTree != nullptr) {
        // Hidden and backup names appear or go in every listed directory.
        const std::string current = pGTable->CurrentDir;
        RescanTree(pMainW->DirTree, pGTable->HomeDir);
        OpenChildTree(pMainW->DirTree, current, 0);
    }
    if (change.columns) {
        ResetFileListColumns();  // relists too
    } else {
        DisplayFileList(pGTable->CurrentDir);
    }
}

}  // namespace

int CreateOptionDlg(DialogWindow** dialog) {
    if (dialog == nullptr || pGTable == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    OptionRecord rec;
    Gtk::Notebook* book = nullptr;
    rec.Dialog = CreateNotebookDialogBox(&book, -1, 275);
    rec.Dialog->set_size_request(-1, 275);
    *dialog = rec.Dialog;
    rec.Dialog->set_title(_("Option"));

    static const char* const kPages[] = {N_("File display"), N_("Confirmation")};
    for (int p = 0; p < 2; ++p) {
        Gtk::Box* page = CreateNotebookPage(book, _(kPages[p]), Gtk::ORIENTATION_VERTICAL, 5);
        for (int i = p * 4; i < p * 4 + 4; ++i) {
            rec.Check[i] = CreateCheckButton(page, _(OptionFlagText(i)), false);
        }
    }

    Gtk::Box* columns =
        CreateNotebookPage(book, _("File list columns"), Gtk::ORIENTATION_HORIZONTAL, 5);
    rec.possible = Gtk::ListStore::create(Cols());
    rec.displayed = Gtk::ListStore::create(Cols());
    rec.PossibleList = CreateSingleList(columns, rec.possible, N_("Possible columns"), &rec);
    auto* buttons = Gtk::manage(new Gtk::ButtonBox(Gtk::ORIENTATION_VERTICAL));
    buttons->set_layout(Gtk::BUTTONBOX_CENTER);
    buttons->set_spacing(5);
    rec.AddButton = Gtk::manage(new Gtk::Button(_("Add")));
    rec.RemoveButton = Gtk::manage(new Gtk::Button(_("Remove")));
    buttons->pack_start(*rec.AddButton, false, false);
    buttons->pack_start(*rec.RemoveButton, false, false);
    buttons->show_all();
    columns->pack_start(*buttons, false, false);
    rec.DisplayedList = CreateSingleList(columns, rec.displayed, N_("Displayed columns"), &rec);
    // The displayed order is the user's: rows are dragged into place.
    rec.DisplayedList->set_reorderable(true);
    rec.AddButton->signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_DetaildButton_clicked), &rec, true));
    rec.RemoveButton->signal_clicked().connect(
        sigc::bind(sigc::ptr_fun(&on_DetaildButton_clicked), &rec, false));

    Gtk::Box* colors =
        CreateNotebookPage(book, _("File list Color"), Gtk::ORIENTATION_HORIZONTAL, 10);
    for (int side = 0; side < 2; ++side) {
        Gtk::Grid* grid = CreateTable(4, 2, 5, 10, 0);
        colors->pack_start(*grid, true, true);
        for (int row = 0; row < 4; ++row) {
            CreateColorButton(grid, row, side * 4 + row, &rec);
        }
    }

    CreateOkCancel(rec.Dialog, [&rec] { on_Option_OKButton_clicked(&rec); });
    SetOptionValue(&rec);
    RunModal(dialog, MainWindow());
    return 0;
}

void on_Menu_Option_activate() {
    RunDialog(&CreateOptionDlg);
}

}  // namespace rmg
