#pragma once
// Command routing: a menu, toolbar or accelerator command goes to the active view, its document,
// the document window, the main frame and the application object, in that order, until one of
// them handles it. The same route decides whether the command is enabled and checked; a command
// that no one handles is shown disabled.

class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}
    void Enable(bool on = true) { m_bEnabled = on; }
    void SetCheck(bool on = true) {
        m_bCheckable = true;
        m_bChecked = on;
    }

    int m_nID;
    bool m_bEnabled = true;
    bool m_bCheckable = false;
    bool m_bChecked = false;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // With pUI null: runs the command. Otherwise: fills in its state. Returns false when this target
    // has no handler for the id.
    virtual bool OnCmdMsg(int id, CCmdUI* pUI) {
        (void)id;
        (void)pUI;
        return false;
    }
};
