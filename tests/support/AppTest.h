#pragma once
// The running window program in a test: an application object whose file dialogs the test answers,
// and the fixture that starts and ends it.
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTest>

#include <memory>
#include <vector>

#include "core/document/DocFile.h"
#include "support/GuiTest.h"
#include "support/Pools.h"
#include "gui/ui/ChildFrame.h"
#include "gui/ui/DocHolder.h"
#include "gui/ui/GorvantaApp.h"
#include "gui/ui/MainFrame.h"

namespace guitest {

// Lets the windows that were closed go away.
inline void ProcessDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
// File dialogs answered from a queue: an empty entry cancels.
class CTestApp : public CGorvantaApp {
public:
    bool DoPromptFileName(QString& fileName, bool open) override {
        prompts.push_back({fileName, open});
        if (answers.empty()) return false;
        const QString answer = answers.front();
        answers.erase(answers.begin());
        if (answer.isEmpty()) return false;
        fileName = answer;
        return true;
    }
    struct Prompt {
        QString proposed;
        bool open;
    };
    std::vector<QString> answers;
    std::vector<Prompt> prompts;
};

// Writes a document with the pool and the two suits to path.
inline bool WriteSampleFile(const QString& path) {
    CGorvantaDoc doc;
    AddPool(doc);
    AddTwoSuits(doc);
    return SaveDocumentFile(doc, path.toStdString());
}
// A fixture for tests of the running program, on the test program's own store. The program ends with
// each case.
class AppFixture : public Fixture {
public:
    explicit AppFixture(FixtureSetup setup = {StoreKind::TestIni}) : Fixture(setup) {}

protected:
    std::unique_ptr<CTestApp> app;

    // Starts the program with these command-line arguments.
    void Start(const QStringList& args = {}) {
        app = std::make_unique<CTestApp>();
        QVERIFY(app->InitInstance(args));
    }
    // A case that starts the program and brings its main window to the front, where keys reach it.
    void BeginShown() {
        BeginCase();
        Start();
        Main()->show();
        Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Main()));
    }
    void Quit() {
        app.reset();
        ProcessDeferredDeletes();
    }
    void EndCase() {
        Quit();
        Fixture::EndCase();
    }

    CMainFrame* Main() { return app->MainFrame(); }
    // Whether the command would be enabled, as its menu entry or button shows it.
    bool Enabled(int id) {
        CCmdUI ui(id);
        return Main()->RouteCmdMsg(id, &ui) && ui.m_bEnabled;
    }
    CChildFrame* Active() { return Main()->MDIGetActive(); }
    CGorvantaDoc& Doc() { return Active()->GetDocument()->Doc(); }
};

}  // namespace guitest
