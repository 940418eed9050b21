#include "rummage/rmgeditmenu.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "common/I18n.h"
#include "common/XpmPixbuf.h"
#include "pixmaps/IconFind.xpm"
#include "pixmaps/IconLink.xpm"
#include "pixmaps/IconSelect.xpm"
#include "rummage/rmgcommands.h"
#include "rummage/rmgdirtree.h"
#include "rummage/rmgfilelist.h"
#include "rummage/rmgfilemenu.h"
#include "rummage/rmgfind.h"
#include "rummage/rmgmainwindow.h"
#include "rummage/rmgmessage.h"
#include "rummage/rmgtable.h"
#include "rummage/rmgutil.h"

namespace rmg {

namespace {

// ---- Select files ----

void on_Select_OKButton_clicked(Gtk::Entry* entry) {
    const std::string text = FromDisplay(entry->get_text());
    if (!IsValidSelectText(text)) {
        RefuseEntry(entry, _("Invalid select string."));
        return;
    }
    std::vector<std::string> names(GetListRowCount());
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        names[i] = GetListRowName(i);
    }
    SetListSelection(MatchRows(names, text, GetListParentRow()));
    if (pGTable != nullptr) {
        AddHistoryListS(pGTable->FilterHistory, text);
    }
    suite::EndModalLoop();
}

// ---- Find ----

struct FindColumns : Gtk::TreeModelColumnRecord {
    Gtk::TreeModelColumn<Glib::ustring> text;
    Gtk::TreeModelColumn<std::string> name;  // bytes, for the path
    Gtk::TreeModelColumn<bool> directory;
    FindColumns() {
        add(text);
        add(name);
        add(directory);
    }
};

const FindColumns& FindCols() {
    static FindColumns cols;
    return cols;
}

// A directory node of the result tree, and whether it shows its children.
struct FindDirNode {
    Gtk::TreeModel::iterator node;
    bool expanded = false;
    int depth = 0;
};

// A row that may be the widest of the result: deep and with a long text.
struct WideRow {
    std::size_t score = 0;
    Gtk::TreeModel::iterator node;
    Glib::ustring text;
};

// Rows measured for the column's width; the widest is among them as good
// as always, and measuring every row is what made big results slow.
constexpr std::size_t kWideRows = 8;

// One result window's search.
struct FindContext {
    int Result = RESULT_YES;
    std::string StartPath;
    std::string StartText;
    std::string Pattern;
    int Recursive = 0;
    Gtk::Label* StatusLabel = nullptr;
    Gtk::Button* DisplayButton = nullptr;
    Gtk::Button* AgainButton = nullptr;
    Gtk::Button* OkButton = nullptr;
    Gtk::Button* CancelButton = nullptr;
    Gtk::TreeView* ResultTree = nullptr;
    Gtk::TreeViewColumn* Column = nullptr;
    Glib::RefPtr<Gtk::TreeStore> store;
    std::vector<WideRow> wide;
    bool wideChanged = false;
    int width = 0;
    std::unordered_map<std::string, FindDirNode> nodes;  // "a/b/" -> node
    std::string lastDirKey;                              // of the last match
    FindDirNode* lastDir = nullptr;
    std::unique_ptr<FindWalk> walk;
    sigc::connection stepper;
    bool running = false;
};

// Keeps `node` among the rows measured when it may be one of the widest.
void NoteWidth(FindContext* ctx, GtkTreeIter& node, const char* name, std::size_t length,
               int depth) {
    // An indent is about three characters wide.
    const std::size_t score = length + 3 * static_cast<std::size_t>(depth);
    auto least =
        std::min_element(ctx->wide.begin(), ctx->wide.end(),
                         [](const WideRow& a, const WideRow& b) { return a.score < b.score; });
    if (ctx->wide.size() >= kWideRows && least->score >= score) {
        return;
    }
    WideRow row{score, Gtk::TreeModel::iterator(GTK_TREE_MODEL(ctx->store->gobj()), &node),
                ToDisplay(std::string(name, length))};
    if (ctx->wide.size() < kWideRows) {
        ctx->wide.push_back(std::move(row));
    } else {
        *least = std::move(row);
    }
    ctx->wideChanged = true;
}

// The result has one fixed-width column, so the tree never measures every
// row; it widens to the widest rows noted.
void FitResultColumn(FindContext* ctx) {
    // Cell positions are known once the tree is on the screen.
    if (!ctx->wideChanged || !ctx->ResultTree->get_realized()) {
        return;
    }
    ctx->wideChanged = false;
    const int iconWidth = GetDirPixbuf(1) ? GetDirPixbuf(1)->get_width() : 16;
    const int scrolled = static_cast<int>(ctx->ResultTree->get_hadjustment()->get_value());
    int needed = ctx->width;
    for (const WideRow& row : ctx->wide) {
        Gdk::Rectangle cell;
        ctx->ResultTree->get_cell_area(ctx->store->get_path(row.node), *ctx->Column, cell);
        int textWidth = 0;
        int textHeight = 0;
        ctx->ResultTree->create_pango_layout(row.text)->get_pixel_size(textWidth, textHeight);
        // Room for the renderers' padding and the gap between them.
        needed = std::max(needed, cell.get_x() + scrolled + iconWidth + textWidth + 16);
    }
    if (needed > ctx->width) {
        ctx->width = needed;
        ctx->Column->set_fixed_width(needed);
    }
}

// The walk hands each directory's entries over from the greatest name
// down, so a new node always belongs first among its siblings: inserting
// there keeps the tree sorted by name at constant cost per node.  `name` is
// the entry's bytes, ended by a NUL.
GtkTreeIter AddNode(FindContext* ctx, FindDirNode& parent, const char* name, std::size_t length,
                    bool directory) {
    // Most names are UTF-8 already and go in as they are.
    Glib::ustring converted;
    const char* text = name;
    if (!g_utf8_validate(name, static_cast<gssize>(length), nullptr)) {
        converted = ToDisplay(std::string(name, length));
        text = converted.c_str();
    }
    // All values in the one insertion: setting them one by one would tell
    // the tree of three changes to the new row besides.
    GtkTreeIter made;
    gtk_tree_store_insert_with_values(ctx->store->gobj(), &made,
                                      const_cast<GtkTreeIter*>(parent.node->gobj()), 0,
                                      FindCols().text.index(), text, FindCols().name.index(), name,
                                      FindCols().directory.index(), directory ? TRUE : FALSE, -1);
    NoteWidth(ctx, made, name, length, parent.depth + 1);
    if (!parent.expanded) {
        parent.expanded = true;
        ctx->ResultTree->expand_row(ctx->store->get_path(parent.node), false);
    }
    return made;
}

// The directory node of `relative` ("" or "a/b/"), made with those above it.
FindDirNode& DirectoryNode(FindContext* ctx, const std::string& relative) {
    auto found = ctx->nodes.find(relative);
    if (found != ctx->nodes.end()) {
        return found->second;
    }
    const std::string trimmed = relative.substr(0, relative.size() - 1);
    const std::size_t slash = trimmed.rfind('/');
    const std::string parentKey = slash == std::string::npos ? "" : trimmed.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    FindDirNode& parent = DirectoryNode(ctx, parentKey);
    GtkTreeIter node = AddNode(ctx, parent, name.c_str(), name.size(), true);
    FindDirNode made{Gtk::TreeModel::iterator(GTK_TREE_MODEL(ctx->store->gobj()), &node), false,
                     parent.depth + 1};
    return ctx->nodes.emplace(relative, made).first->second;
}

void AddMatch(FindContext* ctx, const FindMatch& match) {
    if (match.directory) {
        DirectoryNode(ctx, match.relative + "/");
        return;
    }
    const std::size_t slash = match.relative.rfind('/');
    const std::size_t dirLength = slash == std::string::npos ? 0 : slash + 1;
    // Matches come directory by directory: the last one's node serves most.
    if (ctx->lastDir == nullptr || ctx->lastDirKey.size() != dirLength ||
        match.relative.compare(0, dirLength, ctx->lastDirKey) != 0) {
        ctx->lastDirKey = match.relative.substr(0, dirLength);
        ctx->lastDir = &DirectoryNode(ctx, ctx->lastDirKey);
    }
    AddNode(ctx, *ctx->lastDir, match.relative.c_str() + dirLength,
            match.relative.size() - dirLength, false);
}

// Ends the search, finished or stopped; the result so far stays usable.
void EndSearch(FindContext* ctx, bool stopped) {
    ctx->running = false;
    ctx->stepper.disconnect();
    FitResultColumn(ctx);
    ctx->StatusLabel->set_text(stopped ? _("Search cancelled") : _("Match file list"));
    ctx->CancelButton->hide();
    ctx->DisplayButton->set_sensitive(true);
    ctx->AgainButton->set_sensitive(true);
    ctx->OkButton->set_sensitive(true);
    ctx->OkButton->grab_default();
    ctx->OkButton->grab_focus();
}

// How long one slice of the search may keep the window from its events.
constexpr auto kFindSlice = std::chrono::milliseconds(40);

// One slice of the search; the window's events are handled between slices,
// so it can be drawn, moved, cancelled or closed while the search runs.
bool on_FindStep(FindContext* ctx) {
    const auto until = std::chrono::steady_clock::now() + kFindSlice;
    bool more = true;
    while (more && std::chrono::steady_clock::now() < until) {
        more = ctx->walk->Step(256);
        for (const FindMatch& match : ctx->walk->TakeMatches()) {
            AddMatch(ctx, match);
        }
    }
    if (more) {
        FitResultColumn(ctx);
        ctx->StatusLabel->set_text(ToDisplay(FillText(_("Find...%s"), {ctx->walk->CurrentName()})));
        return true;
    }
    EndSearch(ctx, false);
    return false;
}

void on_FindResult_ResultButton_clicked(FindContext* ctx) {
    if (ctx->running) {
        return;
    }
    auto node = ctx->ResultTree->get_selection()->get_selected();
    if (node) {
        std::string path;
        for (auto it = node; it; it = it->parent()) {
            const std::string name = (*it)[FindCols().name];
            path = name + (it == node ? "" : "/") + path;
        }
        // The root's text already ends in "/".
        std::string::size_type doubled;
        while ((doubled = path.find("//")) != std::string::npos) {
            path.erase(doubled, 1);
        }
        if (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        const std::string open = IsDirectory(path) ? path + "/" : GetParentDirectory(path);
        if (pMainW != nullptr && pMainW->DirTree != nullptr) {
            OpenChildTree(pMainW->DirTree, open, 0);
        }
    }
    ctx->Result = RESULT_SHOW_DIRECTORY;
    suite::EndModalLoop();
}

// OK, "Serch again" and closing the window; closing also stops a search
// still running.
void on_FindResult_Close(FindContext* ctx, int result) {
    if (ctx->running) {
        EndSearch(ctx, true);
    }
    ctx->Result = result;
    suite::EndModalLoop();
}

struct FindDialogRecord {
    DialogWindow* Dialog = nullptr;
    Gtk::ComboBoxText* DirCombo = nullptr;
    Gtk::Entry* DirEntry = nullptr;
    Gtk::ComboBoxText* NameCombo = nullptr;
    Gtk::Entry* NameEntry = nullptr;
    Gtk::CheckButton* SubDir = nullptr;
};

void on_Find_OKButton_clicked(FindDialogRecord* rec) {
    const std::string startText = FromDisplay(rec->DirEntry->get_text());
    std::string start = startText;
    const int code = CheckFileExist(start);
    if (code != PATH_DIR_EXISTS) {
        FileExistMessageBox(code, rec->DirEntry, start.c_str());
        return;
    }
    if (start.back() != '/') {
        start += '/';
    }
    rec->DirEntry->set_text(ToDisplay(start));
    const std::string pattern = FromDisplay(rec->NameEntry->get_text());
    if (!IsValidSelectText(pattern)) {
        RefuseEntry(rec->NameEntry, _("Invalid find string."));
        return;
    }
    DialogWindow* result = nullptr;
    const int answer =
        CreateFindResultDlg(&result, rec->Dialog, start, start, pattern, rec->SubDir->get_active());
    if (answer == RESULT_SEARCH_AGAIN) {
        return;
    }
    if (answer == RESULT_CREATE_FAILED || answer == RESULT_BAD_ARGUMENT) {
        delete result;
    }
    if (pGTable != nullptr) {
        AddHistoryListS(pGTable->DirHistory, start);
        AddHistoryListS(pGTable->FilterHistory, pattern);
    }
    suite::EndModalLoop();
}

// ---- Symbolic link ----

struct LinkRecord {
    Gtk::Entry* Target = nullptr;
    Gtk::Entry* LinkEntry = nullptr;
};

void on_Link_OKButton_clicked(LinkRecord* rec) {
    std::string link = FromDisplay(rec->LinkEntry->get_text());
    const int result = MakeSymbolicLink(FromDisplay(rec->Target->get_text()), link);
    if (result == 1 || result == 2) {
        RefuseEntry(result == 1 ? rec->Target : rec->LinkEntry, "");
        return;
    }
    if (result != 0) {
        return;
    }
    if (pMainW != nullptr && pMainW->DirTree != nullptr) {
        OpenChildTree(pMainW->DirTree, GetParentDirectory(link), 0);
    }
    suite::EndModalLoop();
}

}  // namespace

int CreateSelectFilesDlg(DialogWindow** dialog) {
    if (dialog == nullptr || pGTable == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    return RunTextDialog(dialog, suite::PixbufFromXpm(IconSelect_xpm), _("Select file"),
                         _("Enter a filter here to select files in the file list view with."),
                         pGTable->FilterHistory, "", &on_Select_OKButton_clicked);
}

int CreateFindResultDlg(DialogWindow** dialog, Gtk::Window* findDialog, const std::string& start,
                        const std::string& startText, const std::string& pattern, bool recursive) {
    if (dialog == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    Gtk::Box* box = nullptr;
    *dialog = CreateNormalDialogBox(&box, 410, 380, 5);
    (*dialog)->set_title(_("Result of find"));
    (*dialog)->set_border_width(5);

    FindContext ctx;
    ctx.StartPath = start;
    ctx.StartText = startText;
    ctx.Pattern = pattern;
    ctx.Recursive = recursive ? 1 : 0;
    ctx.StatusLabel = CreateLabel(box, _("Find..."));
    ctx.StatusLabel->set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
    ctx.StatusLabel->get_accessible()->set_name(_("Find..."));
    Gtk::ScrolledWindow* scroll = CreateScroll();
    box->pack_start(*scroll, true, true);
    // Kept in name order by where nodes go in (AddNode), not by a sort
    // column, which would move every new node across its siblings.
    ctx.store = Gtk::TreeStore::create(FindCols());
    ctx.ResultTree = Gtk::manage(new Gtk::TreeView(ctx.store));
    ctx.ResultTree->set_headers_visible(false);
    ctx.ResultTree->set_can_focus(false);
    ctx.ResultTree->get_accessible()->set_name(_("Result of find"));
    auto* column = Gtk::manage(new Gtk::TreeViewColumn());
    auto* icon = Gtk::manage(new Gtk::CellRendererPixbuf());
    auto* text = Gtk::manage(new Gtk::CellRendererText());
    column->pack_start(*icon, false);
    column->pack_start(*text, true);
    column->add_attribute(text->property_text(), FindCols().text);
    column->set_cell_data_func(
        *icon, [icon](Gtk::CellRenderer*, const Gtk::TreeModel::iterator& it) {
            const bool directory = (*it)[FindCols().directory];
            icon->property_pixbuf() = directory ? GetDirPixbuf(1) : Glib::RefPtr<Gdk::Pixbuf>();
            icon->property_pixbuf_expander_open() =
                directory ? GetDirPixbuf(0) : Glib::RefPtr<Gdk::Pixbuf>();
            icon->property_pixbuf_expander_closed() =
                directory ? GetDirPixbuf(1) : Glib::RefPtr<Gdk::Pixbuf>();
        });
    column->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
    ctx.Column = column;
    ctx.ResultTree->append_column(*column);
    ctx.ResultTree->set_fixed_height_mode(true);
    // Rows noted before the tree was on the screen are measured then.
    ctx.ResultTree->signal_realize().connect([&ctx] { FitResultColumn(&ctx); }, true);
    scroll->add(*ctx.ResultTree);
    ctx.ResultTree->show();

    Gtk::Box* row = CreateHBox(box, true, 10, 0);
    ctx.DisplayButton = Gtk::manage(new Gtk::Button(_("Display directory")));
    ctx.AgainButton = Gtk::manage(new Gtk::Button(_("Serch again")));
    for (Gtk::Button* button : {ctx.DisplayButton, ctx.AgainButton}) {
        row->pack_start(*button, true, true);
        button->set_sensitive(false);
        button->show();
    }
    Gtk::Button* ok = nullptr;
    Gtk::Button* cancel = nullptr;
    CreateDlgButtonBox(*dialog, &ok, &cancel, false);
    ctx.OkButton = ok;
    ctx.CancelButton = cancel;
    ok->set_sensitive(false);
    ok->signal_clicked().connect([&ctx] { on_FindResult_Close(&ctx, RESULT_YES); });
    cancel->signal_clicked().connect([&ctx] {
        if (ctx.running) {
            EndSearch(&ctx, true);
        }
    });
    ctx.AgainButton->signal_clicked().connect(
        [&ctx] { on_FindResult_Close(&ctx, RESULT_SEARCH_AGAIN); });
    ctx.DisplayButton->signal_clicked().connect(
        [&ctx] { on_FindResult_ResultButton_clicked(&ctx); });
    ctx.ResultTree->signal_row_activated().connect(
        [&ctx](const Gtk::TreeModel::Path&, Gtk::TreeViewColumn*) {
            on_FindResult_ResultButton_clicked(&ctx);
        });
    (*dialog)->signal_delete_event().connect([&ctx](GdkEventAny*) {
        on_FindResult_Close(&ctx, RESULT_YES);
        return true;
    });

    auto root = ctx.store->append();
    (*root)[FindCols().text] = ToDisplay(startText);
    (*root)[FindCols().name] = startText;
    (*root)[FindCols().directory] = true;
    ctx.nodes.emplace("", FindDirNode{root, false, 0});
    NoteWidth(&ctx, *root.gobj(), startText.c_str(), startText.size(), 0);
    FitResultColumn(&ctx);

    ctx.walk = std::make_unique<FindWalk>(start, pattern, recursive);
    ctx.running = true;
    ctx.stepper =
        Glib::signal_idle().connect([&ctx] { return on_FindStep(&ctx); }, Glib::PRIORITY_LOW);

    RunModal(dialog, findDialog);
    ctx.stepper.disconnect();
    return ctx.Result;
}

int CreateFindFilesDlg(DialogWindow** dialog) {
    if (dialog == nullptr || pGTable == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    FindDialogRecord rec;
    Gtk::Box* box = nullptr;
    rec.Dialog =
        CreateTitledIconDialog(&box, suite::PixbufFromXpm(IconFind_xpm), _("Find File"), 5);
    *dialog = rec.Dialog;
    Gtk::Grid* table = CreateTable(2, 2, 5, 5, 0);
    box->pack_start(*table, false, false);
    CreateGridCaption(table, 0, _("Start dir:"));
    rec.DirCombo = NamedCombo(&rec.DirEntry, static_cast<int>(kPathMax), _("Start dir:"),
                              &pGTable->DirHistory);
    rec.DirEntry->set_text(ToDisplay(pGTable->CurrentDir));
    table->attach(*CreateBrowseRow(nullptr, rec.DirCombo, 5), 1, 0, 1, 1);
    CreateGridCaption(table, 1, _("Find name:"));
    rec.NameCombo = NamedCombo(&rec.NameEntry, 512, _("Find name:"), &pGTable->FilterHistory);
    rec.NameEntry->set_size_request(310, -1);
    table->attach(*rec.NameCombo, 1, 1, 1, 1);
    rec.SubDir = CreateCheckButton(box, _("Search sub directory"), false);
    CreateOkCancel(
        rec.Dialog, [&rec] { on_Find_OKButton_clicked(&rec); }, rec.NameEntry);
    rec.NameEntry->grab_focus();
    RunModal(dialog, MainWindow());
    return 0;
}

int CreateSymbolicLinkDlg(DialogWindow** dialog) {
    if (dialog == nullptr || pGTable == nullptr) {
        return RESULT_BAD_ARGUMENT;
    }
    std::vector<FileOperationItem> items;
    GetFileOperationString(items, nullptr);
    Gtk::Box* box = nullptr;
    *dialog =
        CreateTitledIconDialog(&box, suite::PixbufFromXpm(IconLink_xpm), _("Symbolic link"), 5);
    LinkRecord rec;
    CreateLabel(box, _("Existing file name:"));
    rec.Target = NamedEntry(static_cast<int>(kPathMax), _("Existing file name:"));
    rec.Target->set_size_request(310, -1);
    if (!items.empty()) {
        rec.Target->set_text(ToDisplay(items.front()));
    }
    CreateBrowseRow(box, rec.Target, 5);
    CreateLabel(box, _("Symbolic link file name:"));
    CreateBrowseRow(box,
                    NamedCombo(&rec.LinkEntry, static_cast<int>(kPathMax),
                               _("Symbolic link file name:"), &pGTable->DirHistory),
                    5);
    CreateOkCancel(
        *dialog, [&rec] { on_Link_OKButton_clicked(&rec); }, rec.LinkEntry);
    RunModal(dialog, MainWindow());
    return 0;
}

void on_Menu_SelectAll_activate() {
    // The accelerator comes before the entry: text stays selectable there.
    if (Gtk::Window* window = MainWindow()) {
        if (auto* entry = dynamic_cast<Gtk::Entry*>(window->get_focus())) {
            entry->select_region(0, -1);
            return;
        }
    }
    SelectAllListRows();
}

void on_Menu_SelectFiles_activate() {
    RunDialog(&CreateSelectFilesDlg);
}

void on_Menu_Invert_Selection_activate() {
    SetListSelection(InvertRows(GetListSelectionMask(), GetListParentRow()));
}

void on_Menu_FindFile_activate() {
    RunDialog(&CreateFindFilesDlg);
}

void on_Menu_SymbolicLink_activate() {
    RunDialog(&CreateSymbolicLinkDlg);
}

}  // namespace rmg
