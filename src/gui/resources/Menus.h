#pragma once
// Menu bars, the tree's context menu, the toolbar and the accelerator table.
#include <vector>

// One menu entry: a command (id > 0), a separator (id 0, no text) or a popup (id -1 with items).
// A popup of the bar without items and with an id is a command on the bar itself.
struct CMenuItemDef {
    int id = 0;
    const char* text = nullptr;
    std::vector<CMenuItemDef> items;

    bool IsSeparator() const { return id == 0 && !text; }
    bool IsPopup() const { return id == -1; }
};

constexpr int MENU_POPUP = -1;

// The menu bar of resource 128 (no document window) or 129 (a document window active);
// IDR_TREE_POPUP gives a bar with the one popup of the tree's context menu. Empty for other ids.
const std::vector<CMenuItemDef>& MenuResource(int id);

// Toolbar buttons of resource 128, left to right; 0 is a separator.
const std::vector<int>& ToolbarResource();

enum AccelModifier { ACCEL_NONE = 0, ACCEL_SHIFT = 1, ACCEL_CTRL = 2, ACCEL_ALT = 4 };
enum class AccelKey { N, O, S, P, V, C, X, Y, Z, F, Insert, Delete, Backspace, Escape, F1, F5, F6 };
struct CAccelDef {
    int modifiers;
    AccelKey key;
    int id;
};
// The accelerator table of resource 128. A menu entry without a key text of its own shows the first
// accelerator of its command.
const std::vector<CAccelDef>& AcceleratorResource();
