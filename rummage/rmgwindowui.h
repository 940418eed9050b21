// The real dialogs behind rmg::UserInterface: message boxes, the delete
// question and the progress window.
#pragma once

#include <gtkmm.h>

#include "rummage/rmgui.h"

namespace rmg {

class WindowUi : public UserInterface {
  public:
    // `parent` is insensitive while the delete question or the progress
    // window is up; null means the main window when there is one.
    explicit WindowUi(Gtk::Window* parent = nullptr) : parent_(parent) {}
    ~WindowUi() override;
    WindowUi(const WindowUi&) = delete;
    WindowUi& operator=(const WindowUi&) = delete;

    int MessageBox(const std::string& title, const std::string& text, int style) override;
    int DeleteMessageBox(const std::string& path) override;
    bool CreateProgressWindow(int kind) override;
    void ShowProgressFraction(double fraction) override;
    bool ProgressCancelled() override;
    void DestroyProgressWindow() override;
    void RaiseProgressWindow() override;
    int SelectApplication(std::string& command) override;
    // On the main window's tree; nothing without one.
    void OpenChildTree(const std::string& dir, int expand) override;

  private:
    Gtk::Window* Parent() const;

    Gtk::Window* parent_;
    Gtk::Window* disabled_ = nullptr;  // turned off by the progress window
};

}  // namespace rmg
