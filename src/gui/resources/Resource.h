#pragma once
// Resource and command identifiers of the window program.

// Resources.
constexpr int IDR_MAINFRAME = 128;  // main frame menu, toolbar, accelerators, icon
constexpr int IDR_DOCTYPE = 129;    // document type and the menu of an active document window
constexpr int IDR_TREE_POPUP = 132; // the tree's context menu

// Program commands.
constexpr int ID_VIEW_ALWAYS_ON_TOP = 32771;
constexpr int ID_CALC_START = 32784;
constexpr int ID_INDICATOR_PIECE_COUNT = 32785;
constexpr int ID_DELETE_ITEM = 32788;
constexpr int ID_ASSIGN_SUIT = 32789;
constexpr int ID_CALC_FILTERS = 32790;
constexpr int ID_CALC_STOP = 32791;
constexpr int ID_DELETE_SUIT = 32792;
constexpr int ID_DELETE_SUIT_ITEM = 32793;
constexpr int ID_ADD_PIECE_TO_SUIT = 32794;
constexpr int ID_EDIT_ITEM_NAMES = 32795;
constexpr int ID_EXCLUDE_PIECE = 32796;
constexpr int ID_PIN_PIECE = 32797;
constexpr int ID_CLEAR_PIECE_MARK = 32798;
constexpr int ID_FILE_EXPORT_RESULTS = 32799;
constexpr int ID_EDIT_PIECE = 32810;
constexpr int ID_CALC_PLAN = 32811;

// Standard commands.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_CLOSE = 57602;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_MRU_FILE1 = 57616;  // 57616 to 57619: the four recent files
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_FIND = 57636;  // puts the keyboard into the tree's filter box
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_EDIT_REDO = 57644;
constexpr int ID_WINDOW_NEW = 57648;
constexpr int ID_WINDOW_ARRANGE = 57649;
constexpr int ID_WINDOW_CASCADE = 57650;
constexpr int ID_WINDOW_TILE_HORZ = 57651;
constexpr int ID_WINDOW_SPLIT = 57653;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_HELP_FINDER = 57667;  // the user guide
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_VIEW_AUTOARRANGE = 59397;
constexpr int ID_VIEW_SMALLICON = 59408;
constexpr int ID_VIEW_LARGEICON = 59409;
constexpr int ID_VIEW_LIST = 59410;
constexpr int ID_VIEW_DETAILS = 59411;
constexpr int ID_VIEW_LINEUP = 59412;
constexpr int ID_VIEW_BYNAME = 59413;

// Entries of the Window menu that name the open document windows.
constexpr int AFX_IDM_FIRST_MDICHILD = 65280;

constexpr int MRU_FILE_COUNT = 4;
