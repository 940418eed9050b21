#include "common/GtkKit.h"

#include <set>
#include <vector>

namespace suite {

namespace {

struct RunningDialog {
    Glib::RefPtr<Glib::MainLoop> loop;
    Gtk::Window* dialog = nullptr;
    unsigned long serial = 0;
};

std::vector<RunningDialog>& Running() {
    static std::vector<RunningDialog> running;
    return running;
}

unsigned long gLastSerial = 0;

// The message box's handlers.
void on_Button1_clicked(int* answer) {
    *answer = 0;
    EndModalLoop();
}

void on_Button2_clicked(int* answer) {
    *answer = 1;
    EndModalLoop();
}

// Closing answers as the last button: the safe answer of a question.
bool on_Dialog_delete_event(GdkEventAny*, Gtk::Button* last) {
    last->clicked();
    return true;
}

bool on_MsgWindow_button_press_event(GdkEventButton*, Gtk::Window* box) {
    box->get_window()->raise();
    return false;
}

}  // namespace

void RunModalLoop(Gtk::Window& window, const Glib::RefPtr<Glib::MainLoop>& loop) {
    // Anything that hides the window behind our back must not leave the
    // loop waiting for a click that can no longer come.
    sigc::connection hidden = window.signal_hide().connect([loop] { loop->quit(); });
    window.show();
    window.add_modal_grab();
    loop->run();
    hidden.disconnect();
    window.remove_modal_grab();
    window.hide();
}

void RunModalDialog(Gtk::Window& dialog, Gtk::Window* disable, Gtk::Window* owner) {
    // A dialog inside a dialog may disable a window that is already off; it
    // must stay off when the inner one ends.
    const bool wasSensitive = disable && disable->get_sensitive();
    if (disable) {
        disable->set_sensitive(false);
        // Should the window go away meanwhile, it is not touched again.
        disable->add_destroy_notify_callback(&disable, [](void* data) -> void* {
            *static_cast<Gtk::Window**>(data) = nullptr;
            return nullptr;
        });
    }
    if (owner && owner != &dialog && !dialog.get_transient_for()) {
        dialog.set_transient_for(*owner);
    }
    auto loop = Glib::MainLoop::create(false);
    Running().push_back({loop, &dialog, ++gLastSerial});
    RunModalLoop(dialog, loop);
    Running().pop_back();
    if (disable) {
        disable->remove_destroy_notify_callback(&disable);
        if (wasSensitive) {
            disable->set_sensitive(true);
        }
    }
}

Gtk::Window* DialogOwner(Gtk::Window* disable, Gtk::Window* fallback) {
    if (!Running().empty()) {
        return Running().back().dialog;
    }
    return disable ? disable : fallback;
}

void EndModalLoop() {
    if (!Running().empty()) {
        Running().back().loop->quit();
    }
}

void EndAllModalLoops() {
    for (auto it = Running().rbegin(); it != Running().rend(); ++it) {
        it->loop->quit();
    }
}

int ModalLoopDepth() {
    return static_cast<int>(Running().size());
}

Gtk::Window* InnermostDialog() {
    return Running().empty() ? nullptr : Running().back().dialog;
}

unsigned long InnermostDialogSerial() {
    return Running().empty() ? 0 : Running().back().serial;
}

int RunMessageBox(const Glib::ustring& title, const Glib::ustring& text,
                  const Glib::RefPtr<Gdk::Pixbuf>& icon, const char* first, const char* second,
                  Gtk::Window* owner, const MessageBoxLook& look) {
    Gtk::Window box;
    box.set_title(title);
    box.set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    box.set_position(Gtk::WIN_POS_CENTER);
    box.set_modal(true);
    box.set_resizable(false);
    box.set_border_width(10);
    box.get_accessible()->set_name(title);

    Gtk::Box outer(Gtk::ORIENTATION_VERTICAL, look.rowGap);
    Gtk::Box body(Gtk::ORIENTATION_HORIZONTAL, 10);
    Gtk::Image image(icon);
    image.set_valign(look.iconCentred ? Gtk::ALIGN_CENTER : Gtk::ALIGN_START);
    // Plain text, never markup: paths may hold "<" or "&".
    Gtk::Label label(text);
    label.set_xalign(0.0f);
    label.set_yalign(0.5f);
    label.set_justify(Gtk::JUSTIFY_LEFT);
    label.get_accessible()->set_name(text);
    body.pack_start(image, false, false);
    body.pack_start(label, true, true);
    outer.pack_start(body, true, true);

    Gtk::ButtonBox row(Gtk::ORIENTATION_HORIZONTAL);
    row.set_layout(Gtk::BUTTONBOX_END);
    row.set_spacing(10);
    row.set_margin_start(look.rowInset);
    row.set_margin_end(look.rowInset);
    row.set_margin_bottom(look.rowInset);
    outer.pack_start(row, false, false);
    box.add(outer);

    int answer = -1;
    Gtk::Button* last = nullptr;
    const char* captions[] = {first, second};
    void (*const handlers[])(int*) = {&on_Button1_clicked, &on_Button2_clicked};
    for (int index = 0; index < 2 && captions[index]; ++index) {
        last = Gtk::manage(new Gtk::Button(captions[index]));
        last->set_size_request(100, 30);
        last->set_can_default(true);
        last->get_accessible()->set_name(captions[index]);
        if (auto* caption = dynamic_cast<Gtk::Label*>(last->get_child())) {
            caption->set_margin_start(look.captionPadding);
            caption->set_margin_end(look.captionPadding);
        }
        last->signal_clicked().connect(sigc::bind(sigc::ptr_fun(handlers[index]), &answer));
        row.pack_start(*last, false, false);
    }
    box.signal_delete_event().connect(sigc::bind(sigc::ptr_fun(&on_Dialog_delete_event), last));
    box.add_events(Gdk::BUTTON_PRESS_MASK);
    box.signal_button_press_event().connect(
        sigc::bind(sigc::ptr_fun(&on_MsgWindow_button_press_event), &box));
    outer.show_all();
    last->grab_focus();
    last->grab_default();
    RunModalDialog(box, nullptr, owner);
    return answer;
}

void InstallStyleSheet(const char* css) {
    static std::set<std::string> tried;
    if (!Gdk::Screen::get_default() || !tried.insert(css).second) {
        return;
    }
    // The screen keeps the sheet for the life of the process.
    Glib::RefPtr<Gtk::CssProvider> sheet;
    ReplaceStyleSheet(sheet, css);
}

void ReplaceStyleSheet(Glib::RefPtr<Gtk::CssProvider>& sheet, const std::string& css) {
    auto screen = Gdk::Screen::get_default();
    if (!screen) {
        return;
    }
    auto fresh = Gtk::CssProvider::create();
    try {
        fresh->load_from_data(css);
    } catch (const Glib::Error& error) {
        g_warning("Style sheet refused: %s", error.what().c_str());
        return;
    }
    if (sheet) {
        Gtk::StyleContext::remove_provider_for_screen(screen, sheet);
    }
    sheet = fresh;
    Gtk::StyleContext::add_provider_for_screen(screen, sheet,
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void PutWidget(Gtk::Fixed* fixed, Gtk::Widget& widget, int x, int y, int width, int height) {
    widget.set_size_request(width > 0 ? width : -1, height > 0 ? height : -1);
    if (fixed) {
        fixed->put(widget, x, y);
    }
    widget.show();
}

Gtk::Label* PutLabel(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                     int height) {
    auto* label = Gtk::manage(new Gtk::Label(text));
    label->set_xalign(0.0f);
    label->set_yalign(0.5f);
    label->set_justify(Gtk::JUSTIFY_LEFT);
    return Put(fixed, label, x, y, width, height);
}

Gtk::Button* PutButton(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                       int height) {
    auto* button = Gtk::manage(new Gtk::Button(text));
    button->set_can_default(true);
    button->get_accessible()->set_name(text);
    return Put(fixed, button, x, y, width, height);
}

Gtk::Entry* PutEntry(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y, int width,
                     int height, int maxChars, bool hidden) {
    auto* entry = Gtk::manage(new Gtk::Entry());
    if (maxChars > 0) {
        entry->set_max_length(maxChars);
    }
    // The entry would otherwise ask for room for twenty characters.
    entry->set_width_chars(1);
    if (hidden) {
        entry->set_visibility(false);
        entry->set_input_purpose(Gtk::INPUT_PURPOSE_PASSWORD);
    }
    entry->get_accessible()->set_name(name);
    return Put(fixed, entry, x, y, width, height);
}

Gtk::RadioButton* PutRadio(Gtk::Fixed* fixed, Gtk::RadioButton* groupOf, const Glib::ustring& text,
                           int x, int y, int width, int height) {
    auto* radio = Gtk::manage(new Gtk::RadioButton(text));
    if (groupOf) {
        Gtk::RadioButton::Group group = groupOf->get_group();
        radio->set_group(group);
    }
    radio->get_accessible()->set_name(text);
    return Put(fixed, radio, x, y, width, height);
}

Gtk::Fixed* PutFrame(Gtk::Fixed* fixed, const Glib::ustring& title, int x, int y, int width,
                     int height, Gtk::Frame** frameOut) {
    auto* frame = Gtk::manage(new Gtk::Frame(title));
    frame->set_shadow_type(Gtk::SHADOW_ETCHED_IN);
    frame->get_accessible()->set_name(title);
    Put(fixed, frame, x, y, width, height);
    if (frameOut) {
        *frameOut = frame;
    }
    return AddFixed(*frame);
}

Gtk::Image* PutImage(Gtk::Fixed* fixed, const Glib::RefPtr<Gdk::Pixbuf>& picture,
                     const Glib::ustring& name, int x, int y, int width, int height) {
    auto* image = Gtk::manage(picture ? new Gtk::Image(picture) : new Gtk::Image());
    image->get_accessible()->set_name(name);
    return Put(fixed, image, x, y, width, height);
}

Gtk::Fixed* AddFixed(Gtk::Container& container) {
    auto* fixed = Gtk::manage(new Gtk::Fixed());
    container.add(*fixed);
    fixed->show();
    return fixed;
}

}  // namespace suite
