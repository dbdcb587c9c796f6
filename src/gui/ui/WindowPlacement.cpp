#include "WindowPlacement.h"

#include <QRect>
#include <QWidget>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include <algorithm>

#include "core/model/ProfileStore.h"

namespace {
ScreenMetricsSource g_metricsSource = nullptr;

CScreenMetrics PlatformMetrics() {
    CScreenMetrics m;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m.workArea = screen->availableGeometry();
        m.screen = screen->geometry().size();
    }
    for (QScreen* each : QGuiApplication::screens()) m.screens.push_back(each->geometry());
    const int icon = QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize) : 32;
    m.icon = QSize(icon, icon);
    return m;
}

// Reads Top, Left, Bottom, Right and the fifth value; false at the first one missing or -1.
bool ReadFive(const char* section, const char* fifth, QRect& rc, int& value) {
    const char* names[5] = {"Top", "Left", "Bottom", "Right", fifth};
    int v[5];
    for (int i = 0; i < 5; ++i) {
        v[i] = ProfileGetInt(section, names[i], -1);
        if (v[i] == -1) return false;
    }
    rc.setCoords(v[1], v[0], v[3] - 1, v[2] - 1);  // QRect's right and bottom are inclusive
    value = v[4];
    return true;
}

void WriteFive(const char* section, const char* fifth, const QRect& rc, int value) {
    ProfileWriteInt(section, "Top", rc.top());
    ProfileWriteInt(section, "Left", rc.left());
    ProfileWriteInt(section, "Bottom", rc.top() + rc.height());
    ProfileWriteInt(section, "Right", rc.left() + rc.width());
    ProfileWriteInt(section, fifth, value);
}

// Size from the stored rectangle; a position pushed into view from the right and the bottom only.
void Place(CCreateParams& cs, const QRect& rc, QPoint offset) {
    const CScreenMetrics m = GetScreenMetrics();
    cs.cx = rc.width();
    cs.cy = rc.height();
    cs.x = std::min(rc.left() + offset.x(), m.screen.width() - m.icon.width());
    cs.y = std::min(rc.top() + offset.y(), m.screen.height() - m.icon.height());
}

// A main window that no screen shows (left of or above them all, or on a screen that has gone) comes
// back on the primary screen's work area.
void KeepFrameOnScreens(CCreateParams& cs) {
    const CScreenMetrics m = GetScreenMetrics();
    std::vector<CPlaceRect> screens;
    for (const QRect& r : m.screens) screens.push_back(ToPlace(r));
    if (screens.empty()) screens.push_back({0, 0, m.screen.width(), m.screen.height()});
    const int grip = std::max(m.icon.width(), m.icon.height());
    const CPlaceRect r = PlaceOnScreens({cs.x, cs.y, cs.cx, cs.cy}, screens, ToPlace(m.workArea), grip);
    cs.x = r.x;
    cs.y = r.y;
    cs.cx = r.w;
    cs.cy = r.h;
}

void Defaults(CCreateParams& cs, int defaultWidth, int defaultHeight) {
    if (defaultWidth != 0) cs.cx = defaultWidth;
    if (defaultHeight != 0) cs.cy = defaultHeight;
}
}  // namespace

CScreenMetrics GetScreenMetrics() { return g_metricsSource ? g_metricsSource() : PlatformMetrics(); }
void SetScreenMetricsSource(ScreenMetricsSource source) { g_metricsSource = source; }

void LoadFramePlacement(CCreateParams& cs, int defaultWidth, int defaultHeight, int* pAlwaysOnTop) {
    QRect rc;
    int onTop = 0;
    if (ReadFive(FRAME_SECTION, "AlwaysOnTop", rc, onTop)) {
        if (pAlwaysOnTop) *pAlwaysOnTop = (onTop == 1) ? 1 : 0;
        // The stored rectangle is relative to the work area.
        Place(cs, rc, GetScreenMetrics().workArea.topLeft());
        KeepFrameOnScreens(cs);
    } else {
        Defaults(cs, defaultWidth, defaultHeight);
        if (pAlwaysOnTop) *pAlwaysOnTop = 0;
    }
}

void SaveFramePlacement(const IPlacedWindow* frame, int alwaysOnTop) {
    if (!frame) return;
    WriteFive(FRAME_SECTION, "AlwaysOnTop", frame->GetWindowPlacement().rcNormalPosition, alwaysOnTop);
}

int LoadChildFramePlacement(CCreateParams& cs, int defaultWidth, int defaultHeight) {
    QRect rc;
    int state = 0;
    if (ReadFive(CHILDFRAME_SECTION, "State", rc, state)) {
        // A document window's rectangle is already in the document area's coordinates; adding the
        // work area's corner here would move every new window by it.
        Place(cs, rc, QPoint(0, 0));
        return state == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : 0;
    }
    Defaults(cs, defaultWidth, defaultHeight);
    return SW_SHOWMAXIMIZED;
}

void KeepChildInView(CCreateParams& cs, const QSize& area) {
    if (!cs.HasPos() || !cs.HasSize() || area.isEmpty()) return;
    const CPlaceRect r = PlaceInArea({cs.x, cs.y, cs.cx, cs.cy}, {0, 0, area.width(), area.height()});
    cs.x = r.x;
    cs.y = r.y;
    cs.cx = r.w;
    cs.cy = r.h;
}

void SaveChildFramePlacement(const IPlacedWindow* frame) {
    if (!frame) return;
    const CWindowPlacement wp = frame->GetWindowPlacement();
    WriteFive(CHILDFRAME_SECTION, "State", wp.rcNormalPosition, wp.showCmd);
}

int LoadSplitterPos(int defaultWidth) { return ProfileGetInt(CHILDFRAME_SECTION, "Split", defaultWidth); }

void SaveSplitterPos(const void* frame, const ISplitPane* splitter) {
    if (!frame || !splitter) return;
    ProfileWriteInt(CHILDFRAME_SECTION, "Split", splitter->GetColumnWidth(0));
}

void ProfileWriteString(std::string section, std::string name, std::string value) {
    TheProfileStore().WriteString(section, name, value);
}

void ProfileWriteInt(std::string section, std::string name, int value) {
    TheProfileStore().WriteInt(section, name, value);
}

int ProfileGetInt(std::string section, std::string name, int def) { return TheProfileStore().GetInt(section, name, def); }

void RestoreDialogPlacement(QWidget& dialog, const char* section) {
    static const char* const names[4] = {"Top", "Left", "Bottom", "Right"};
    IProfileStore& store = TheProfileStore();
    int v[4];
    for (int i = 0; i < 4; ++i) {
        v[i] = store.GetInt(section, names[i], -1);
        if (v[i] == -1) return;
    }
    const int top = v[0], left = v[1], bottom = v[2], right = v[3];
    if (right <= left || bottom <= top) return;
    dialog.setGeometry(QRect(left, top, right - left, bottom - top));
}

void SaveDialogPlacement(const QWidget& dialog, const char* section) {
    const QRect r = dialog.normalGeometry().isValid() ? dialog.normalGeometry() : dialog.geometry();
    IProfileStore& store = TheProfileStore();
    store.WriteInt(section, "Top", r.top());
    store.WriteInt(section, "Left", r.left());
    store.WriteInt(section, "Bottom", r.top() + r.height());
    store.WriteInt(section, "Right", r.left() + r.width());
}
