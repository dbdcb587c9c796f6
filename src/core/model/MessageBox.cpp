#include "MessageBox.h"

namespace {
int SafeAnswer(MsgButtons b) {
    switch (b) {
        case MsgButtons::OK: return IDOK;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoDefaultNo: return IDNO;
        default: return IDCANCEL;
    }
}

class CDecliningMessageBox : public IMessageBox {
public:
    int Show(const std::string&, MsgButtons buttons, MsgIcon) override { return SafeAnswer(buttons); }
};

IMessageBox* g_pBox = nullptr;
}  // namespace

IMessageBox& TheMessageBox() {
    static CDecliningMessageBox fallback;
    return g_pBox ? *g_pBox : fallback;
}

void SetMessageBox(IMessageBox* box) { g_pBox = box; }

int CScriptedMessageBox::Show(const std::string& text, MsgButtons buttons, MsgIcon icon) {
    shown.push_back(Shown{text, buttons, icon});
    if (answers.empty()) return SafeAnswer(buttons);
    int a = answers.front();
    answers.pop_front();
    return a;
}

CMessageBoxScope::CMessageBoxScope(IMessageBox* box) : m_pPrevious(g_pBox) { g_pBox = box; }
CMessageBoxScope::~CMessageBoxScope() { g_pBox = m_pPrevious; }
