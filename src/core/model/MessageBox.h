#pragma once
// Every message and question the program shows goes through this one interface, so the window program
// can show it in a box, the command-line tool can print it and tests can read and answer it.
#include <deque>
#include <string>
#include <vector>

// YesNoDefaultNo: a question whose Yes loses something, so Enter answers No.
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class MsgIcon { None, Stop, Question, Warning, Exclamation, Information };
enum MsgResult { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual int Show(const std::string& text, MsgButtons buttons, MsgIcon icon) = 0;
};

// The process-wide message box. Without SetMessageBox, questions are declined (Cancel or No) and
// messages are dropped.
IMessageBox& TheMessageBox();
void SetMessageBox(IMessageBox* box);
inline int ShowMessage(const std::string& text, MsgButtons buttons = MsgButtons::OK, MsgIcon icon = MsgIcon::None) {
    return TheMessageBox().Show(text, buttons, icon);
}

// Records every message and answers from a queue (the safe answer when the queue is empty).
class CScriptedMessageBox : public IMessageBox {
public:
    struct Shown {
        std::string text;
        MsgButtons buttons;
        MsgIcon icon;
    };
    int Show(const std::string& text, MsgButtons buttons, MsgIcon icon) override;
    std::deque<int> answers;
    std::vector<Shown> shown;
};

// Installs a box for the lifetime of the object and restores the previous one.
class CMessageBoxScope {
public:
    explicit CMessageBoxScope(IMessageBox* box);
    ~CMessageBoxScope();
    CMessageBoxScope(const CMessageBoxScope&) = delete;
    CMessageBoxScope& operator=(const CMessageBoxScope&) = delete;

private:
    IMessageBox* m_pPrevious;
};
