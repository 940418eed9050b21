#include "rummage/rmglayoutmenu.h"

#include "common/I18n.h"
#include "common/XpmPixbuf.h"
#include "pixmaps/IconFilter.xpm"
#include "pixmaps/IconSort.xpm"
#include "rummage/rmgcommands.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmglistlogic.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgtable.h"

namespace rmg {

namespace {

struct SortRecord {
    Gtk::ComboBoxText* Combo = nullptr;
    Gtk::CheckButton* Reverse = nullptr;
};

void on_Sort_OKButton_clicked(SortRecord* rec) {
    if (pGTable != nullptr) {
        const int kind = GetListStringColumn(rec->Combo->get_active_text());
        ApplySortChoice(*pGTable, kind, rec->Reverse->get_active());
        SortFileList();
    }
    suite::EndModalLoop();
}

void on_Filter_OKButton_clicked(Gtk::Entry* entry) {
    const std::string text = FromDisplay(entry->get_text());
    if (pGTable == nullptr) {
        suite::EndModalLoop();
        return;
    }
    if (!ApplyFilterText(*pGTable, text)) {
        RefuseEntry(entry, _("Invalid filter string."));
        return;
    }
    DisplayFileList(pGTable->CurrentDir);
    DisplayFilterStatus();
    suite::EndModalLoop();
}

}  // namespace

int CreateSortDlg(DialogWindow** dialog) {
    if (dialog == nullptr || pGTable == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    Gtk::Box* box = nullptr;
    *dialog = CreateTitledIconDialog(&box, suite::PixbufFromXpm(IconSort_xpm), _("Sort"), 0);
    SortRecord rec;
    Gtk::Box* row = CreateHBox(box, false, 10, 0);
    CreateLabel(row, _("Sort column"));
    rec.Combo = Gtk::manage(new Gtk::ComboBoxText());
    rec.Combo->set_size_request(230, -1);
    rec.Combo->get_accessible()->set_name(_("Sort column"));
    for (int i = 0; i < pGTable->ColumnCount && i < kMaxColumns; ++i) {
        rec.Combo->append(_(GetListColumnString(pGTable->ColumnPosition[i])));
    }
    // A sort on the icon column, or one the layout no longer has, names
    // no entry.
    rec.Combo->set_active(SortChoiceIndex(*pGTable));
    rec.Combo->show();
    row->pack_start(*rec.Combo, true, true);
    rec.Reverse = CreateCheckButton(box, _("Reverse the order"), pGTable->SortType == 1);
    CreateOkCancel(*dialog, [&rec] { on_Sort_OKButton_clicked(&rec); });
    RunModal(dialog, MainWindow());
    return 0;
}

int CreateFilterDlg(DialogWindow** dialog) {
    if (dialog == nullptr || pGTable == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    return RunTextDialog(dialog, suite::PixbufFromXpm(IconFilter_xpm), _("Filter"),
                         _("Enter a filter here for files in the file list view."),
                         pGTable->FilterHistory,
                         ToDisplay(pGTable->Filter != 0 ? pGTable->FilterName : std::string("*")),
                         &on_Filter_OKButton_clicked);
}

void on_Menu_Sort_activate() {
    RunDialog(&CreateSortDlg);
}

void on_Menu_FilterView_activate() {
    RunDialog(&CreateFilterDlg);
}

}  // namespace rmg
