// Window placement in the per-user store: the profile functions, the load and save rules with
// their defaults and the clamp, and the frames that use them.
#include <QMdiArea>
#include <QSplitter>

#include "gui/resources/Resource.h"
#include "support/AppTest.h"
#include "gui/ui/WindowPlacement.h"

using namespace guitest;

namespace {
// A screen of 1024 by 768 whose work area starts below a 30-pixel panel, with 32-pixel icons.
CScreenMetrics PanelScreen() { return CScreenMetrics{QRect(0, 30, 1024, 738), QSize(1024, 768), QSize(32, 32), {}}; }

struct CFixedWindow : IPlacedWindow {
    CWindowPlacement wp;
    CWindowPlacement GetWindowPlacement() const override { return wp; }
};

struct CFixedSplit : ISplitPane {
    int left = 0;
    int GetColumnWidth(int column) const override { return column == 0 ? left : 0; }
};

using Stored = std::vector<std::pair<const char*, int>>;
Stored Rect(int top, int left, int bottom, int right, const char* fifth, int value) {
    return {{"Top", top}, {"Left", left}, {"Bottom", bottom}, {"Right", right}, {fifth, value}};
}

// What a stored section loads as: the size, the position (none: the default place) and the frame's
// always-on-top flag or the document window's show command.
struct LoadCase {
    const char* what;
    bool child;
    Stored stored;
    QSize size;
    std::optional<QPoint> pos;
    int flag;
};
const QSize kFrame(702, 416), kChild(599, 356);
const int kMax = SW_SHOWMAXIMIZED;
const LoadCase kLoads[] = {
    {"nothing stored", false, {}, kFrame, {}, 0},
    {"no Right: nothing stored", false, {{"Top", 10}, {"Left", 10}, {"Bottom", 300}, {"AlwaysOnTop", 1}}, kFrame, {},
     0},
    {"-1 counts as not stored", false, Rect(20, -1, 300, 500, "AlwaysOnTop", 0), kFrame, {}, 0},
    {"-1 on top counts as not stored", false, Rect(20, 0, 300, 500, "AlwaysOnTop", -1), kFrame, {}, 0},
    {"other negative values are positions", false, Rect(-5, -20, 300, 500, "AlwaysOnTop", 0), {520, 305},
     QPoint(-20, 25), 0},
    {"on top only for 1", false, Rect(0, 0, 300, 400, "AlwaysOnTop", 2), {400, 300}, QPoint(0, 30), 0},
    {"on top", false, Rect(0, 0, 300, 400, "AlwaysOnTop", 1), {400, 300}, QPoint(0, 30), 1},
    {"far positions clamped", false, Rect(5000, 3000, 5300, 3500, "AlwaysOnTop", 0), {500, 300},
     QPoint(1024 - 32, 768 - 32), 0},
    {"child: nothing stored", true, {}, kChild, {}, kMax},
    {"child: no State, nothing stored", true, {{"Top", 1}, {"Left", 1}, {"Bottom", 200}, {"Right", 300}}, kChild, {},
     kMax},
    {"child: -1 counts as not stored", true, Rect(-1, 5, 300, 500, "State", 1), kChild, {}, kMax},
    {"child: far positions clamped", true, Rect(2000, 2000, 2100, 2200, "State", 1), {200, 100},
     QPoint(1024 - 32, 768 - 32), 0},
};
}  // namespace

class PlacementTest : public QObject, Fixture {
    Q_OBJECT

public:
    PlacementTest() : Fixture({StoreKind::TestIni}) {}

private slots:
    void init() {
        BeginCase();
        SetScreenMetricsSource(PanelScreen);
    }
    void cleanup() {
        SetScreenMetricsSource(nullptr);
        EndCase();
    }
    void profileFunctionsRoundTrip() {
        QCOMPARE(ProfileGetInt("Frame", "Top", 77), 77);
        ProfileWriteInt("Frame", "Top", -12);
        QCOMPARE(ProfileGetInt("Frame", "Top", 77), -12);
        ProfileWriteString("Settings", "Name", "Varn");
        QCOMPARE(Store().ReadString("Settings", "Name").value_or(""), std::string("Varn"));
        // The values land in the store the program reads at its next start.
        SyncStore();
        QCOMPARE(StoredInt("Frame", "Top").value_or(0), -12);
    }
    // Incomplete or -1 values count as nothing stored and give the defaults; positions far off the screen
    // are clamped to it.
    void storedValuesAndWhatTheyLoadAs() {
        for (const LoadCase& c : kLoads) {
            ClearStore();
            for (const auto& [name, value] : c.stored) StoreInt(c.child ? "ChildFrame" : "Frame", name, value);
            CCreateParams cs;
            int flag = 5;
            if (c.child)
                flag = LoadChildFramePlacement(cs, kChild.width(), kChild.height());
            else
                LoadFramePlacement(cs, kFrame.width(), kFrame.height(), &flag);
            QVERIFY2(QSize(cs.cx, cs.cy) == c.size, c.what);
            QVERIFY2(cs.HasPos() == c.pos.has_value(), c.what);
            if (c.pos) QVERIFY2(QPoint(cs.x, cs.y) == *c.pos, c.what);
            QVERIFY2(flag == c.flag, c.what);
        }
        QCOMPARE(LoadSplitterPos(197), 197);
        // A zero default leaves the size to the window.
        CCreateParams none;
        LoadFramePlacement(none, 0, 0, nullptr);
        QVERIFY(!none.HasSize());
    }
    void frameRoundTripIsRelativeToTheWorkArea() {
        CFixedWindow w;
        w.wp.rcNormalPosition = QRect(100, 50, 640, 400);  // work-area coordinates
        SaveFramePlacement(&w, 1);
        for (const auto& [name, value] :
             {std::pair{"Top", 50}, {"Left", 100}, {"Bottom", 450}, {"Right", 740}, {"AlwaysOnTop", 1}})
            QCOMPARE(ProfileGetInt("Frame", name, 0), value);
        CCreateParams cs;
        int onTop = 0;
        LoadFramePlacement(cs, 702, 416, &onTop);
        QCOMPARE(QRect(cs.x, cs.y, cs.cx, cs.cy), QRect(100, 80, 640, 400));  // 30 below the panel
        QCOMPARE(onTop, 1);
        SaveFramePlacement(nullptr, 0);  // nothing happens
        QCOMPARE(ProfileGetInt("Frame", "AlwaysOnTop", 0), 1);
    }
    void childStatesAndTheirResults() {
        CFixedWindow w;
        w.wp.rcNormalPosition = QRect(10, 20, 300, 200);
        w.wp.showCmd = SW_SHOWMINIMIZED;
        SaveChildFramePlacement(&w);
        QCOMPARE(ProfileGetInt("ChildFrame", "State", 0), 2);
        CCreateParams cs;
        QCOMPARE(LoadChildFramePlacement(cs, 599, 356), 0);  // minimized opens with the default state
        // The document area's coordinates are kept as they are: no shift by the work area.
        QCOMPARE(QRect(cs.x, cs.y, cs.cx, cs.cy), QRect(10, 20, 300, 200));
        w.wp.showCmd = SW_SHOWMAXIMIZED;
        SaveChildFramePlacement(&w);
        QCOMPARE(LoadChildFramePlacement(cs, 599, 356), int(SW_SHOWMAXIMIZED));
        w.wp.showCmd = SW_SHOWNORMAL;
        SaveChildFramePlacement(&w);
        QCOMPARE(LoadChildFramePlacement(cs, 599, 356), 0);
        // Saved and loaded again, the window does not creep.
        for (int i = 0; i < 3; ++i) {
            LoadChildFramePlacement(cs, 599, 356);
            w.wp.rcNormalPosition = QRect(cs.x, cs.y, cs.cx, cs.cy);
            SaveChildFramePlacement(&w);
        }
        QCOMPARE(QPoint(cs.x, cs.y), QPoint(10, 20));
    }
    void splitterPosition() {
        CFixedSplit split;
        split.left = 240;
        SaveSplitterPos(nullptr, &split);
        QCOMPARE(LoadSplitterPos(100), 100);
        int frame = 0;
        SaveSplitterPos(&frame, nullptr);
        QCOMPARE(LoadSplitterPos(100), 100);
        SaveSplitterPos(&frame, &split);
        QCOMPARE(LoadSplitterPos(100), 240);
    }
};

// The same rules as the program's windows live them.
class FramePlacementTest : public QObject, AppFixture {
    Q_OBJECT
    void Restart() {
        QVERIFY(Main()->close());
        Quit();
        Start();
    }
    void CloseAndOpenAnother() {
        Active()->close();
        ProcessDeferredDeletes();
        Main()->OnCommand(ID_FILE_NEW);
    }

private slots:
    void init() { BeginCase(); }
    void cleanup() { EndCase(); }
    // Closed where it was, it comes back there; closed maximized, it comes back restored.
    void mainFrameComesBackWhereItWas() {
        Start();
        Main()->move(60, 40);
        Main()->resize(720, 480);
        Restart();
        QCOMPARE(Main()->pos(), QPoint(60, 40));
        QCOMPARE(Main()->size(), QSize(720, 480));
        Main()->move(30, 20);
        Main()->resize(650, 420);
        Main()->showMaximized();
        QTRY_VERIFY(Main()->isMaximized());
        Restart();
        QVERIFY(!Main()->isMaximized());
        QCOMPARE(Main()->size(), QSize(650, 420));
        QCOMPARE(Main()->pos(), QPoint(30, 20));
    }
    // A document window closed restored, then maximized, then minimized: the next one opens restored,
    // maximized, and restored.
    void documentWindowsOpenAsTheLastWasClosed() {
        Start();
        CChildFrame* child = Active();
        child->showNormal();
        child->setGeometry(12, 14, 420, 260);
        QCOMPARE(StoredInt("ChildFrame", "State").value_or(0), 1);
        QCOMPARE(StoredInt("ChildFrame", "Left").value_or(0), 12);
        QCOMPARE(StoredInt("ChildFrame", "Right").value_or(0), 432);
        child->m_wndSplitter->setSizes({150, 250});
        child->close();
        ProcessDeferredDeletes();
        QCOMPARE(StoredInt("ChildFrame", "Split").value_or(0), 150);
        Main()->OnCommand(ID_FILE_NEW);
        child = Active();
        QVERIFY(!child->isMaximized());
        QCOMPARE(child->geometry(), QRect(12, 14, 420, 260));
        QCOMPARE(child->GetColumnWidth(0), 150);
        child->setGeometry(5, 6, 400, 250);
        child->showMaximized();
        QCOMPARE(StoredInt("ChildFrame", "State").value_or(0), 3);
        // The restored rectangle is what is stored, not the maximized one.
        QCOMPARE(StoredInt("ChildFrame", "Right").value_or(0), 405);
        QCOMPARE(StoredInt("ChildFrame", "Bottom").value_or(0), 256);
        CloseAndOpenAnother();
        child = Active();
        QVERIFY(child->isMaximized());
        QCOMPARE(child->GetWindowPlacement().rcNormalPosition, QRect(5, 6, 400, 250));
        child->showNormal();
        child->setGeometry(8, 9, 380, 240);
        child->showMinimized();
        QCOMPARE(StoredInt("ChildFrame", "State").value_or(0), 2);
        CloseAndOpenAnother();
        QVERIFY(!Active()->isMinimized());
        QVERIFY(!Active()->isMaximized());
        QCOMPARE(Active()->geometry(), QRect(8, 9, 380, 240));
    }
};

int main(int argc, char** argv) { return RunTests<PlacementTest, FramePlacementTest>(argc, argv); }
#include "PlacementTest.moc"
