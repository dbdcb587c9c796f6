#pragma once
// An open document as the window program holds it: the document with its file name and title and
// the document windows that show it. It runs the document's part of the file protocol (save,
// save as, the question before closing a modified document, close) and the document's commands.
// It asks its host for file names and the recent-file list and tells of changes through signals.
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

#include "CmdTarget.h"
#include "FrameHost.h"
#include "document/GorvantaDoc.h"

class CChildFrame;

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
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    bool IsModified() const { return m_pDoc->IsModified(); }

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
    bool OnSaveDocument(const QString& path);
    // The close step: stops a run, frees the contents, closes every window of the document and
    // hands the document back to its host (which deletes this object).
    void OnCloseDocument();

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

    IDocHost& m_host;
    std::unique_ptr<CGorvantaDoc> m_pDoc;
    QString m_strPathName;
    QString m_strTitle;
    std::vector<CChildFrame*> m_arrFrames;
    bool m_bClosing = false;
    bool m_bWasModified = false;
};
