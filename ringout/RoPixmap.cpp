#include "ringout/RoPixmap.h"

#include "common/XpmPixbuf.h"
#include "pixmaps/Connecting.xpm"
#include "pixmaps/Information.xpm"
#include "pixmaps/Question.xpm"
#include "pixmaps/Stop.xpm"

namespace ro {

Glib::RefPtr<Gdk::Pixbuf> MessageIcon(int icon) {
    switch (icon) {
        case 0:
            return suite::PixbufFromXpm(Stop_xpm);
        case 1:
            return suite::PixbufFromXpm(Information_xpm);
        case 2:
            return suite::PixbufFromXpm(Question_xpm);
        default:
            return {};
    }
}

Glib::RefPtr<Gdk::Pixbuf> ConnectingPicture() {
    return suite::PixbufFromXpm(Connecting_xpm);
}

}  // namespace ro
