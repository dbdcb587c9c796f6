#pragma once
// An open document as the window program holds it: the document with its file name and title and
// the document windows that show it. It runs the document's part of the file protocol (save,
// save as, the question before closing a modified document, close) and the document's commands.
// It asks its host for file names and the recent-file list and tells of changes through signals.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoStack>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CmdTarget.h"
#include "FrameHost.h"
#include "core/document/GorvantaDoc.h"
#include "gui/calc/PlanWnd.h"

class CChildFrame;
struct CDocRecords;
class CGorvantaView;

// One version of a file on disk: a save by anyone (the file written anew, or replaced) changes it.
struct CFileStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const CFileStamp&) const = default;
    static CFileStamp Of(const QString& path);
};

class CDocHolder : public QObject, public CCmdTarget, private IDocView {
    Q_OBJECT
public:
    CDocHolder(IDocHost& host, std::unique_ptr<CGorvantaDoc> doc);
    ~CDocHolder() override;
    CDocHolder(const CDocHolder&) = delete;
    CDocHolder& operator=(const CDocHolder&) = delete;

    CGorvantaDoc& Doc() { return *m_pDoc; }
    const CGorvantaDoc& Doc() const { return *m_pDoc; }

    // The full path of the file; empty for a document that was never saved.
    const QString& GetPathName() const { return m_strPathName; }
    // Sets the path and makes the file's name the title; the file joins the recent-file list.
    void SetPathName(const QString& path, bool addToMru = true);
    // The file as it was when the document was read from it or last saved to it.
    void SetFileStamp(const CFileStamp& stamp) { m_fileStamp = stamp; }
    // The document's file has been written or replaced by someone else since then.
    bool ChangedOnDisk() const;
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    bool IsModified() const { return m_pDoc->IsModified(); }
    // A document that differs from its file though nothing was changed here (restored after a crash):
    // modified, and no step of the undo history is the saved state.
    void MarkUnsaved();

    const std::vector<CChildFrame*>& Frames() const { return m_arrFrames; }
    void AddFrame(CChildFrame* frame);
    void RemoveFrame(CChildFrame* frame);
    // Numbers the windows of the document (Gorvan1:1, Gorvan1:2) when there is more than one; the
    // windows refresh their titles on titleChanged.
    void UpdateFrameCounts();

    // Asks "Save changes to %1?" when the document is modified. False when the user cancels or the
    // save fails: the document must stay open.
    bool SaveModified();
    // Whether closing this window may go on: only the document's last window asks.
    bool CanCloseFrame(CChildFrame* frame);
    // Save: to the document's file, or through Save As when it has none.
    bool DoFileSave();
    // Save As when path is empty (asks for a name), else a save to path. replace: the document takes
    // the new name.
    bool DoSave(QString path, bool replace = true);
    // Writes the file. When it is the document's own file and someone else has changed it on disk, asks
    // first; No leaves the file as it is and the document modified.
    bool OnSaveDocument(const QString& path);
    // The close step: stops the document's own run and waits for its worker, frees the contents, closes
    // every window of the document and hands the document back to its host (which deletes this object).
    // A run of another document goes on.
    void OnCloseDocument();
    // Start Calculation: the run starts in this results view (null: the first window's), the other views
    // hear of it. Nothing while a run is in progress anywhere.
    void StartCalc(CGorvantaView* view);
    // Calculate > Plan Characters: the document's one plan window, made on first use and brought to the
    // front; it lives until the document closes.
    CPlanWnd* OpenPlanWindow();
    CPlanWnd* PlanWindow() const { return m_pPlanWnd.data(); }

    // Undo and redo of every change of the document's contents. Each step holds the records (pieces,
    // suits, names, as the document's writer writes them) that the change took out and put in, and going
    // back or forth reads the document in again from its records: the exact state, order of pools and
    // suits and the marks included. A change is recorded when the document tells its views of it
    // (HINT_REFRESH). Nothing is undone or redone while a run is in progress; a step discards the listed
    // results, as every change of the pool does. The history is bounded by memory (UNDO_MEMORY_LIMIT):
    // beyond it the oldest steps are dropped, the latest one always kept.
    QUndoStack& UndoStack() { return m_undo; }
    // The bytes the history holds, the current records included.
    size_t UndoBytes() const;
    static constexpr size_t UNDO_MEMORY_LIMIT = size_t(64) << 20;
    // Another bound (tests); steps beyond it go at once.
    void SetUndoMemoryLimit(size_t bytes);
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();

    bool OnCmdMsg(int id, CCmdUI* pUI) override;

signals:
    // The title or the numbering of the windows changed.
    void titleChanged();
    // The modified flag, as seen after a change of the document or a save.
    void modifiedChanged(bool modified);
    // Every change the document tells its views of (contents, run started, stopped or done).
    void documentChanged();

private:
    void OnUpdate(IDocView* sender, int hint) override;
    void CheckModified();
    friend class CDocEditCommand;
    // Records the change since the last recorded state as one step, if the bytes differ.
    void RecordChange();
    // Reads the document from bytes of its own writer, gives it the plan and tells every view.
    void Restore(const std::string& bytes, const CPlan& plan);
    // Drops the oldest steps while the history holds more than its limit.
    void TrimHistory();

    IDocHost& m_host;
    std::unique_ptr<CGorvantaDoc> m_pDoc;
    QString m_strPathName;
    QString m_strTitle;
    CFileStamp m_fileStamp;
    std::vector<CChildFrame*> m_arrFrames;
    bool m_bClosing = false;
    bool m_bWasModified = false;
    // What the steps hold; declared before the stack, whose steps count themselves out as they go.
    size_t m_nHistoryBytes = 0;
    QUndoStack m_undo;
    // Steps below this index were dropped for memory: undo stops there.
    int m_nFirstKept = 0;
    size_t m_nUndoLimit = UNDO_MEMORY_LIMIT;
    // The document's records as last recorded or restored: the state the next step starts from.
    std::unique_ptr<CDocRecords> m_pState;
    bool m_bRestoring = false;
    QPointer<CPlanWnd> m_pPlanWnd;
};
