#pragma once
// The names the calculation window tests used before support/GuiTest.h; kept until the last of them
// (the Filters dialog's test) is on the shared fixture.
#include <QWidget>

#include <memory>

#include "support/GuiTest.h"
#include "support/Pools.h"

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

// What every case starts from: default settings, no run, no message shown or scripted.
inline void ResetForCase(CScriptedMessageBox& box) {
    TheSettings() = CSettings();
    box.shown.clear();
    box.answers.clear();
    TheCalcState().m_bCalcRunning.store(0);
}

using CModalProbe = guitest::ModalProbe;
inline void SaveShot(QWidget& w, const char* name) { guitest::Shot(&w, QString::fromLatin1(name)); }
