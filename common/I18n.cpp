#include "common/I18n.h"

#include <clocale>

namespace suite {

void InitLocale(const char* domain, bool utf8) {
    std::setlocale(LC_ALL, "");
    bindtextdomain(domain, SUITE_LOCALEDIR);
    if (utf8) {
        bind_textdomain_codeset(domain, "UTF-8");
    }
    textdomain(domain);
}

}  // namespace suite
