// A collector's pool of ten thousand pieces: opened from its file and shown in the tree.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "core/document/DocFile.h"
#include "support/Pools.h"
#include "gui/ui/LeftView.h"

class LargePoolTreeTest : public QObject {
    Q_OBJECT
private slots:
    void tenThousandPiecesOpenAndShow() {
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/pool.gva").toStdString();
        {
            CGorvantaDoc doc;
            for (int i = 0; i < 10000; ++i)
                AddPoolPiece(doc, "piece " + std::to_string(i) + " physical resist " + std::to_string(i % 17) + "%",
                             1 << (i % 12), i % 17);
            QVERIFY(SaveDocumentFile(doc, path));
        }
        CGorvantaDoc doc;
        QElapsedTimer timer;
        timer.start();
        CLoadOutcome outcome = LoadDocumentFile(doc, path);
        const qint64 openMs = timer.elapsed();
        QCOMPARE(int(outcome.status), int(LoadStatus::Ok));
        QCOMPARE(doc.GetPoolCount(), 10000);
        CLeftView tree(doc);
        doc.AddView(&tree);
        timer.restart();
        tree.RebuildTree();
        const qint64 rebuildMs = timer.elapsed();
        int shown = 0;
        for (int i = 0; i < tree.topLevelItemCount(); ++i) shown += tree.CountPieceItems(tree.topLevelItem(i));
        QCOMPARE(shown, 10000);
        qInfo("10000 pieces: file %lld bytes, open %lld ms, tree rebuild %lld ms",
              (long long)QFileInfo(QString::fromStdString(path)).size(), (long long)openMs, (long long)rebuildMs);
        doc.RemoveView(&tree);
        tree.Detach();
    }
};

QTEST_MAIN(LargePoolTreeTest)
#include "LargePoolTreeTest.moc"
