#include "rummage/rmgoptions.h"

#include <algorithm>
#include <cmath>

#include "common/I18n.h"
#include "rummage/rmglistlogic.h"

namespace rmg {

namespace {

const char* const kFlagTexts[kOptionFlagCount] = {
    N_("Show backup files"),
    N_("Show hidden files"),
    N_("Case sensitivity is disregarded when sorting"),
    N_("Mix files and directories."),
    N_("Confirm when deleting file"),
    N_("Confirm when overwriting files"),
    N_("Confirm when executing files"),
    N_("Show progress while operations are being performed"),
};

const char* const kColorTexts[kColorCount] = {
    N_("Directory"), N_("Executable file"),        N_("Normal file"), N_("Core file"),
    N_("Link file"), N_("Stalled link file file"), N_("Socket"),      N_("Special file"),
};

int* FlagField(GTable& t, int index) {
    int* const fields[kOptionFlagCount] = {&t.ShowBackup,  &t.ShowHidden,  &t.SortCase,
                                           &t.MixFileDir,  &t.ConfilmDel,  &t.ConfilmOverwrite,
                                           &t.ConfilmExec, &t.ShowProgress};
    return fields[index];
}

std::vector<int> DisplayedKinds(const GTable& t) {
    std::vector<int> kinds;
    const int count = std::clamp(t.ColumnCount, 0, kMaxColumns);
    for (int i = 0; i < count; ++i) {
        kinds.push_back(t.ColumnPosition[i]);
    }
    return kinds;
}

}  // namespace

const char* OptionFlagText(int index) {
    return index >= 0 && index < kOptionFlagCount ? kFlagTexts[index] : "";
}

const char* OptionColorText(int index) {
    return index >= 0 && index < kColorCount ? kColorTexts[index] : "";
}

OptionValues ReadOptionValues(const GTable& table) {
    OptionValues values;
    const int flags[kOptionFlagCount] = {
        table.ShowBackup, table.ShowHidden,       table.SortCase,    table.MixFileDir,
        table.ConfilmDel, table.ConfilmOverwrite, table.ConfilmExec, table.ShowProgress};
    std::copy(std::begin(flags), std::end(flags), std::begin(values.flags));
    std::copy(std::begin(table.Color), std::end(table.Color), std::begin(values.colors));
    values.displayed = DisplayedKinds(table);
    return values;
}

std::vector<int> PossibleColumns(const std::vector<int>& displayed) {
    std::vector<int> kinds;
    for (int kind = 0; kind < kMaxColumns; ++kind) {
        if (std::find(displayed.begin(), displayed.end(), kind) == displayed.end()) {
            kinds.push_back(kind);
        }
    }
    std::sort(kinds.begin(), kinds.end(), [](int a, int b) {
        return std::string(_(GetListColumnString(a))) < std::string(_(GetListColumnString(b)));
    });
    return kinds;
}

bool CanRemoveColumns(const std::vector<int>& selectedKinds) {
    return !selectedKinds.empty() && std::find(selectedKinds.begin(), selectedKinds.end(),
                                               COLUMN_NAME) == selectedKinds.end();
}

std::uint16_t ColorChannel(double fraction) {
    // Rounded: a channel read back from the chooser must give the same value.
    return static_cast<std::uint16_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * 65535.0));
}

OptionChange ApplyOptionValues(GTable& table, const OptionValues& values) {
    OptionChange change;
    change.tree = table.ShowBackup != values.flags[0] || table.ShowHidden != values.flags[1];
    for (int i = 0; i < kOptionFlagCount; ++i) {
        *FlagField(table, i) = values.flags[i];
    }
    std::copy(std::begin(values.colors), std::end(values.colors), std::begin(table.Color));

    std::vector<int> kinds;
    for (int kind : values.displayed) {
        if (kind >= 0 && kind < kMaxColumns &&
            std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) {
            kinds.push_back(kind);
        }
    }
    if (std::find(kinds.begin(), kinds.end(), COLUMN_NAME) == kinds.end()) {
        kinds.insert(kinds.begin(), COLUMN_NAME);
    }
    const std::vector<int> before = DisplayedKinds(table);
    change.columns = kinds != before;

    int position[kMaxColumns] = {};
    int size[kMaxColumns] = {};
    int nameColumn = 1;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        position[i] = kinds[i];
        const auto old = std::find(before.begin(), before.end(), kinds[i]);
        size[i] = old != before.end() ? table.ColumnSize[old - before.begin()] : 0;
        if (kinds[i] == COLUMN_NAME) {
            nameColumn = static_cast<int>(i) + 1;
        }
    }
    std::copy(std::begin(position), std::end(position), std::begin(table.ColumnPosition));
    std::copy(std::begin(size), std::end(size), std::begin(table.ColumnSize));
    table.ColumnCount = static_cast<int>(kinds.size());
    table.NameColumn = nameColumn;
    table.SortColumn = nameColumn;
    table.SortType = 0;
    return change;
}

}  // namespace rmg
