#include "rummage/rmghelpmenu.h"

#include <sys/stat.h>
#include <unistd.h>

#include "common/I18n.h"
#include "common/XpmPixbuf.h"
#include "pixmaps/Abort.xpm"
#include "rummage/rmgcommands.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgutil.h"

namespace rmg {

bool ShowManual(const std::string& browser, const std::string& page) {
    if (access(browser.c_str(), X_OK) == 0) {
        return DefaultStartProgram(browser.c_str(), page.c_str()) > 0;
    }
    try {
        return Gio::AppInfo::launch_default_for_uri(Glib::filename_to_uri(page));
    } catch (const Glib::Error&) {
        return false;
    }
}

int CreateAbortDlg(DialogWindow** dialog) {
    if (dialog == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    Gtk::Box* box = nullptr;
    *dialog = CreateNormalDialogBox(&box, 0, 0, 5);
    (*dialog)->set_title(_("Abort"));
    (*dialog)->set_border_width(5);
    Gtk::Box* row = CreateHBox(box, false, 10, 5);
    row->pack_start(*CreatePixmap(suite::PixbufFromXpm(Abort_xpm)), false, false);
    const std::string text = FillText(_("Version %s"), {kRummageVersion}) + "\n" +
                             _("Rummage, the file manager of this desktop.") + "\n" +
                             _("Free software; it comes with no warranty.");
    auto* label = Gtk::manage(new Gtk::Label(text));
    label->set_justify(Gtk::JUSTIFY_RIGHT);
    label->set_xalign(1.0f);
    label->show();
    row->pack_start(*label, true, true);
    Gtk::Button* ok = nullptr;
    if (CreateDlgButtonBox(*dialog, &ok, nullptr, true) != 0) {
        return RESULT_CREATE_FAILED;
    }
    DialogWindow* running = *dialog;
    *dialog = nullptr;
    ModalMainLoop(running, MainWindow());
    return 0;
}

void on_Menu_Manual_activate() {
    ShowManual();
}

void on_Menu_Abort_activate() {
    RunDialog(&CreateAbortDlg);
}

}  // namespace rmg
