#include "tunewell/TwPixmap.h"

#include "common/XpmPixbuf.h"
#include "pixmaps/Exclamation.xpm"
#include "pixmaps/Information.xpm"
#include "pixmaps/Question.xpm"
#include "pixmaps/Stop.xpm"
#include "pixmaps/TwWait0.xpm"
#include "pixmaps/TwWait1.xpm"
#include "pixmaps/TwWait2.xpm"
#include "pixmaps/TwWait3.xpm"

namespace tw {

#define TW_PIXBUF(Function, Name)                                                         \
    Glib::RefPtr<Gdk::Pixbuf> Function() {                                                \
        static const Glib::RefPtr<Gdk::Pixbuf> pixbuf = suite::PixbufFromXpm(Name##_xpm); \
        return pixbuf;                                                                    \
    }

TW_PIXBUF(InformationPixbuf, Information)
TW_PIXBUF(QuestionPixbuf, Question)
TW_PIXBUF(ExclamationPixbuf, Exclamation)
TW_PIXBUF(StopPixbuf, Stop)
TW_PIXBUF(Wait0Pixbuf, TwWait0)
TW_PIXBUF(Wait1Pixbuf, TwWait1)
TW_PIXBUF(Wait2Pixbuf, TwWait2)
TW_PIXBUF(Wait3Pixbuf, TwWait3)

#undef TW_PIXBUF

Glib::RefPtr<Gdk::Pixbuf> WaitFramePixbuf(int frame) {
    switch (frame) {
        case 0:
            return Wait0Pixbuf();
        case 1:
            return Wait1Pixbuf();
        case 2:
            return Wait2Pixbuf();
        case 3:
            return Wait3Pixbuf();
        default:
            return {};
    }
}

}  // namespace tw
