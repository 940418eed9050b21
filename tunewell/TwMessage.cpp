#include "tunewell/TwMessage.h"

#include <cstdio>

#include "common/I18n.h"
#include "tunewell/TwPixmap.h"
#include "tunewell/TwSupport.h"
#include "tunewell/TwTable.h"

namespace tw {
namespace {

Glib::RefPtr<Gdk::Pixbuf> IconOfStyle(int style) {
    switch (style & 0xFFFF) {
        case kIconInformation:
            return InformationPixbuf();
        case kIconQuestion:
            return QuestionPixbuf();
        case kIconExclamation:
            return ExclamationPixbuf();
        default:
            return StopPixbuf();
    }
}

// Captions of the first and second button; the second is null for one.
void ButtonsOfStyle(int style, const char** first, const char** second) {
    *second = nullptr;
    switch (style & static_cast<int>(0xFFFF0000u)) {
        case kButtonsYes:
            *first = _("Yes");
            break;
        case kButtonsYesNo:
            *first = _("Yes");
            *second = _("No");
            break;
        case kButtonsOkCancel:
            *first = _("OK");
            *second = _("Cancel");
            break;
        default:
            *first = _("OK");
            break;
    }
}

}  // namespace

int MessageBox(const Glib::ustring& title, const Glib::ustring& text, int style) {
    if (!Gdk::Screen::get_default()) {
        g_warning("Window Widget create failed.");
        return kMessageBoxFailed;
    }
    InstallTwStyle();
    const char* first = nullptr;
    const char* second = nullptr;
    ButtonsOfStyle(style, &first, &second);
    const int answer = suite::RunMessageBox(title, text, IconOfStyle(style), first, second,
                                            OwnerOfDialog(nullptr), suite::MessageBoxLook());
    if (answer < 0) {
        // A run ended by the program still answers as the last button.
        return second ? 1 : 0;
    }
    return answer;
}

int TwMessageBox(int code, const std::string& text, int style) {
    if (code == 0 || code == TW_FAILED || code == TW_NET_SILENT || code == TW_DIAL_SILENT) {
        return 0;
    }
    const std::string message = TwMessageString(code, text);
    if ((style & 0xFFFF) != kIconInformation) {
        // Also for whoever started us from a terminal, or when no window
        // can be shown at all.
        std::fprintf(stderr, "Tunewell: %s\n", message.c_str());
    }
    return MessageBox(_("Tunewell"), ToDisplay(message), style);
}

}  // namespace tw
