#include "rummage/rmgtoolbar.h"

#include "common/I18n.h"
#include "common/XpmPixbuf.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgpixmap.h"
#include "rummage/rmgstring.h"

#include "pixmaps/Back.xpm"
#include "pixmaps/Foward.xpm"
#include "pixmaps/Home.xpm"
#include "pixmaps/Property.xpm"
#include "pixmaps/Rescan.xpm"
#include "pixmaps/Up.xpm"

namespace rmg {

Glib::RefPtr<Gdk::Pixbuf> BackPixbuf() {
    static auto pixbuf = suite::PixbufFromXpm(Back_xpm);
    return pixbuf;
}
Glib::RefPtr<Gdk::Pixbuf> UpPixbuf() {
    static auto pixbuf = suite::PixbufFromXpm(Up_xpm);
    return pixbuf;
}
Glib::RefPtr<Gdk::Pixbuf> FowardPixbuf() {
    static auto pixbuf = suite::PixbufFromXpm(Foward_xpm);
    return pixbuf;
}
Glib::RefPtr<Gdk::Pixbuf> RescanPixbuf() {
    static auto pixbuf = suite::PixbufFromXpm(Rescan_xpm);
    return pixbuf;
}
Glib::RefPtr<Gdk::Pixbuf> HomePixbuf() {
    static auto pixbuf = suite::PixbufFromXpm(Home_xpm);
    return pixbuf;
}
Glib::RefPtr<Gdk::Pixbuf> PropertyPixbuf() {
    static auto pixbuf = suite::PixbufFromXpm(Property_xpm);
    return pixbuf;
}

namespace {

const ToolEntry kToolTable[kToolTableSize] = {
    {TOOL_KIND_BUTTON, N_("Back"), on_Tool_Back_clicked},
    {TOOL_KIND_BUTTON, N_("Up"), on_Tool_Up_clicked},
    {TOOL_KIND_BUTTON, N_("Forward"), on_Tool_Forward_clicked},
    {TOOL_KIND_SPACE, nullptr, nullptr},
    {TOOL_KIND_BUTTON, N_("Rescan"), on_Tool_Rescan_clicked},
    {TOOL_KIND_SPACE, nullptr, nullptr},
    {TOOL_KIND_BUTTON, N_("Home"), on_Tool_Home_clicked},
    {TOOL_KIND_SPACE, nullptr, nullptr},
    {TOOL_KIND_BUTTON, N_("Property"), on_Tool_Property_clicked},
};

// Pictures of the buttons, in table order (spaces have none).
Glib::RefPtr<Gdk::Pixbuf> ToolPixbuf(int index) {
    switch (index) {
        case TOOL_BACK:
            return BackPixbuf();
        case TOOL_UP:
            return UpPixbuf();
        case TOOL_FORWARD:
            return FowardPixbuf();
        case TOOL_RESCAN:
            return RescanPixbuf();
        case TOOL_HOME:
            return HomePixbuf();
        case TOOL_PROPERTY:
            return PropertyPixbuf();
        default:
            return {};
    }
}

}  // namespace

const ToolEntry& GetToolEntry(int index) {
    return kToolTable[index < 0 || index >= kToolTableSize ? 0 : index];
}

Gtk::ToolItem* CreateToolButton(Gtk::Toolbar& toolbar, int index) {
    const ToolEntry& entry = GetToolEntry(index);
    if (entry.kind == TOOL_KIND_SPACE) {
        auto* space = Gtk::manage(new Gtk::SeparatorToolItem());
        space->set_draw(true);
        space->set_margin_start(5);
        space->set_margin_end(5);
        toolbar.append(*space);
        return space;
    }
    auto pixbuf = ToolPixbuf(index);
    if (!pixbuf) {
        return nullptr;
    }
    auto* image = Gtk::manage(new Gtk::Image(pixbuf));
    // An insensitive button's picture is drawn faded in every state; the
    // theme's own dimming does not reach these pictures, and a window behind
    // a dialog would otherwise show them in full colour.
    static const Glib::RefPtr<Gtk::CssProvider> kFaded = [] {
        auto provider = Gtk::CssProvider::create();
        provider->load_from_data("image:disabled { -gtk-icon-effect: none; opacity: 0.5; }");
        return provider;
    }();
    image->get_style_context()->add_provider(kFaded, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    auto* button = Gtk::manage(new Gtk::ToolButton(*image, _(entry.label)));
    std::string tip;
    GetToolTipsString(index, tip);
    if (!tip.empty()) {
        button->set_tooltip_text(tip);
    }
    button->signal_clicked().connect(sigc::ptr_fun(entry.handler));
    // The tool item has no window of its own; its inner button sees the
    // pointer come and go.
    if (auto* inner = button->get_child()) {
        inner->signal_enter_notify_event().connect([index](GdkEventCrossing*) {
            on_Tool_enter(index);
            return false;
        });
        inner->signal_leave_notify_event().connect([](GdkEventCrossing*) {
            on_Tool_leave();
            return false;
        });
    }
    // Each button as wide as its own label, not the widest one.
    button->set_homogeneous(false);
    toolbar.append(*button);
    return button;
}

Gtk::Toolbar* CreateToolBar(Gtk::Box& box) {
    auto* toolbar = Gtk::manage(new Gtk::Toolbar());
    toolbar->set_toolbar_style(Gtk::TOOLBAR_BOTH);
    toolbar->set_border_width(2);
    for (int i = 0; i < kToolTableSize; ++i) {
        Gtk::ToolItem* item = CreateToolButton(*toolbar, i);
        if (item == nullptr) {
            return nullptr;
        }
        pMainW->ToolButton[i] = item;
    }
    pMainW->ToolButton[TOOL_BACK]->set_size_request(-1, 48);
    pMainW->ToolButton[TOOL_UP]->set_sensitive(false);
    pMainW->ToolButton[TOOL_FORWARD]->set_sensitive(false);
    box.pack_start(*toolbar, Gtk::PACK_SHRINK);
    return toolbar;
}

}  // namespace rmg
