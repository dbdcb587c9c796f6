#pragma once
// The message box of the window program: every message and question in a modal QMessageBox
// captioned with the program's name, over the active window.
#include "core/model/MessageBox.h"

class CQtMessageBox : public IMessageBox {
public:
    int Show(const std::string& text, MsgButtons buttons, MsgIcon icon) override;
};
