#include "StringTable.h"

#include <map>

#include "Resource.h"

namespace {
const std::map<int, const char*>& Strings() {
    static const std::map<int, const char*> table = {
        // The program's own commands carry a tool tip part only where they have a toolbar button.
        {ID_VIEW_ALWAYS_ON_TOP, "Set window to stay on top of all other windows\nAlways on Top"},
        {ID_CALC_START, "Calculate armor combinations\nStart Calculation"},
        {ID_DELETE_ITEM, "Delete the selected item from the database"},
        {ID_ASSIGN_SUIT, "Assign the selected suit to a character and remove pieces from use"},
        {ID_CALC_FILTERS, "Filter and limit settings"},
        {ID_CALC_STOP, "Stop calculation\nStop Calculation"},
        {ID_CALC_PLAN, "Plan suits for several characters at once from one pool\nPlan Characters"},
        {ID_DELETE_SUIT, "Delete the suit and return the pieces to the pool"},
        {ID_DELETE_SUIT_ITEM, "Remove this piece from the suit and return it to the pool"},
        {ID_ADD_PIECE_TO_SUIT, "Add this piece to an existing character's suit"},
        {ID_EDIT_ITEM_NAMES, "Edit the names that decide the slot of an imported item"},
        {ID_EXCLUDE_PIECE, "Keep this piece in the pool but out of every search"},
        {ID_PIN_PIECE, "Make every suit of a search use this piece in its slot"},
        {ID_CLEAR_PIECE_MARK, "Let searches use this piece as any other"},
        {ID_EDIT_PIECE, "Correct the slot and the values read from this piece's text"},
        {ID_FILE_EXPORT_RESULTS, "Save the results list of the active window as a CSV file"},
        // Standard commands.
        {ID_FILE_NEW, "Create a new document\nNew"},
        {ID_FILE_OPEN, "Open an existing document\nOpen"},
        {ID_FILE_CLOSE, "Close the active document\nClose"},
        {ID_FILE_SAVE, "Save the active document\nSave"},
        {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
        {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
        {ID_FILE_PRINT, "Print the active document\nPrint"},
        {ID_FILE_MRU_FILE1, "Open this document"},
        {ID_FILE_MRU_FILE1 + 1, "Open this document"},
        {ID_FILE_MRU_FILE1 + 2, "Open this document"},
        {ID_FILE_MRU_FILE1 + 3, "Open this document"},
        {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
        {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
        {ID_HELP_FINDER, "Open the user guide\nHelp"},
        {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
        {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
        {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
        {ID_EDIT_FIND, "Show only the pieces whose text holds what you type\nFilter"},
        {ID_EDIT_UNDO, "Undo the last action\nUndo"},
        {ID_EDIT_REDO, "Redo the previously undone action\nRedo"},
        {ID_WINDOW_NEW, "Open another window for the active document\nNew Window"},
        {ID_WINDOW_ARRANGE, "Arrange icons at the bottom of the window\nArrange Icons"},
        {ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows"},
        {ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows"},
        {ID_WINDOW_SPLIT, "Split the active window into panes\nSplit"},
        {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
        {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},
        {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
        {ID_VIEW_AUTOARRANGE, "Arrange icons on a grid."},
        {ID_VIEW_SMALLICON, "Display items by using small icons\nSmall Icons"},
        {ID_VIEW_LARGEICON, "Display items by using large icons\nLarge Icons"},
        {ID_VIEW_LIST, "Displays items in a list\nList"},
        {ID_VIEW_DETAILS, "Displays detailed information about each item in the window\nDetails"},
        {ID_VIEW_LINEUP, "Arranges icons in a grid."},
        {ID_VIEW_BYNAME, "Sorts the icons alphabetically."},
    };
    return table;
}

std::string Part(const std::string& s, bool tip) {
    const size_t nl = s.find('\n');
    if (nl == std::string::npos) return tip ? std::string() : s;
    return tip ? s.substr(nl + 1) : s.substr(0, nl);
}
}  // namespace

std::string GetDocString(DocString field) {
    const std::string s = DOCTYPE_STRING;
    size_t start = 0;
    for (int i = 0; i < int(field); ++i) {
        start = s.find('\n', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    const size_t end = s.find('\n', start);
    return s.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string CommandString(int id) {
    auto it = Strings().find(id);
    return it == Strings().end() ? std::string() : std::string(it->second);
}

std::string CommandPrompt(int id) { return Part(CommandString(id), false); }
std::string CommandTip(int id) { return Part(CommandString(id), true); }
