#include "rummage/rmghelpmenu.h"

#include <sys/stat.h>
#include <unistd.h>

#include "common/I18n.h"
#include "common/XpmPixbuf.h"
#include "pixmaps/Abort.xpm"
#include "rummage/rmgcommands.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

ManualSetup& Manual() {
    static ManualSetup setup;
    return setup;
}

}  // namespace

bool OpenWithDesktop(const std::string& uri) {
    try {
        return Gio::AppInfo::launch_default_for_uri(uri);
    } catch (const Glib::Error&) {
        return false;
    }
}

void SetManualSetup(ManualSetup setup) {
    Manual() = std::move(setup);
}

bool ShowManual(const std::string& browser, const std::string& page, const UriOpener& openDefault) {
    if (access(browser.c_str(), X_OK) == 0) {
        return DefaultStartProgram(browser.c_str(), page.c_str()) > 0;
    }
    return openDefault && openDefault(Glib::filename_to_uri(page));
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
    const ManualSetup& setup = Manual();
    if (ShowManual(setup.browser, setup.page, setup.openDefault)) {
        return;
    }
    // Nothing opened the page: say what is missing rather than nothing.
    struct stat st {};
    const std::string text =
        stat(setup.page.c_str(), &st) != 0
            ? FillText(_("Cannot show the manual:\n%s is not installed.\n"
                         "Install Rummage again to put it there."),
                       {DisplayName(setup.page)})
            : FillText(_("Cannot show the manual:\nno web browser could open it.\n"
                         "Install a web browser at %s,\n"
                         "or one the desktop opens web pages with."),
                       {DisplayName(setup.browser)});
    MessageBox(_("Error"), text, MB_OK + MB_ICON_EXCLAMATION);
}

void on_Menu_Abort_activate() {
    RunDialog(&CreateAbortDlg);
}

}  // namespace rmg
