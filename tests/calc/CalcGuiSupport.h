#pragma once
// Pools and suits for the tests of the window program's calculation parts.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "TestPool.h"
#include "calc/CalcEngine.h"
#include "calc/CalcState.h"
#include "calc/Settings.h"
#include "model/ArmorSuit.h"
#include "model/MessageBox.h"
#include "model/ProfileStore.h"

// The store and the message box a test object puts in place for its whole run.
class CTestSurroundings {
public:
    void Install(IProfileStore& store, IMessageBox& box) {
        SetProfileStore(&store);
        m_pScope = std::make_unique<CMessageBoxScope>(&box);
    }
    void Remove() {
        m_pScope.reset();
        SetProfileStore(nullptr);
    }

private:
    std::unique_ptr<CMessageBoxScope> m_pScope;
};

// What every case starts from: default settings, no run, no message shown (or scripted).
template <class Box>
void ResetForCase(Box& box) {
    TheSettings() = CSettings();
    box.shown.clear();
    if constexpr (requires { box.answers.clear(); }) box.answers.clear();
    TheCalcState().m_bCalcRunning.store(0);
}

// A block with the given slots switched on, no minimums and a suit limit.
inline std::unique_ptr<CCalcParam> ParamFor(std::initializer_list<int> slotList, int32_t suitLimit = 100000) {
    auto p = std::make_unique<CCalcParam>();
    for (int slot : slotList) p->UseSlot(slot) = 1;
    p->m_nSuitLimit = suitLimit;
    return p;
}

// A result suit with the given sums and name.
inline std::unique_ptr<CArmorSuit> MakeSuit(const std::string& name, std::array<int32_t, 5> resists,
                                            std::array<int32_t, 8> bonus = {}) {
    auto s = std::make_unique<CArmorSuit>();
    s->m_strName = name;
    SetResists(*s, resists);
    SetBonus(*s, bonus);
    return s;
}

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

// While running, closes any modal dialog that opens and remembers that one did.
class CModalProbe {
public:
    CModalProbe() {
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

// With GORVANTA_SHOTS set to a folder, the picture of the widget is kept there under the name.
inline void SaveShot(QWidget& w, const char* name) {
    const QByteArray dir = qgetenv("GORVANTA_SHOTS");
    if (dir.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QString::fromLatin1(name) + QStringLiteral(".png"));
}
