// Window tests in Japanese: switches this process to a Japanese locale
// (ja_JP.UTF-8 unless told) with the build's catalogue of one domain, as a
// program's start-up does with the installed one, and back at scope end.
#pragma once

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "TestUtil.h"

namespace testutil {

class JapaneseLocale {
  public:
    explicit JapaneseLocale(const char* domain, const char* locale = "ja_JP.UTF-8")
        : locale_(locale) {
        const char* old = std::setlocale(LC_ALL, nullptr);
        oldLocale_ = old != nullptr ? old : "C";
        const char* current = textdomain(nullptr);
        oldDomain_ = current != nullptr ? current : "messages";
        const char* language = std::getenv("LANGUAGE");
        hadLanguage_ = language != nullptr;
        oldLanguage_ = hadLanguage_ ? language : "";
        unsetenv("LANGUAGE");
        catalogue_ = Dir() + "/ja/LC_MESSAGES/" + domain + ".mo";
        ok_ = std::setlocale(LC_ALL, locale) != nullptr && Exists(catalogue_);
        bindtextdomain(domain, Dir().c_str());
        bind_textdomain_codeset(domain, "UTF-8");
        textdomain(domain);
    }
    ~JapaneseLocale() {
        std::setlocale(LC_ALL, oldLocale_.c_str());
        textdomain(oldDomain_.c_str());
        if (hadLanguage_) {
            setenv("LANGUAGE", oldLanguage_.c_str(), 1);
        }
    }
    JapaneseLocale(const JapaneseLocale&) = delete;
    JapaneseLocale& operator=(const JapaneseLocale&) = delete;

    // Both the locale and the built catalogue are there.
    bool ok() const { return ok_; }
    std::string Why() const {
        return "needs the " + locale_ + " locale (scripts/install-deps.sh) and " + catalogue_ +
               " (built by the mo-<domain> targets)";
    }
    // The build's catalogues, beside its programs.
    static std::string Dir() { return BuildBinDir() + "/../locale"; }

  private:
    std::string locale_;
    std::string oldLocale_;
    std::string oldDomain_;
    std::string oldLanguage_;
    std::string catalogue_;
    bool hadLanguage_ = false;
    bool ok_ = false;
};

}  // namespace testutil
