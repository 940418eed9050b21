// Widths of the file list's columns: what a column without a stored width
// starts with, and how size columns grow so no listed size is cut short.
#include "rummage/rmgfilelistcolumns.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>

#include "rummage/rmgtable.h"

namespace rmg {

namespace {

// Room a text cell needs beside its text: the renderer's padding plus the
// gap the list leaves between cells.
constexpr int kCellSlack = 8;

// Width a text column (its one cell a text) needs to show `sample` whole.
int TextWidth(Gtk::TreeView& view, Gtk::TreeViewColumn& column, const std::string& sample) {
    int xpad = 0;
    int ypad = 0;
    const auto cells = column.get_cells();
    if (!cells.empty()) {
        cells.front()->get_padding(xpad, ypad);
    }
    int w = 0;
    int h = 0;
    view.create_pango_layout(sample)->get_pixel_size(w, h);
    return w + 2 * xpad + kCellSlack;
}

// Texts at least as wide as the size text of any row: sizes have no upper
// bound in "MByte", so the widest comes from the listed rows.  A unit's
// texts grow with the digits before the point, and digits are equally wide
// in the fonts a list uses, so the largest size of each unit stands for it.
std::vector<std::string> SizeSamples(const std::vector<FileRow*>& rows) {
    std::uint64_t largestK = 0;
    std::uint64_t largestM = 0;
    bool anyK = false;
    for (const FileRow* row : rows) {
        if (row->size < 1048576) {
            anyK = true;
            largestK = std::max(largestK, row->size);
        } else {
            largestM = std::max(largestM, row->size);
        }
    }
    // One more than the whole part, for a value rounded up to it.
    auto sample = [](std::uint64_t whole, const char* unit) {
        return std::string(std::to_string(whole + 1).size(), '8') + ".8" + unit;
    };
    std::vector<std::string> samples;
    if (anyK) {
        samples.push_back(sample(largestK / 1024, "KByte"));
    }
    if (largestM > 0) {
        samples.push_back(sample(largestM / 1048576, "MByte"));
    }
    return samples;
}

}  // namespace

int NaturalColumnWidth(Gtk::TreeView& view, Gtk::TreeViewColumn& column, int kind) {
    int width = 0;
    if (Gtk::Widget* button = column.get_button()) {
        int minimum = 0;
        button->get_preferred_width(minimum, width);
    }
    if (kind == COLUMN_NAME) {
        return std::max(width, 150);
    }
    std::vector<std::string> samples;
    switch (kind) {
        case COLUMN_SIZE:
            samples = {"999.9KByte", "999.9MByte"};
            break;
        case COLUMN_PERMISSION:
            samples = {"drwxrwxrwx"};
            break;
        case COLUMN_ACCESS_TIME:
        case COLUMN_MODIFY_TIME:
        case COLUMN_CHANGE_TIME: {
            // Month names differ in width: one late time in each month.
            const std::time_t now = std::time(nullptr);
            struct tm tm {};
            localtime_r(&now, &tm);
            for (int month = 0; month < 12; ++month) {
                tm.tm_mon = month;
                tm.tm_mday = 28;
                tm.tm_hour = 23;
                tm.tm_min = 59;
                tm.tm_isdst = -1;
                std::string shown;
                if (GetFormatTime(std::mktime(&tm), shown, false, pGTable->JapaneseLocale) == 0) {
                    samples.push_back(shown);
                }
            }
            break;
        }
        default:
            break;
    }
    for (const std::string& sample : samples) {
        width = std::max(width, TextWidth(view, column, sample));
    }
    return width > 0 ? width : 100;
}

void FitSizeColumns(Gtk::TreeView& view, const std::vector<int>& kinds,
                    const std::vector<FileRow*>& rows) {
    const std::vector<std::string> samples = SizeSamples(rows);
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        Gtk::TreeViewColumn* column = view.get_column(static_cast<int>(i) + 1);
        if (kinds[i] != COLUMN_SIZE || column == nullptr) {
            continue;
        }
        int needed = 0;
        for (const std::string& sample : samples) {
            needed = std::max(needed, TextWidth(view, *column, sample));
        }
        if (column->get_fixed_width() < needed) {
            column->set_fixed_width(needed);
        }
    }
}

}  // namespace rmg
