// The message window every Tunewell window shows its failures and the final
// notice of an apply in; the codes and their texts live in TwTable.
#pragma once

#include <gtkmm.h>

#include <string>

#include "tunewell/TwTable.h"

namespace tw {

// Icons (low 16 bits of a style) and button sets (high bits).
inline constexpr int kIconInformation = 1;
inline constexpr int kIconQuestion = 2;
inline constexpr int kIconExclamation = 3;
inline constexpr int kIconStop = 4;
inline constexpr int kButtonsYes = 0x10000;
inline constexpr int kButtonsOk = 0x20000;
inline constexpr int kButtonsYesNo = 0x30000;
inline constexpr int kButtonsOkCancel = 0x40000;
// The core's two styles (TwTable.h) are built from these.
static_assert(TW_STYLE_ERROR == (kButtonsOk | kIconStop));
static_assert(TW_STYLE_INFO == (kButtonsOk | kIconInformation));
inline constexpr int kMessageBoxFailed = -256;

// A modal, centred message window.  0 for the first button, 1 for the
// second; closing it clicks the second button if there is one, else the
// first.  kMessageBoxFailed when it cannot be shown.
int MessageBox(const Glib::ustring& title, const Glib::ustring& text, int style);

// Shows the text of a result code (a file class text gets `text` filled in)
// titled "Tunewell".  Nothing for the code that means "already told".
int TwMessageBox(int code, const std::string& text, int style);

}  // namespace tw
