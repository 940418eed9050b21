// Tip texts of the menus and the toolbar.
#pragma once

#include <cstddef>
#include <string>

namespace rmg {

// Tips are copied into 1025-byte buffers; longer ones are not copied.
inline constexpr std::size_t kTipMax = 1023;

inline constexpr int kMenuTableSize = 27;
inline constexpr int kToolTableSize = 9;

// Translated tip of menu table entry `index` (empty for separators, "New",
// indices out of range and tips too long to keep).  Returns `out`.
std::string& GetMenuTipsString(int index, std::string& out);
// Translated tip of toolbar entry `index`.
std::string& GetToolTipsString(int index, std::string& out);

// Untranslated tip texts, for callers that need the message ids.
const char* MenuTipText(int index);
const char* ToolTipText(int index);

}  // namespace rmg
