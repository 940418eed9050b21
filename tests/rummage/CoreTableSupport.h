// Gives a test its own global table for its lifetime, so the utilities
// that read pGTable see a known, default state.
#pragma once

#include "rummage/rmgtable.h"

namespace rmgtest {

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

}  // namespace rmgtest
