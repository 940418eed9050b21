// The Sort and Filter dialogs of the Layout menu.
#pragma once

#include "rummage/rmgdialog.h"

namespace rmg {

// 0 after the dialog ran, RESULT_BAD_ARGUMENT without a pointer or table,
// RESULT_CREATE_FAILED with the half-built dialog left in *dialog.
int CreateSortDlg(DialogWindow** dialog);
int CreateFilterDlg(DialogWindow** dialog);

void on_Menu_Sort_activate();
void on_Menu_FilterView_activate();

}  // namespace rmg
