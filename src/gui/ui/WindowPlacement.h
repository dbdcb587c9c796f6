#pragma once
// Where the main frame, the document windows and the split between tree and results list reopen,
// kept in the per-user store, and the single-value profile functions.
#include <QRect>
#include <QSize>

#include <climits>
#include <string>
#include <vector>

#include "core/model/WindowRules.h"

class QWidget;

// Position and size that a window is about to be created with; USE_DEFAULT leaves the choice to
// the window system (position) or the window (size).
struct CCreateParams {
    static constexpr int USE_DEFAULT = INT_MIN;
    int x = USE_DEFAULT;
    int y = USE_DEFAULT;
    int cx = USE_DEFAULT;
    int cy = USE_DEFAULT;

    bool HasPos() const { return x != USE_DEFAULT && y != USE_DEFAULT; }
    bool HasSize() const { return cx != USE_DEFAULT && cy != USE_DEFAULT; }
};

// Show states as they are stored.
enum { SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };

// A window's restored rectangle and its show state. For the main frame the rectangle is relative to
// the primary screen's work area; for a document window it is in the document area's coordinates.
struct CWindowPlacement {
    QRect rcNormalPosition;
    int showCmd = SW_SHOWNORMAL;
};

class IPlacedWindow {
public:
    virtual ~IPlacedWindow() = default;
    virtual CWindowPlacement GetWindowPlacement() const = 0;
};

// The primary screen's work area (the desktop without panels), its full size and the icon size.
struct CScreenMetrics {
    QRect workArea;
    QSize screen;
    QSize icon;
    // Every screen's geometry; empty stands for the primary screen alone.
    std::vector<QRect> screens;
};
CScreenMetrics GetScreenMetrics();
// Tests put other screens in place; null returns to the platform's.
using ScreenMetricsSource = CScreenMetrics (*)();
void SetScreenMetricsSource(ScreenMetricsSource source);

constexpr const char* FRAME_SECTION = "Frame";
constexpr const char* CHILDFRAME_SECTION = "ChildFrame";

void LoadFramePlacement(CCreateParams& cs, int defaultWidth, int defaultHeight, int* pAlwaysOnTop);
void SaveFramePlacement(const IPlacedWindow* frame, int alwaysOnTop);
// Returns SW_SHOWMAXIMIZED when the window is to open maximized, else 0.
int LoadChildFramePlacement(CCreateParams& cs, int defaultWidth, int defaultHeight);
void SaveChildFramePlacement(const IPlacedWindow* frame);
// A document window's place from the store, kept in a document area of `area`: one left mostly out of
// sight (stored while the main window was larger) is moved, and shrunk if need be, into it.
void KeepChildInView(CCreateParams& cs, const QSize& area);

inline CPlaceRect ToPlace(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }
inline QRect ToQRect(const CPlaceRect& r) { return QRect(r.x, r.y, r.w, r.h); }

// The splitter whose left column width is stored.
class ISplitPane {
public:
    virtual ~ISplitPane() = default;
    virtual int GetColumnWidth(int column) const = 0;
};
// A resizable dialog's rectangle under its own section ("Top", "Left", "Bottom", "Right"): restored only
// when all four are stored and make a rectangle; saved from the normal (not maximized) geometry.
void RestoreDialogPlacement(QWidget& dialog, const char* section);
void SaveDialogPlacement(const QWidget& dialog, const char* section);

int LoadSplitterPos(int defaultWidth);
void SaveSplitterPos(const void* frame, const ISplitPane* splitter);

void ProfileWriteString(std::string section, std::string name, std::string value);
void ProfileWriteInt(std::string section, std::string name, int value);
int ProfileGetInt(std::string section, std::string name, int def);
