#include "tunewell/TwSupport.h"

#include <memory>
#include <vector>

namespace tw {
namespace {

std::vector<Glib::RefPtr<Glib::MainLoop>>& LoopStack() {
    static std::vector<Glib::RefPtr<Glib::MainLoop>> stack;
    return stack;
}

std::vector<Gtk::Window*>& DialogStack() {
    static std::vector<Gtk::Window*> stack;
    return stack;
}

std::vector<unsigned long>& SerialStack() {
    static std::vector<unsigned long> stack;
    return stack;
}

unsigned long gLastSerial = 0;
Gtk::Window* gDialogOwner = nullptr;

// The layout places widgets at exact positions and sizes; the theme's
// minimum heights and paddings would push them over one another.
constexpr const char* kStyle =
    "button { padding: 0px 4px; min-height: 0px; }\n"
    "entry { padding: 0px 3px; min-height: 0px; }\n"
    "radiobutton, checkbutton { padding: 0px; min-height: 0px; }\n"
    "radiobutton radio, checkbutton check { margin: 0px 4px 0px 0px; }\n"
    "frame > border { border-width: 1px; }\n"
    "notebook > header > tabs > tab { padding: 2px 10px; min-height: 0px; }\n"
    "combobox button { padding: 0px 2px; }\n"
    // A zone table holds hundreds of names: a scrolled list pops up at once
    // where a menu would build an item per zone.
    "combobox { -GtkComboBox-appears-as-list: true; }\n"
    ".tw-wait { border: 2px outset #8a8a8a; }\n";

void Place(Gtk::Fixed* fixed, Gtk::Widget* widget, int x, int y, int width, int height) {
    if (width > 0 || height > 0) {
        widget->set_size_request(width > 0 ? width : -1, height > 0 ? height : -1);
    }
    if (fixed) {
        fixed->put(*widget, x, y);
    }
    widget->show();
}

}  // namespace

void InstallTwStyle() {
    auto screen = Gdk::Screen::get_default();
    if (!screen) {
        return;
    }
    static Glib::RefPtr<Gtk::CssProvider> provider;
    if (provider) {
        return;
    }
    provider = Gtk::CssProvider::create();
    try {
        provider->load_from_data(kStyle);
    } catch (const Glib::Error& error) {
        g_warning("Style sheet refused: %s", error.what().c_str());
        return;
    }
    Gtk::StyleContext::add_provider_for_screen(screen, provider,
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

Gtk::Label* PutLabel(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                     int height) {
    auto* label = Gtk::manage(new Gtk::Label(text));
    label->set_xalign(0.0f);
    label->set_yalign(0.5f);
    label->set_justify(Gtk::JUSTIFY_LEFT);
    Place(fixed, label, x, y, width, height);
    return label;
}

Gtk::Button* PutButton(Gtk::Fixed* fixed, const Glib::ustring& text, int x, int y, int width,
                       int height) {
    auto* button = Gtk::manage(new Gtk::Button(text));
    button->set_can_default(true);
    button->get_accessible()->set_name(text);
    Place(fixed, button, x, y, width, height);
    return button;
}

Gtk::Entry* PutEntry(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y, int width,
                     int maxChars, bool hidden) {
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
    Place(fixed, entry, x, y, width, 22);
    return entry;
}

Gtk::RadioButton* PutRadio(Gtk::Fixed* fixed, Gtk::RadioButton* groupOf, const Glib::ustring& text,
                           int x, int y, int width, int height) {
    auto* radio = Gtk::manage(new Gtk::RadioButton(text));
    if (groupOf) {
        Gtk::RadioButton::Group group = groupOf->get_group();
        radio->set_group(group);
    }
    radio->get_accessible()->set_name(text);
    Place(fixed, radio, x, y, width, height);
    return radio;
}

Gtk::Fixed* PutFrame(Gtk::Fixed* fixed, const Glib::ustring& title, int x, int y, int width,
                     int height, Gtk::Frame** frameOut) {
    auto* frame = Gtk::manage(new Gtk::Frame(title));
    frame->set_shadow_type(Gtk::SHADOW_ETCHED_IN);
    frame->get_accessible()->set_name(title);
    Place(fixed, frame, x, y, width, height);
    auto* inner = Gtk::manage(new Gtk::Fixed());
    frame->add(*inner);
    inner->show();
    if (frameOut) {
        *frameOut = frame;
    }
    return inner;
}

void AddressEntry::Set(const std::string& dotted) {
    std::string parts[4];
    int index = 0;
    for (char c : dotted) {
        if (c == '.') {
            if (++index > 3) {
                break;
            }
        } else {
            parts[index] += c;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (part[i]) {
            part[i]->set_text(parts[i]);
        }
    }
}

void AddressEntry::SetSensitive(bool sensitive) {
    for (Gtk::Entry* entry : part) {
        if (entry) {
            entry->set_sensitive(sensitive);
        }
    }
}

AddressEntry PutAddress(Gtk::Fixed* fixed, const Glib::ustring& name, int x, int y) {
    AddressEntry address;
    for (int i = 0; i < 4; ++i) {
        address.part[i] =
            PutEntry(fixed, name + " " + Glib::ustring::format(i + 1), x + i * 46, y, 36, 3);
        if (i < 3) {
            PutLabel(fixed, ".", x + i * 46 + 38, y + 2, 6, 18);
        }
    }
    return address;
}

void TwSetFocus(Gtk::Entry* entry) {
    if (!entry) {
        return;
    }
    entry->grab_focus();
    entry->select_region(0, -1);
}

void ModalMainLoop(Gtk::Window* dialog, Gtk::Window* disable) {
    if (!dialog) {
        return;
    }
    const bool wasSensitive = disable && disable->get_sensitive();
    if (disable) {
        disable->set_sensitive(false);
        // Should the window go away meanwhile, it is not touched again.
        disable->add_destroy_notify_callback(&disable, [](void* data) -> void* {
            *static_cast<Gtk::Window**>(data) = nullptr;
            return nullptr;
        });
    }
    Gtk::Window* owner = !DialogStack().empty() ? DialogStack().back() : disable;
    if (!owner) {
        owner = gDialogOwner;
    }
    if (owner && owner != dialog && !dialog->get_transient_for()) {
        dialog->set_transient_for(*owner);
    }

    auto loop = Glib::MainLoop::create(false);
    // Anything that hides the dialog behind our back must not leave the
    // loop waiting for a click that can no longer come.
    sigc::connection hidden = dialog->signal_hide().connect([loop] { loop->quit(); });
    LoopStack().push_back(loop);
    DialogStack().push_back(dialog);
    SerialStack().push_back(++gLastSerial);
    dialog->show();
    dialog->add_modal_grab();
    loop->run();
    LoopStack().pop_back();
    DialogStack().pop_back();
    SerialStack().pop_back();
    hidden.disconnect();
    dialog->remove_modal_grab();
    dialog->hide();

    if (disable) {
        disable->remove_destroy_notify_callback(&disable);
        if (wasSensitive) {
            disable->set_sensitive(true);
        }
    }
}

void SetDialogOwner(Gtk::Window* window) {
    gDialogOwner = window;
}

void EndModalLoop() {
    auto& stack = LoopStack();
    if (!stack.empty()) {
        stack.back()->quit();
    }
}

int ModalLoopDepth() {
    return static_cast<int>(LoopStack().size());
}

Gtk::Window* InnermostDialog() {
    return DialogStack().empty() ? nullptr : DialogStack().back();
}

unsigned long InnermostDialogSerial() {
    return SerialStack().empty() ? 0 : SerialStack().back();
}

Glib::ustring ToDisplay(const std::string& bytes) {
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        return Glib::ustring(bytes);
    }
    gchar* valid = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
    Glib::ustring text(valid);
    g_free(valid);
    return text;
}

std::string FromDisplay(const Glib::ustring& text) {
    return text.raw();
}

}  // namespace tw
