// The window program as RecoveryTest starts it: RunWindowProgram itself, with a first word that says what
// to do once it runs, and reports on standard output, a line each:
//   edit     ...: a piece pasted into the first document; "written" once its recovery copy is on disk;
//                 then it runs until killed.
//   edit-exit ...: the same, then a normal end without saving.
//   restore  ...: answers the recovery question Yes, saves each restored document that has a file, ends
//                 normally without saving the others.
//   decline  ...: answers it No.
//   probe    ...: answers any question No.
// Every run reports "question: TEXT" (line breaks as "|") for a question, and "doc: PATH|TITLE|MODIFIED|
// PIECES" for each open document once started. With GORVANTA_SHOTS set, the question's picture is kept.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/GuiTest.h"
#include "core/document/Assignment.h"
#include "gui/ui/DocHolder.h"
#include "gui/ui/GorvantaApp.h"
#include "gui/ui/Program.h"
#include "gui/ui/Recovery.h"
#include "qtstore/FileNames.h"
#include "qtstore/QtText.h"

namespace {
void Say(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Report(CGorvantaApp& app) {
    for (const auto& doc : app.Documents())
        Say(QStringLiteral("doc: %1|%2|%3|%4")
                .arg(doc->GetPathName(), doc->GetTitle())
                .arg(doc->IsModified() ? 1 : 0)
                .arg(doc->Doc().GetPoolCount()));
}

void Edit(CGorvantaApp& app, bool thenExit) {
    CDocHolder* doc = app.Documents().front().get();
    std::vector<std::unique_ptr<CArmorPiece>> pieces;
    pieces.push_back(std::make_unique<CArmorPiece>());
    pieces.back()->ParseText("recovered ring, fire resist 15%, luck 80");
    AddImportedPieces(doc->Doc(), std::move(pieces));
    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&app, doc, poll, thenExit] {
        if (app.Recovery()->CopyPathOf(doc).isEmpty()) return;
        poll->stop();
        Say(QStringLiteral("written"));
        if (thenExit) {
            app.CloseAllDocuments();
            QCoreApplication::quit();
        }
    });
    poll->start(20);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string mode = argv[1];
    // The rest is the program's own command line.
    std::vector<char*> args{argv[0]};
    for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
    int count = int(args.size());
    args.push_back(nullptr);

    CProgramHooks hooks;
    hooks.beforeStart = [&mode](CGorvantaApp&) {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, [&mode] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            Say(QStringLiteral("question: ") + box->text().replace(QLatin1Char('\n'), QLatin1Char('|')));
            if (box->text().startsWith(QStringLiteral("Gorvanta was not closed properly.")))
                guitest::Shot(box, QStringLiteral("recovery-question"));
            QAbstractButton* answer = box->button(mode == "restore" ? QMessageBox::Yes : QMessageBox::No);
            if (!answer) answer = box->defaultButton();
            if (answer) answer->click();
        });
        timer->start(20);
    };
    hooks.started = [&mode](CGorvantaApp& app) {
        Say(QStringLiteral("started"));
        Report(app);
        if (mode == "edit" || mode == "edit-exit") {
            Edit(app, mode == "edit-exit");
            return;
        }
        if (mode == "restore")
            for (const auto& doc : app.Documents())
                if (!doc->GetPathName().isEmpty() && doc->DoFileSave()) Say(QStringLiteral("saved: ") + doc->GetPathName());
        // A normal end, without saving what is left unsaved.
        QTimer::singleShot(0, qApp, [&app] {
            app.CloseAllDocuments();
            QCoreApplication::quit();
        });
    };
    return RunWindowProgram(count, args.data(), hooks);
}
