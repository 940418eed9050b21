#include "rummage/rmgprogress.h"

#include <chrono>

#include "common/I18n.h"
#include "rummage/rmgdialog.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgui.h"

namespace rmg {
namespace {

Gtk::Window* gDialog = nullptr;
Gtk::ProgressBar* gBar = nullptr;
bool gCancelled = false;

// Events handled per update at most, so that a flood of input cannot stall
// the operation.
constexpr int kMaxEventsPerUpdate = 64;

void Publish() {
    if (pGTable) {
        pGTable->ProgressDlg = gDialog;
        pGTable->ProgressBar = gBar;
    }
}

void PumpPending() {
    auto context = Glib::MainContext::get_default();
    for (int i = 0; i < kMaxEventsPerUpdate && context->pending(); ++i) {
        context->iteration(false);
    }
}

// Runs the loop until the window has been drawn once (bounded), so it is on
// the screen while a large tree is counted.
void WaitDrawn(Gtk::Window* window) {
    bool drawn = false;
    sigc::connection draw = window->signal_draw().connect(
        [&drawn](const Cairo::RefPtr<Cairo::Context>&) {
            drawn = true;
            return false;
        },
        false);
    auto context = Glib::MainContext::get_default();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    bool expired = false;
    // Wakes the blocking iteration should nothing else happen.
    sigc::connection guard = Glib::signal_timeout().connect(
        [&expired] {
            expired = true;
            return false;
        },
        500);
    while (!drawn && !expired && std::chrono::steady_clock::now() < until) {
        context->iteration(true);
    }
    guard.disconnect();
    draw.disconnect();
    PumpPending();
}

const char* LabelOfKind(int kind) {
    switch (kind) {
        case OP_MOVE:
            return _("File moving...");
        case OP_DELETE:
            return _("File deleting...");
        default:
            return _("File copying...");
    }
}

}  // namespace

Gtk::Window* CreateProgressDlg(int kind) {
    DestroyProgressDlg();
    gCancelled = false;

    Gtk::Box* box = nullptr;
    DialogWindow* dialog = CreateNormalDialogBox(&box, 350, 110, 5);
    dialog->set_title(_("File operation"));
    dialog->set_border_width(5);
    // Not a modal conversation: the operation runs on and only Cancel counts.
    dialog->set_modal(false);
    CreateLabel(box, LabelOfKind(kind));
    auto* bar = Gtk::manage(new Gtk::ProgressBar());
    bar->set_show_text(true);
    bar->set_fraction(0.0);
    box->pack_start(*bar, false, false);
    bar->show();

    Gtk::Button* cancel = nullptr;
    CreateDlgButtonBox(dialog, nullptr, &cancel, false);
    cancel->signal_clicked().connect(sigc::ptr_fun(&on_ProgressCancelButton_clicked));
    dialog->signal_delete_event().connect(sigc::bind(sigc::ptr_fun(&on_delete_event), cancel));
    dialog->add_events(Gdk::BUTTON_PRESS_MASK);
    dialog->signal_button_press_event().connect(
        sigc::bind(sigc::ptr_fun(&on_Window_button_press_event), dialog));

    gDialog = dialog;
    gBar = bar;
    Publish();
    dialog->show();
    WaitDrawn(dialog);
    RaiseProgressDlg();
    return gDialog;
}

void SetProgressFraction(double fraction) {
    if (!gDialog) {
        return;
    }
    RaiseProgressDlg();
    double shown = fraction;
    if (!(shown >= 0.0)) {
        shown = 0.0;
    } else if (shown > 1.0) {
        shown = 1.0;
    }
    gBar->set_fraction(shown);
    PumpPending();
}

void RaiseProgressDlg() {
    if (gDialog && gDialog->get_window()) {
        gDialog->get_window()->raise();
    }
}

void DestroyProgressDlg() {
    if (!gDialog) {
        return;
    }
    Gtk::Window* dialog = gDialog;
    gDialog = nullptr;
    gBar = nullptr;
    Publish();
    dialog->hide();
    delete dialog;
}

void on_ProgressCancelButton_clicked() {
    gCancelled = true;
    if (pGTable) {
        pGTable->ProgressCancel = 1;
    }
}

bool ProgressCancelClicked() {
    return gCancelled;
}

Gtk::Window* GetProgressDlg() {
    return gDialog;
}

Gtk::ProgressBar* GetProgressBar() {
    return gBar;
}

}  // namespace rmg
