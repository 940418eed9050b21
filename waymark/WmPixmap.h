// The launcher's built-in pictures, loaded once when the bar is built.
#pragma once

#include <gdkmm/pixbuf.h>

#include <string>

namespace wm {

using Picture = Glib::RefPtr<Gdk::Pixbuf>;

struct Pictures {
    Picture edit[2];      // normal, pressed
    Picture help[2];      // normal, pressed
    Picture lupe[3];      // normal, pressed, not configured
    Picture item[3];      // slot base: normal, hover, pressed
    Picture handle[3];    // normal, hover, pressed
    Picture category[2];  // web address; application or document
    Picture drag;
    Picture addItem[2];
    Picture itemInfo[2];
    Picture viewBase;
    Picture stop;
    Picture info;
    Picture ques;
};

// Decodes every built-in picture; false when one is malformed.
bool InitPixmap(Pictures& pictures);

// An item's own picture from an XPM file, null when it cannot be read.
Picture LoadIconFile(const std::string& path);

}  // namespace wm
