// Window helpers of the launcher.
#include "waymark/WmSupport.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace wm {

namespace {

std::vector<std::string> SplitXlfd(const std::string& name) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : name) {
        if (c == '-') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

bool IsNumber(const std::string& text) {
    if (text.empty() || text.size() > 6) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string Css(const Rgb16& c) {
    char text[40];
    std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", c.red >> 8, c.green >> 8, c.blue >> 8);
    return text;
}

}  // namespace

CssFont FontFromFontSet(const std::string& fontSet) {
    CssFont font;
    // Only the first font of the set is used for display.
    const std::string first = fontSet.substr(0, fontSet.find(','));
    if (first.empty() || first[0] != '-') {
        return font;
    }
    const std::vector<std::string> f = SplitXlfd(first);
    // "", foundry, family, weight, slant, setwidth, addstyle, pixels, points, ...
    if (f.size() > 2 && !f[2].empty() && f[2] != "*") {
        font.family = f[2];
    }
    if (f.size() > 3) {
        font.bold = f[3] == "bold" || f[3] == "demibold" || f[3] == "black";
    }
    if (f.size() > 4) {
        font.italic = f[4] == "i" || f[4] == "o";
    }
    if (f.size() > 7 && IsNumber(f[7]) && std::atoi(f[7].c_str()) > 0) {
        font.pixels = std::atoi(f[7].c_str());
    } else if (f.size() > 8 && IsNumber(f[8]) && std::atoi(f[8].c_str()) > 0) {
        font.pixels = std::atoi(f[8].c_str()) * 96 / 720;
    }
    if (font.pixels < 6 || font.pixels > 72) {
        font.pixels = 14;
    }
    return font;
}

void InstallStyle(const BarStyle& style) {
    const CssFont font = FontFromFontSet(style.fontSet);
    std::string family = font.family;
    std::erase_if(family, [](char c) { return c == '"' || c == '\\' || c == ';' || c == '}'; });
    std::ostringstream css;
    css << ".wmbar, .wmbar * { padding: 0; margin: 0; min-width: 0; min-height: 0;"
           " border-width: 0; border-radius: 0; box-shadow: none; outline-width: 0; }\n"
        << ".wm-base { background-color: rgb(25,129,255); background-image: none; }\n"
        << ".wm-base:active, .wm-base:hover, .wm-base:selected, .wm-base:checked"
           " { background-color: rgb(99,184,255); }\n"
        << ".wm-base:disabled { background-color: rgb(65,105,225); }\n"
        << ".wm-toggle, .wm-toggle button { background-color: " << Css(style.toggleN)
        << "; background-image: none; }\n"
        << ".wm-toggle:active, .wm-toggle:hover, .wm-toggle:checked, .wm-toggle:selected,"
           " .wm-toggle:disabled { background-color: "
        << Css(style.toggleA) << "; }\n"
        << ".wm-face-n { background-color: " << Css(style.toggleN)
        << "; background-image: none; }\n"
        << ".wm-face-a { background-color: " << Css(style.toggleA)
        << "; background-image: none; }\n"
        << ".wm-text { color: " << Css(style.stringN) << "; font-family: \"" << family
        << "\"; font-size: " << font.pixels
        << "px; font-weight: " << (font.bold ? "bold" : "normal")
        << "; font-style: " << (font.italic ? "italic" : "normal") << "; }\n"
        << "button:hover .wm-text, button:active .wm-text, button:checked .wm-text { color: "
        << Css(style.stringA) << "; }\n"
        << ".wm-itembase { background-color: rgb(205,210,213); background-image: none; }\n"
        << ".wm-zone { background-color: rgb(95,121,197); background-image: none; }\n"
        << ".wm-transparent { background-color: transparent; background-image: none; }\n"
        // The rule above takes every size from the theme; the parts that are
        // only CSS nodes need theirs back, or they shrink to nothing and
        // take no clicks: the scroll bar's trough and thumb, the combo's arrow.
        << ".wmbar scrollbar { background-color: rgb(70,96,170); }\n"
        << ".wmbar scrollbar trough { min-width: 16px; min-height: 40px; }\n"
        << ".wmbar scrollbar slider { min-width: 14px; min-height: 24px; margin: 0 1px;"
           " border: 1px solid rgb(40,60,130); background-color: rgb(175,190,215); }\n"
        << ".wmbar scrollbar slider:hover { background-color: rgb(205,215,235); }\n"
        << ".wmbar scrollbar slider:active { background-color: rgb(235,240,250); }\n"
        << ".wmbar combobox button { min-width: 18px; padding: 0 1px; }\n"
        << ".wmbar combobox arrow { min-width: 16px; min-height: 16px; }\n"
        // The dialogs place their buttons at fixed sizes the theme's minimum
        // would exceed.
        << ".wm-dialog button { min-height: 0; min-width: 0; padding: 2px 6px; }\n";
    static Glib::RefPtr<Gtk::CssProvider> sheet;
    suite::ReplaceStyleSheet(sheet, css.str());
}

void AddClass(Gtk::Widget& widget, const char* name) {
    widget.get_style_context()->add_class(name);
}

void SetAccessibleName(Gtk::Widget& widget, const Glib::ustring& name) {
    if (auto acc = widget.get_accessible()) {
        acc->set_name(name);
    }
}

Glib::ustring ToDisplay(const std::string& bytes) {
    // Bytes in a non-UTF-8 locale's encoding (EUC-JP) are converted; valid
    // UTF-8 is shown as it is; bytes that decode as neither become '?'.
    if (!g_get_charset(nullptr)) {
        gsize written = 0;
        gchar* converted = g_locale_to_utf8(bytes.data(), static_cast<gssize>(bytes.size()),
                                            nullptr, &written, nullptr);
        if (converted != nullptr) {
            // A byte count: ustring's (pointer, count) constructor counts characters.
            Glib::ustring text(std::string(converted, written));
            g_free(converted);
            return text;
        }
    }
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        return bytes;
    }
    std::string safe;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* bad = nullptr;
        if (g_utf8_validate(p, end - p, &bad)) {
            safe.append(p, end);
            break;
        }
        safe.append(p, bad);
        safe += '?';
        p = bad + 1;
    }
    return safe;
}

std::string FromDisplay(const Glib::ustring& text) {
    gsize written = 0;
    gchar* converted = g_locale_from_utf8(text.c_str(), static_cast<gssize>(text.bytes()), nullptr,
                                          &written, nullptr);
    if (converted == nullptr) {
        return text.raw();
    }
    std::string bytes(converted, written);
    g_free(converted);
    return bytes;
}

namespace {

struct EntryOrigin {
    std::string bytes;
    Glib::ustring shown;
};

constexpr const char* kEntryOrigin = "wm-entry-bytes";

}  // namespace

void SetEntryBytes(Gtk::Entry& entry, const std::string& bytes) {
    auto* origin = new EntryOrigin{bytes, ToDisplay(bytes)};
    g_object_set_data_full(G_OBJECT(entry.gobj()), kEntryOrigin, origin,
                           [](gpointer p) { delete static_cast<EntryOrigin*>(p); });
    entry.set_text(origin->shown);
}

std::string EntryBytes(Gtk::Entry& entry) {
    const Glib::ustring text = entry.get_text();
    const auto* origin =
        static_cast<const EntryOrigin*>(g_object_get_data(G_OBJECT(entry.gobj()), kEntryOrigin));
    if (origin != nullptr && origin->shown == text) {
        return origin->bytes;
    }
    return FromDisplay(text);
}

void SetFittedText(Gtk::Label& label, const Glib::ustring& text, int width, int height) {
    label.set_text(text);
    label.set_ellipsize(Pango::ELLIPSIZE_NONE);
    auto layout = label.create_pango_layout(text);
    if (label.get_line_wrap()) {
        layout->set_width(width * PANGO_SCALE);
        layout->set_wrap(label.get_line_wrap_mode());
    }
    const Pango::FontDescription own = label.get_pango_context()->get_font_description();
    const bool absolute = own.get_size_is_absolute();
    int size = own.get_size() > 0 ? own.get_size() : 10 * PANGO_SCALE;
    // Half a pixel (or point) at a time, down to 6 pixels: the widest face
    // still shows a 13-byte name whole beside the info button.
    const int step = PANGO_SCALE / 2;
    const int smallest = absolute ? 6 * PANGO_SCALE : 6 * PANGO_SCALE * 72 / 96;
    Pango::AttrList attributes;
    for (;;) {
        layout->set_attributes(attributes);
        int w = 0;
        int h = 0;
        layout->get_pixel_size(w, h);
        if (w <= width && (height <= 0 || h <= height)) {
            break;
        }
        if (size - step < smallest) {
            // Nothing readable fits: cut the text rather than the layout.
            label.set_ellipsize(Pango::ELLIPSIZE_END);
            break;
        }
        size -= step;
        Pango::FontDescription smaller;
        if (absolute) {
            smaller.set_absolute_size(size);
        } else {
            smaller.set_size(size);
        }
        attributes = Pango::AttrList();
        auto attribute = Pango::Attribute::create_attr_font_desc(smaller);
        attributes.insert(attribute);
    }
    label.set_attributes(attributes);
}

void FitButtonText(Gtk::Button& button, int width, int height) {
    auto* label = dynamic_cast<Gtk::Label*>(button.get_child());
    if (label == nullptr) {
        return;
    }
    auto context = button.get_style_context();
    const Gtk::StateFlags state = context->get_state();
    const Gtk::Border padding = context->get_padding(state);
    const Gtk::Border border = context->get_border(state);
    const int inner =
        width - padding.get_left() - padding.get_right() - border.get_left() - border.get_right();
    const int innerHeight =
        height - padding.get_top() - padding.get_bottom() - border.get_top() - border.get_bottom();
    SetFittedText(*label, label->get_text(), inner, innerHeight);
}

Gtk::Window* CreateDialogWindow(const Glib::ustring& title, int width, int height) {
    auto* window = new Gtk::Window(Gtk::WINDOW_TOPLEVEL);
    window->set_title(title);
    window->set_default_size(width, height);
    window->set_size_request(width, height);
    window->set_resizable(false);
    window->set_modal(true);
    window->set_position(Gtk::WIN_POS_CENTER);
    window->set_keep_above(true);
    AddClass(*window, "wm-dialog");
    // Escape closes the dialog the way its close box does.
    window->signal_key_press_event().connect(
        [window](GdkEventKey* event) {
            if (event->keyval == GDK_KEY_Escape) {
                window->close();
                return true;
            }
            return false;
        },
        false);
    return window;
}

void RestackWindow(Gtk::Window& window, bool raise) {
    auto gdk = window.get_window();
    if (!gdk) {
        return;
    }
    GdkWindow* raw = gdk->gobj();
    if (GDK_IS_X11_WINDOW(raw)) {
        const auto restack = raise ? &XRaiseWindow : &XLowerWindow;
        restack(GDK_WINDOW_XDISPLAY(raw), GDK_WINDOW_XID(raw));
        XFlush(GDK_WINDOW_XDISPLAY(raw));
    } else if (raise) {
        gdk->raise();
    } else {
        gdk->lower();
    }
}

}  // namespace wm
