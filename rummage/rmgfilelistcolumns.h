// Widths of the file list's columns.
#pragma once

#include <gtkmm.h>

#include <vector>

#include "rummage/rmglistlogic.h"

namespace rmg {

// Width of a column of `kind` that has none stored, as a list without
// automatic resizing gives it: its title, and the fixed-form texts of its
// kind (size, mode, times) shown whole.  The column, its one cell a text,
// is in `view` already.
int NaturalColumnWidth(Gtk::TreeView& view, Gtk::TreeViewColumn& column, int kind);

// Widens the size columns of `view` (list column i+1 is of kind kinds[i])
// to the widest size text among `rows`.
void FitSizeColumns(Gtk::TreeView& view, const std::vector<int>& kinds,
                    const std::vector<FileRow*>& rows);

}  // namespace rmg
