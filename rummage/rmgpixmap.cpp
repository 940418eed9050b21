#include "rummage/rmgpixmap.h"

#include "common/XpmPixbuf.h"
#include "pixmaps/Delete.xpm"
#include "pixmaps/Exclamation.xpm"
#include "pixmaps/Information.xpm"
#include "pixmaps/Question.xpm"
#include "pixmaps/Stop.xpm"

namespace rmg {

// Each picture is decoded once; callers share the pixbuf.
#define RMG_PIXBUF(Function, Name)                                                        \
    Glib::RefPtr<Gdk::Pixbuf> Function() {                                                \
        static const Glib::RefPtr<Gdk::Pixbuf> pixbuf = suite::PixbufFromXpm(Name##_xpm); \
        return pixbuf;                                                                    \
    }

RMG_PIXBUF(InformationPixbuf, Information)
RMG_PIXBUF(QuestionPixbuf, Question)
RMG_PIXBUF(ExclamationPixbuf, Exclamation)
RMG_PIXBUF(StopPixbuf, Stop)
RMG_PIXBUF(DeletePixbuf, Delete)

#undef RMG_PIXBUF

}  // namespace rmg
