#include "rummage/rmgwindowui.h"

#include "rummage/rmgdirtree.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgprogress.h"
#include "rummage/rmgselfile.h"

namespace rmg {

WindowUi::~WindowUi() {
    if (disabled_) {
        disabled_->remove_destroy_notify_callback(&disabled_);
    }
}

Gtk::Window* WindowUi::Parent() const {
    if (parent_) {
        return parent_;
    }
    return pMainW ? pMainW->Window : nullptr;
}

int WindowUi::MessageBox(const std::string& title, const std::string& text, int style) {
    return rmg::MessageBox(title, text, style);
}

int WindowUi::DeleteMessageBox(const std::string& path) {
    return rmg::DeleteMessageBox(Parent(), path);
}

bool WindowUi::CreateProgressWindow(int kind) {
    // The operation lets events through while it runs; the window it was
    // started from stays off so that no second operation starts inside it.
    Gtk::Window* parent = Parent();
    if (parent && !disabled_ && parent->get_sensitive()) {
        parent->set_sensitive(false);
        disabled_ = parent;
        // The window manager can still close it; then it is not touched again.
        parent->add_destroy_notify_callback(&disabled_, [](void* data) -> void* {
            *static_cast<Gtk::Window**>(data) = nullptr;
            return nullptr;
        });
    }
    if (!CreateProgressDlg(kind)) {
        DestroyProgressWindow();
        return false;
    }
    return true;
}

void WindowUi::ShowProgressFraction(double fraction) {
    SetProgressFraction(fraction);
}

bool WindowUi::ProgressCancelled() {
    return ProgressCancelClicked();
}

void WindowUi::DestroyProgressWindow() {
    DestroyProgressDlg();
    if (disabled_) {
        disabled_->remove_destroy_notify_callback(&disabled_);
        disabled_->set_sensitive(true);
        disabled_ = nullptr;
    }
}

void WindowUi::RaiseProgressWindow() {
    RaiseProgressDlg();
}

int WindowUi::SelectApplication(std::string& command) {
    command.clear();
    DialogWindow* dialog = nullptr;
    const int result = SelectAppDlg(&dialog, &command);
    // A half-built picker is ours to remove.
    delete dialog;
    return result == RESULT_CREATE_FAILED || result == RESULT_BAD_ARGUMENT ? RESULT_CREATE_FAILED
                                                                           : 0;
}

void WindowUi::OpenChildTree(const std::string& dir, int expand) {
    if (pMainW && pMainW->DirTree) {
        rmg::OpenChildTree(pMainW->DirTree, dir, expand);
    }
}

}  // namespace rmg
