// The Option dialog: display and confirmation flags, list columns and list
// colours, written into the table on OK.
#pragma once

#include "rummage/rmgdialog.h"

namespace rmg {

// 0 after it ran, RESULT_BAD_ARGUMENT without a pointer or table,
// RESULT_CREATE_FAILED with the half-built dialog left in *dialog.
int CreateOptionDlg(DialogWindow** dialog);

void on_Menu_Option_activate();

}  // namespace rmg
