// A document and its windows without the application object: they ask through the host interfaces
// and report through signals; the main frame refreshes its commands on those signals.
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QSignalSpy>

#include "gui/calc/GorvantaView.h"
#include "gui/resources/Resource.h"
#include "support/GuiTest.h"
#include "support/Pools.h"
#include "gui/ui/ChildFrame.h"
#include "gui/ui/DocHolder.h"
#include "gui/ui/FrameHost.h"
#include "gui/ui/LeftView.h"
#include "gui/ui/MainFrame.h"

using namespace guitest;

namespace {
// Keeps one document, answers file names from a queue and notes what it is told.
class CFakeHost : public IDocHost, public IMainFrameHost {
public:
    bool DoPromptFileName(QString& fileName, bool) override {
        if (answers.isEmpty()) return false;
        fileName = answers.takeFirst();
        return true;
    }
    void AddToRecentFileList(const QString& path) override { recent << path; }
    QWidget* DialogParent() const override { return nullptr; }
    void RemoveDocument(CDocHolder* d) override {
        removed.push_back(d);
        if (doc.get() == d) doc.reset();
    }
    bool CloseAllForExit() override {
        ++closeAsks;
        return true;
    }
    std::unique_ptr<CDocHolder> doc;
    QStringList answers, recent;
    std::vector<CDocHolder*> removed;
    int closeAsks = 0;
};
}  // namespace

class FrameHostTest : public QObject, Fixture {
    Q_OBJECT
    std::unique_ptr<CFakeHost> host;
    std::unique_ptr<QMdiArea> area;
    CDocHolder& NewDoc() {
        host->doc = std::make_unique<CDocHolder>(*host, std::make_unique<CGorvantaDoc>());
        host->doc->SetTitle(QStringLiteral("Gorvan1"));
        return *host->doc;
    }
    // A window on the document, made as the application makes one, in a bare document area.
    CChildFrame* NewFrame(CDocHolder& doc) {
        auto* frame = new CChildFrame(doc);
        area->addSubWindow(frame);
        if (!frame->OnCreateClient()) return nullptr;
        doc.AddFrame(frame);
        frame->GetLeftView()->OnInitialUpdate();
        frame->ActivateFrame();
        return frame;
    }
    // A change as the commands make one: a piece more, the flag, the word to the views.
    static void Modify(CDocHolder& doc) {
        AddToPool(doc.Doc(), "gold ring, luck 40 ");
        doc.Doc().SetModifiedFlag(true);
        doc.Doc().UpdateAllViews(nullptr, HINT_REFRESH);
    }

private slots:
    void init() {
        BeginCase();
        host = std::make_unique<CFakeHost>();
        area = std::make_unique<QMdiArea>();
        area->show();
    }
    void cleanup() {
        area.reset();
        host.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EndCase();
    }
    // Title, modified mark, window numbers and the save through the host reach the windows.
    void titleAndModifiedReachTheWindows() {
        CDocHolder& doc = NewDoc();
        CChildFrame* first = NewFrame(doc);
        QVERIFY(first);
        QCOMPARE(first->windowTitle(), QStringLiteral("Gorvan1[*]"));
        QSignalSpy titles(first, &CChildFrame::titleChanged), states(first, &CChildFrame::commandStatesChanged),
            counts(first, &CChildFrame::pieceCountChanged), modified(&doc, &CDocHolder::modifiedChanged);
        Modify(doc);
        QCOMPARE(modified.count(), 1);
        QCOMPARE(modified.last().first().toBool(), true);
        QVERIFY(first->isWindowModified());
        QCOMPARE(titles.count(), 1);
        QVERIFY(states.count() >= 1);
        QVERIFY(counts.count() >= 1);
        QCOMPARE(first->OnUpdatePieceCount(), QStringLiteral("Piece count: 0/1"));
        // Another change of a document already modified says nothing new about the flag.
        Modify(doc);
        QCOMPARE(modified.count(), 1);
        // Saving asks the host for the name and gives it the file for the recent list.
        const QString file = Path(QStringLiteral("held.gva"));
        host->answers = {file};
        QVERIFY(doc.DoFileSave());
        QCOMPARE(host->recent, QStringList{QFileInfo(file).absoluteFilePath()});
        QCOMPARE(modified.last().first().toBool(), false);
        QCOMPARE(first->windowTitle(), QStringLiteral("held.gva[*]"));
        QVERIFY(!first->isWindowModified());
        CChildFrame* second = NewFrame(doc);
        QCOMPARE(first->windowTitle(), QStringLiteral("held.gva:1[*]"));
        QCOMPARE(second->windowTitle(), QStringLiteral("held.gva:2[*]"));
    }
    // Activation and the pane that commands go to first are reported; so is the maximized state. Closing:
    // one of two windows leaves quietly; the last one asks, Cancel keeps everything, and on No the
    // document goes back to the host.
    void activationAndClosingAreReported() {
        CDocHolder& doc = NewDoc();
        CChildFrame* first = NewFrame(doc);
        CChildFrame* second = NewFrame(doc);
        QSignalSpy activated(area.get(), &QMdiArea::subWindowActivated);
        first->ActivateFrame();
        QCOMPARE(area->activeSubWindow(), first);
        QCOMPARE(activated.count(), 1);
        QSignalSpy states(first, &CChildFrame::commandStatesChanged), titles(second, &CChildFrame::titleChanged);
        QVERIFY(first->OnCmdMsg(ID_NEXT_PANE, nullptr));
        QCOMPARE(first->GetActiveView(), static_cast<CCmdTarget*>(first->GetResultsView()));
        QCOMPARE(states.count(), 1);
        second->showMaximized();
        QVERIFY(titles.count() >= 1);
        doc.Doc().SetModifiedFlag(true);
        QSignalSpy firstClosed(first, &CChildFrame::closed), secondClosed(second, &CChildFrame::closed);
        QVERIFY(second->close());
        QCOMPARE(secondClosed.count(), 1);
        QVERIFY(box.shown.empty());
        QCOMPARE(first->windowTitle(), QStringLiteral("Gorvan1[*]"));
        box.answers = {IDCANCEL};
        QVERIFY(!first->close());
        QCOMPARE(firstClosed.count(), 0);
        QVERIFY(host->removed.empty());
        CDocHolder* const held = &doc;
        box.answers = {IDNO};
        QVERIFY(first->close());
        QCOMPARE(int(box.shown.size()), 2);
        QCOMPARE(box.shown[1].text, std::string("Save changes to Gorvan1?"));
        QCOMPARE(firstClosed.count(), 1);
        QCOMPARE(host->removed, std::vector<CDocHolder*>{held});
        QVERIFY(!host->doc);
    }
    // The main frame on a host of its own: commands refresh on the windows' signals, the title follows
    // the active window, closing asks the host.
    void mainFrameFollowsTheSignals() {
        CMainFrame main(*host);
        QVERIFY(main.LoadFrame(IDR_MAINFRAME));
        main.show();
        CDocHolder& doc = NewDoc();
        auto* frame = new CChildFrame(doc);
        main.AddChildFrame(frame);
        QVERIFY(frame->OnCreateClient());
        doc.AddFrame(frame);
        frame->ActivateFrame();
        QCOMPARE(main.CurrentMenuId(), IDR_DOCTYPE);
        QVERIFY(main.Action(ID_CALC_START)->isEnabled());
        // A run seen by the document: the states follow once control is back in the event loop.
        TheCalcState().m_bCalcRunning.store(1);
        doc.Doc().UpdateAllViews(nullptr, HINT_CALC_DONE);
        QTRY_VERIFY(!main.Action(ID_CALC_START)->isEnabled());
        QVERIFY(main.Action(ID_CALC_STOP)->isEnabled());
        TheCalcState().m_bCalcRunning.store(0);
        doc.Doc().UpdateAllViews(nullptr, HINT_CALC_DONE);
        QTRY_VERIFY(main.Action(ID_CALC_START)->isEnabled());
        doc.SetTitle(QStringLiteral("Other"));
        QCOMPARE(main.windowTitle(), QStringLiteral("Gorvanta - Other[*]"));
        Modify(doc);
        QVERIFY(main.isWindowModified());
        QCOMPARE(main.PieceCountPane()->text(), QStringLiteral("Piece count: 0/1"));
        QVERIFY(main.close());
        QCOMPARE(host->closeAsks, 1);
    }
};

QTEST_MAIN(FrameHostTest)
#include "FrameHostTest.moc"
