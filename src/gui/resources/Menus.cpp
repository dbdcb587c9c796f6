#include "Menus.h"

#include "Resource.h"

namespace {
const CMenuItemDef SEP{};

CMenuItemDef Cmd(int id, const char* text) { return CMenuItemDef{id, text, {}}; }
CMenuItemDef Popup(const char* text, std::vector<CMenuItemDef> items) {
    return CMenuItemDef{MENU_POPUP, text, std::move(items)};
}

const std::vector<CMenuItemDef>& MainMenu() {
    static const std::vector<CMenuItemDef> menu = {
        Popup("&File",
              {Cmd(ID_FILE_NEW, "&New\tCtrl+N"), Cmd(ID_FILE_OPEN, "&Open...\tCtrl+O"), SEP,
               Cmd(ID_FILE_PRINT_SETUP, "P&rint Setup..."), SEP, Cmd(ID_FILE_MRU_FILE1, "Recent File"), SEP,
               Cmd(ID_APP_EXIT, "E&xit")}),
        Popup("&View",
              {Cmd(ID_VIEW_TOOLBAR, "&Toolbar"), Cmd(ID_VIEW_STATUS_BAR, "&Status Bar"),
               Cmd(ID_WINDOW_SPLIT, "S&plit"), SEP, Cmd(ID_VIEW_LARGEICON, "Lar&ge Icons"),
               Cmd(ID_VIEW_SMALLICON, "S&mall Icons"), Cmd(ID_VIEW_LIST, "&List"), Cmd(ID_VIEW_DETAILS, "&Details"),
               SEP,
               Popup("Arrange &Icons", {Cmd(ID_VIEW_BYNAME, "By &Name"), SEP, Cmd(ID_VIEW_AUTOARRANGE, "&Auto Arrange")}),
               Cmd(ID_VIEW_LINEUP, "Lin&e up Icons")}),
        Popup("&Help", {Cmd(ID_HELP_FINDER, "&Gorvanta Help\tF1"), SEP, Cmd(ID_APP_ABOUT, "&About Gorvanta...")}),
    };
    return menu;
}

const std::vector<CMenuItemDef>& DocMenu() {
    static const std::vector<CMenuItemDef> menu = {
        Popup("&File",
              {Cmd(ID_FILE_NEW, "&New\tCtrl+N"), Cmd(ID_FILE_OPEN, "&Open...\tCtrl+O"), Cmd(ID_FILE_CLOSE, "&Close"),
               Cmd(ID_FILE_SAVE, "&Save\tCtrl+S"), Cmd(ID_FILE_SAVE_AS, "Save &As..."), SEP,
               Cmd(ID_FILE_EXPORT_RESULTS, "&Export Results..."), SEP, Cmd(ID_FILE_MRU_FILE1, "Recent File"), SEP,
               Cmd(ID_APP_EXIT, "E&xit")}),
        Popup("&Edit", {Cmd(ID_EDIT_UNDO, "&Undo\tCtrl+Z"), Cmd(ID_EDIT_REDO, "&Redo\tCtrl+Y"), SEP,
                        Cmd(ID_EDIT_PASTE, "&Paste\tCtrl+V"), SEP, Cmd(ID_EDIT_ITEM_NAMES, "&Item Names...")}),
        Popup("&View",
              {Cmd(ID_VIEW_TOOLBAR, "&Toolbar"), Cmd(ID_VIEW_STATUS_BAR, "&Status Bar"),
               Cmd(ID_WINDOW_SPLIT, "S&plit"), SEP, Cmd(ID_VIEW_ALWAYS_ON_TOP, "&Always on Top")}),
        Cmd(ID_CALC_FILTERS, "Filte&rs"),
        Popup("&Calculate", {Cmd(ID_CALC_START, "Start Calculation"), Cmd(ID_CALC_STOP, "Stop Calculation"), SEP,
                             Cmd(ID_CALC_PLAN, "&Plan Characters...")}),
        Popup("&Window",
              {Cmd(ID_WINDOW_NEW, "&New Window"), Cmd(ID_WINDOW_CASCADE, "&Cascade"),
               Cmd(ID_WINDOW_TILE_HORZ, "&Tile"), Cmd(ID_WINDOW_ARRANGE, "&Arrange Icons")}),
        Popup("&Help", {Cmd(ID_HELP_FINDER, "&Gorvanta Help\tF1"), SEP, Cmd(ID_APP_ABOUT, "&About Gorvanta...")}),
    };
    return menu;
}

const std::vector<CMenuItemDef>& TreePopup() {
    static const std::vector<CMenuItemDef> menu = {
        Popup("_POPUP_",
              {Cmd(ID_ADD_PIECE_TO_SUIT, "Add Piece to Suit"), Cmd(ID_DELETE_ITEM, "Delete Item"),
               Cmd(ID_DELETE_SUIT, "Delete Suit"), Cmd(ID_DELETE_SUIT_ITEM, "Delete Suit Item"), SEP,
               Cmd(ID_EXCLUDE_PIECE, "Exclude from Searches"), Cmd(ID_PIN_PIECE, "Pin in Its Slot"),
               Cmd(ID_CLEAR_PIECE_MARK, "Clear Mark"), SEP, Cmd(ID_EDIT_PIECE, "Edit Piece...")}),
    };
    return menu;
}
}  // namespace

const std::vector<CMenuItemDef>& MenuResource(int id) {
    static const std::vector<CMenuItemDef> none;
    switch (id) {
        case IDR_MAINFRAME: return MainMenu();
        case IDR_DOCTYPE: return DocMenu();
        case IDR_TREE_POPUP: return TreePopup();
        default: return none;
    }
}

const std::vector<int>& ToolbarResource() {
    static const std::vector<int> buttons = {ID_FILE_NEW,   ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_VIEW_ALWAYS_ON_TOP, 0,
                                             ID_CALC_START, ID_CALC_STOP, ID_CALC_PLAN, 0, ID_EDIT_PASTE, 0,      ID_APP_ABOUT};
    return buttons;
}

const std::vector<CAccelDef>& AcceleratorResource() {
    static const std::vector<CAccelDef> table = {
        {ACCEL_CTRL, AccelKey::N, ID_FILE_NEW},
        {ACCEL_CTRL, AccelKey::O, ID_FILE_OPEN},
        {ACCEL_CTRL, AccelKey::S, ID_FILE_SAVE},
        {ACCEL_CTRL, AccelKey::P, ID_FILE_PRINT},
        {ACCEL_CTRL, AccelKey::V, ID_EDIT_PASTE},
        {ACCEL_SHIFT, AccelKey::Insert, ID_EDIT_PASTE},
        {ACCEL_CTRL, AccelKey::C, ID_EDIT_COPY},
        {ACCEL_CTRL, AccelKey::Insert, ID_EDIT_COPY},
        {ACCEL_CTRL, AccelKey::X, ID_EDIT_CUT},
        {ACCEL_SHIFT, AccelKey::Delete, ID_EDIT_CUT},
        {ACCEL_CTRL, AccelKey::Z, ID_EDIT_UNDO},
        {ACCEL_ALT, AccelKey::Backspace, ID_EDIT_UNDO},
        {ACCEL_CTRL, AccelKey::Y, ID_EDIT_REDO},
        {ACCEL_CTRL | ACCEL_SHIFT, AccelKey::Z, ID_EDIT_REDO},
        {ACCEL_NONE, AccelKey::F6, ID_NEXT_PANE},
        {ACCEL_SHIFT, AccelKey::F6, ID_PREV_PANE},
        {ACCEL_NONE, AccelKey::F5, ID_CALC_START},
        {ACCEL_SHIFT, AccelKey::F5, ID_CALC_STOP},
        {ACCEL_NONE, AccelKey::Escape, ID_CALC_STOP},
        {ACCEL_CTRL, AccelKey::F, ID_EDIT_FIND},
        {ACCEL_NONE, AccelKey::F1, ID_HELP_FINDER},
    };
    return table;
}
