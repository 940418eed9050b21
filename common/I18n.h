// Message catalogue helpers: every program binds its own gettext domain.
#pragma once

#include <libintl.h>

#define _(text) gettext(text)
#define N_(text) (text)

namespace suite {

// Sets the locale from the environment and binds `domain` to the suite's
// locale directory.  `utf8` asks for UTF-8 translations (GTK programs).
void InitLocale(const char* domain, bool utf8);

}  // namespace suite
