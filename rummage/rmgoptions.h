// Widget-free half of the Option dialog: the eight flags, the displayed
// and possible list columns, the eight list colours, and writing a
// finished edit back into the table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rummage/rmgtable.h"

namespace rmg {

inline constexpr int kOptionFlagCount = 8;

// Untranslated check-button texts, in page order (four per page).
const char* OptionFlagText(int index);
// Untranslated colour row names, in the order of GTable::Color.
const char* OptionColorText(int index);

struct OptionValues {
    int flags[kOptionFlagCount] = {};  // ShowBackup .. ShowProgress
    RmgColor colors[kColorCount] = {};
    std::vector<int> displayed;  // column kinds, display order
};

OptionValues ReadOptionValues(const GTable& table);

// Kinds not displayed, ordered by their (translated) titles' bytes.
std::vector<int> PossibleColumns(const std::vector<int>& displayed);

// Remove is allowed for a non-empty selection without the name column.
bool CanRemoveColumns(const std::vector<int>& selectedKinds);

// A channel of a colour chooser (0..1) as the 16-bit value it stands for.
std::uint16_t ColorChannel(double fraction);

// What has to be rebuilt after ApplyOptionValues.
struct OptionChange {
    bool tree = false;     // ShowBackup or ShowHidden changed
    bool columns = false;  // column kinds or their order changed
};

// Writes flags, colours and columns into `table`.  A displayed kind keeps
// the width it had; a new one gets 0 (its natural width).  The list is then
// sorted by name, ascending.  The name column is always displayed.
OptionChange ApplyOptionValues(GTable& table, const OptionValues& values);

}  // namespace rmg
