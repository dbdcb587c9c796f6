#pragma once
// What the window tests share: a fixture that gives every case a fresh store, message box and settings;
// one helper for modal dialogs; one for pictures; and readers of what lists and trees show.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "gui/calc/AppState.h"
#include "core/calc/Settings.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/MessageBox.h"
#include "core/model/PieceDefs.h"
#include "core/model/ProfileStore.h"
#include "qtstore/QtProfileStore.h"

namespace guitest {

// Empties the test program's own store (the INI file under its XDG_CONFIG_HOME).
inline void ClearStore() {
    QSettings settings(QStringLiteral("VarnHolt"), QStringLiteral("Gorvanta"));
    settings.clear();
    settings.sync();
}
inline void StoreInt(const char* section, const char* name, int value) {
    CQtProfileStore store;
    store.WriteInt(section, name, value);
    store.Sync();
}
inline std::optional<int32_t> StoredInt(const char* section, const char* name) {
    return CQtProfileStore().ReadInt(section, name);
}
inline std::optional<std::string> StoredString(const char* section, const char* name) {
    return CQtProfileStore().ReadString(section, name);
}
// The default name tables, so pieces get their slot types whatever the store holds.
inline void UseDefaultNameTables() {
    for (int k = 0; k < 11; ++k) TheSettings().m_pieceDefs.Table(k) = PieceDefDefaults(k);
}

enum class StoreKind {
    Memory,   // a new in-memory store
    TestIni,  // the test program's own INI file (emptied), the one the running program opens too
};

struct FixtureSetup {
    StoreKind store = StoreKind::Memory;
    bool runMustEnd = false;  // a case that leaves the run flag up fails
};

// The base of a window test object: its init() slot calls BeginCase(), its cleanup() EndCase(). Every
// case starts with default settings and name tables, the run flag down, an empty store and message box
// in place, and a temporary folder of its own.
class Fixture {
public:
    explicit Fixture(FixtureSetup setup = {}) : m_setup(setup) { UseBox(box); }

protected:
    CScriptedMessageBox box;

    // A message box of another kind for every case; it starts each case new.
    template <class Box>
    void UseBox(Box& b) {
        m_pBox = &b;
        m_resetBox = [&b] { b = Box(); };
    }

    void BeginCase() {
        m_resetBox();
        TheSettings() = CSettings();
        UseDefaultNameTables();
        TheCalcState().m_bCalcRunning.store(0);
        m_pDir = std::make_unique<QTemporaryDir>();
        if (m_setup.store == StoreKind::TestIni) ClearStore();
        m_pStore = m_setup.store == StoreKind::TestIni ? std::unique_ptr<IProfileStore>(new CQtProfileStore)
                                                       : std::make_unique<CMemoryProfileStore>();
        SetProfileStore(m_pStore.get());
        m_pScope = std::make_unique<CMessageBoxScope>(m_pBox);
    }
    void EndCase() {
        const int32_t running = TheCalcState().m_bCalcRunning.load();
        m_pScope.reset();
        SetProfileStore(nullptr);
        m_pStore.reset();
        m_pDir.reset();
        TheCalcState().m_bCalcRunning.store(0);
        if (m_setup.runMustEnd) QCOMPARE(running, 0);
    }

    IProfileStore& Store() { return *m_pStore; }
    void SyncStore() {
        if (auto* qt = dynamic_cast<CQtProfileStore*>(m_pStore.get())) qt->Sync();
    }
    // A path in the case's own folder.
    QString Path(const QString& name) const { return m_pDir->filePath(name); }

private:
    FixtureSetup m_setup;
    IMessageBox* m_pBox = nullptr;
    std::function<void()> m_resetBox;
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<IProfileStore> m_pStore;
    std::unique_ptr<CMessageBoxScope> m_pScope;
};

// Runs action(T&) on the next modal dialog of type T that comes up (polled every 10 ms), for code that
// calls exec(); gives up after timeoutMs.
template <class T = QWidget, class F>
void WhenModal(F action, int timeoutMs = 5000) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, action, waited, timeoutMs] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        *waited += 10;
        if (modal || *waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            if (modal) action(*modal);
        }
    });
    timer->start(10);
}
// While started, closes any modal dialog that opens and remembers that one did: for what must open none.
class ModalProbe {
public:
    ModalProbe() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                m_bSeen = true;
                modal->close();
            }
        });
    }
    void Start() { m_timer.start(5); }
    void Stop() { m_timer.stop(); }
    bool Seen() const { return m_bSeen; }

private:
    QTimer m_timer;
    bool m_bSeen = false;
};

// Writes the widget's picture to folder/fileName; false if it cannot be written.
inline bool SavePicture(QWidget* w, const QString& folder, const QString& fileName) {
    QDir().mkpath(folder);
    return w->grab().save(folder + QLatin1Char('/') + fileName);
}
// With GORVANTA_SHOTS naming a folder, keeps the widget's picture there as name.png.
inline void Shot(QWidget* w, const QString& name) {
    const QByteArray dir = qgetenv("GORVANTA_SHOTS");
    if (!dir.isEmpty()) SavePicture(w, QString::fromLocal8Bit(dir), name + QStringLiteral(".png"));
}
// The main of a program of several test objects: runs each in turn; non-zero when any failed.
template <class Test>
int RunTest(int argc, char** argv) {
    Test test;
    return QTest::qExec(&test, argc, argv);
}
template <class... Tests>
int RunTests(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    ((status |= RunTest<Tests>(argc, argv)), ...);
    return status;
}
// Shows a widget and waits until the window system has it on the screen.
inline void ShowAndWait(QWidget& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}
// One mouse event sent straight to the widget, free of any timing: buttons are those held after it.
inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons,
                      Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
// The events of a double-click as the window system delivers them.
inline void DoubleClick(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::NoButton);
    SendMouse(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}
// The names of the suits of a results model, row by row.
template <class Model>
std::vector<std::string> SuitNames(const Model& m) {
    std::vector<std::string> out;
    for (int r = 0; r < m.rowCount(); ++r) out.push_back(m.SuitAt(r)->m_strName);
    return out;
}
inline QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text) return parent->child(i);
    return nullptr;
}
inline QStringList ChildTexts(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; item && i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}
inline QStringList Column(const QTreeWidget* list, int column = 0) {
    QStringList out;
    for (int r = 0; r < list->topLevelItemCount(); ++r) out << list->topLevelItem(r)->text(column);
    return out;
}
inline QStringList Entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
// The shared sample paste, or an empty string where it is absent.
inline std::string SamplePaste() {
    const char* dir = std::getenv("GORVANTA_SAMPLES");
    return dir ? ReadFile(std::string(dir) + "/item-paste.txt") : std::string();
}

}  // namespace guitest

// Only the first slotCount slots take part, every suit qualifies, at most limit are listed; the views
// hear of it as after the Filters dialog. 
inline void OpenSettings(CGorvantaDoc& doc, int slotCount, int limit = 100000) {
    CSettings& s = TheSettings();
    for (int k = 0; k < SLOT_COUNT; ++k) s.UseSlot(k) = k < slotCount ? 1 : 0;
    s.m_nLowerLimit = 0;
    s.m_nSuitLimit = limit;
    doc.UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
}

