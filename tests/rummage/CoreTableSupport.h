// Scopes that give a test its own global state and put the old back.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

#include "rummage/rmgtable.h"

namespace rmgtest {

// A global table of its own, so the utilities that read pGTable see a
// known, default state.
class TableScope {
  public:
    TableScope() : saved_(rmg::pGTable) {
        rmg::DefaultGTable(table);
        rmg::pGTable = &table;
    }
    ~TableScope() { rmg::pGTable = saved_; }
    TableScope(const TableScope&) = delete;
    TableScope& operator=(const TableScope&) = delete;

    rmg::GTable table;

  private:
    rmg::GTable* saved_;
};

// An environment variable set (or, with null, unset) for the scope.
class EnvScope {
  public:
    EnvScope(const char* name, const char* value) : name_(name) {
        if (const char* old = ::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvScope() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace rmgtest
