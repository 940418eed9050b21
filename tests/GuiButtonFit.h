// Whether a person can read every button of a window whole: each caption,
// measured with Pango in the font the caption is drawn with, fits inside
// its button, each button inside the window, and no two buttons of one
// container cover each other.  Also a font setting to run windows under.
#pragma once

#include <gtkmm.h>

#include <string>
#include <vector>

#include "GuiDriver.h"

namespace guitest {

// Rectangle of `widget` in the coordinates of `window`.
inline Gdk::Rectangle RectIn(Gtk::Widget* widget, Gtk::Window* window) {
    int x = 0;
    int y = 0;
    widget->translate_coordinates(*window, 0, 0, x, y);
    return Gdk::Rectangle(x, y, widget->get_allocated_width(), widget->get_allocated_height());
}

inline bool Inside(const Gdk::Rectangle& inner, const Gdk::Rectangle& outer) {
    return inner.get_x() >= outer.get_x() && inner.get_y() >= outer.get_y() &&
           inner.get_x() + inner.get_width() <= outer.get_x() + outer.get_width() &&
           inner.get_y() + inner.get_height() <= outer.get_y() + outer.get_height();
}

// One line per button a person cannot read whole: its caption and why.
inline std::vector<std::string> UnreadableButtons(Gtk::Window* window) {
    std::vector<std::string> faults;
    const Gdk::Rectangle whole(0, 0, window->get_allocated_width(), window->get_allocated_height());
    std::vector<Gtk::Button*> shown;
    for (Gtk::Button* button : Widgets<Gtk::Button>(window)) {
        if (!button->get_is_drawable()) {
            continue;
        }
        std::vector<Gtk::Label*> labels = Widgets<Gtk::Label>(button);
        if (labels.empty() || labels.front()->get_text().empty()) {
            continue;  // a picture or a colour swatch, named for screen readers
        }
        shown.push_back(button);
        Gtk::Label* label = labels.front();
        const std::string caption = label->get_text();
        // The whole caption as the label's font and attributes lay it out,
        // unconstrained.
        auto layout = label->create_pango_layout(label->get_text());
        Pango::AttrList attributes = label->get_attributes();
        layout->set_attributes(attributes);
        int textWidth = 0;
        int textHeight = 0;
        layout->get_pixel_size(textWidth, textHeight);
        auto style = button->get_style_context();
        const Gtk::Border padding = style->get_padding(style->get_state());
        const Gtk::Border border = style->get_border(style->get_state());
        const int room = button->get_allocated_width() - padding.get_left() - padding.get_right() -
                         border.get_left() - border.get_right();
        const Gdk::Rectangle box = RectIn(button, window);
        if (textWidth > room) {
            faults.push_back(caption + ": " + std::to_string(textWidth) + " px of text in " +
                             std::to_string(room) + " px of button");
        } else if (textWidth > label->get_allocated_width() ||
                   !Inside(RectIn(label, window), box)) {
            faults.push_back(caption + ": the caption is cut");
        }
        if (!Inside(box, whole)) {
            faults.push_back(caption + ": reaches past the window");
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        for (std::size_t k = i + 1; k < shown.size(); ++k) {
            Gdk::Rectangle a = RectIn(shown[i], window);
            bool overlap = false;
            a.intersect(RectIn(shown[k], window), overlap);
            if (overlap && a.get_width() > 0 && a.get_height() > 0) {
                faults.push_back(shown[i]->get_label() + ": covers " + shown[k]->get_label());
            }
        }
    }
    return faults;
}

// Windows made while it lives draw their text in `font` ("" keeps the
// default); the default comes back at scope end.
class FontScope {
  public:
    explicit FontScope(const std::string& font) {
        auto settings = Gtk::Settings::get_default();
        old_ = settings->property_gtk_font_name().get_value();
        if (!font.empty()) {
            settings->property_gtk_font_name() = font;
        }
    }
    ~FontScope() { Gtk::Settings::get_default()->property_gtk_font_name() = old_; }
    FontScope(const FontScope&) = delete;
    FontScope& operator=(const FontScope&) = delete;

  private:
    Glib::ustring old_;
};

// The fonts window tests run under: the default, and a large one a person
// with poor sight might choose.
inline const std::vector<std::string>& CaptionFonts() {
    static const std::vector<std::string> fonts{"", "Sans 14"};
    return fonts;
}

}  // namespace guitest
