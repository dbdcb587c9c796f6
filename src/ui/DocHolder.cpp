#include "DocHolder.h"

#include <QFile>
#include <QFileInfo>

#include "ChildFrame.h"
#include "calc/CalcRun.h"
#include "calc/CalcState.h"
#include "calc/FiltersDlg.h"
#include "document/DocFile.h"
#include "import/ImportDlg.h"
#include "model/QtText.h"
#include "model/MessageBox.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

CDocHolder::CDocHolder(IDocHost& host, std::unique_ptr<CGorvantaDoc> doc)
    : m_host(host), m_pDoc(std::move(doc)), m_bWasModified(m_pDoc->IsModified()) {
    // Listens like a view: every change the document announces may change titles and command states.
    m_pDoc->AddView(this);
}

CDocHolder::~CDocHolder() {
    m_pDoc->RemoveView(this);
    // Windows still open (the application is going away): they must not reach back here.
    for (CChildFrame* frame : std::vector<CChildFrame*>(m_arrFrames)) frame->DetachFromDocument();
}

void CDocHolder::OnUpdate(IDocView*, int) {
    CheckModified();
    emit documentChanged();
}

void CDocHolder::CheckModified() {
    if (m_pDoc->IsModified() == m_bWasModified) return;
    m_bWasModified = m_pDoc->IsModified();
    emit modifiedChanged(m_bWasModified);
}

void CDocHolder::SetPathName(const QString& path, bool addToMru) {
    const QFileInfo info(path);
    m_strPathName = info.absoluteFilePath();
    SetTitle(info.fileName());
    if (addToMru) m_host.AddToRecentFileList(m_strPathName);
}

void CDocHolder::SetTitle(const QString& title) {
    m_strTitle = title;
    UpdateFrameCounts();
}

void CDocHolder::AddFrame(CChildFrame* frame) {
    if (frame && std::find(m_arrFrames.begin(), m_arrFrames.end(), frame) == m_arrFrames.end()) m_arrFrames.push_back(frame);
    UpdateFrameCounts();
}

void CDocHolder::RemoveFrame(CChildFrame* frame) {
    auto it = std::find(m_arrFrames.begin(), m_arrFrames.end(), frame);
    if (it == m_arrFrames.end()) return;
    m_arrFrames.erase(it);
    if (!m_bClosing) UpdateFrameCounts();
}

void CDocHolder::UpdateFrameCounts() {
    const bool numbered = m_arrFrames.size() > 1;
    int n = 1;
    for (CChildFrame* frame : m_arrFrames) frame->m_nWindow = numbered ? n++ : 0;
    emit titleChanged();
}

bool CDocHolder::SaveModified() {
    if (!IsModified()) return true;
    QString prompt = QString::fromLatin1(SAVE_CHANGES_PROMPT);
    prompt.replace(QStringLiteral("%1"), m_strTitle);
    switch (ShowMessage(FromQt(prompt), MsgButtons::YesNoCancel, MsgIcon::Question)) {
        case IDYES: return DoFileSave();
        case IDNO: return true;
        default: return false;
    }
}

bool CDocHolder::CanCloseFrame(CChildFrame* frame) {
    for (CChildFrame* other : m_arrFrames)
        if (other != frame) return true;  // another window still shows the document
    return SaveModified();
}

bool CDocHolder::DoFileSave() {
    // A document without a file, or one whose file has become read-only, is saved under a new name.
    if (m_strPathName.isEmpty()) return DoSave(QString());
    const QFileInfo info(m_strPathName);
    if (info.exists() && !info.isWritable()) return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocHolder::DoSave(QString path, bool replace) {
    if (path.isEmpty()) {
        QString name = m_strPathName;
        if (name.isEmpty()) {
            name = m_strTitle;
            const QString ext = QString::fromLatin1(GetDocString(DocString::FilterExt).c_str());
            if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += ext;
        }
        if (!m_host.DoPromptFileName(name, false)) return false;
        path = name;
    }
    if (!OnSaveDocument(path)) return false;
    if (replace) SetPathName(path);
    return true;
}

bool CDocHolder::OnSaveDocument(const QString& path) {
    std::string error;
    if (!SaveDocumentFile(*m_pDoc, std::string(QFile::encodeName(path).constData()), &error)) {
        std::string text = MSG_FAILED_TO_SAVE;
        if (!error.empty()) text += "\n" + error;
        ShowMessage(text, MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    CheckModified();
    UpdateFrameCounts();
    return true;
}

void CDocHolder::OnCloseDocument() {
    if (m_bClosing) return;
    m_bClosing = true;
    // The document's close step runs while its views are still there: a results view stops its run.
    m_pDoc->OnCloseDocument();
    for (CChildFrame* frame : std::vector<CChildFrame*>(m_arrFrames)) frame->DestroyFrame();
    m_arrFrames.clear();
    m_host.RemoveDocument(this);  // deletes this object
}

bool CDocHolder::OnCmdMsg(int id, CCmdUI* pUI) {
    switch (id) {
        case ID_FILE_SAVE:
            if (!pUI) DoFileSave();
            return true;
        case ID_FILE_SAVE_AS:
            if (!pUI) DoSave(QString());
            return true;
        case ID_FILE_CLOSE:
            if (!pUI && SaveModified()) OnCloseDocument();
            return true;
        case ID_EDIT_PASTE:
            // Always enabled; during a run the command itself does nothing.
            if (!pUI) DoPasteCommand(m_pDoc.get(), m_host.DialogParent());
            return true;
        case ID_CALC_START:
            // Also refused while a stopped run's summary is still open: its worker has not yet returned.
            if (pUI)
                pUI->Enable(!IsCalcInProgress());
            else if (!IsCalcInProgress())
                m_pDoc->UpdateAllViews(nullptr, HINT_START_CALC);
            return true;
        case ID_CALC_FILTERS:
            // Always shown enabled; during a run the command itself does nothing.
            if (!pUI) DoFiltersCommand(m_pDoc.get(), m_host.DialogParent());
            return true;
        case ID_CALC_STOP:
            if (pUI)
                pUI->Enable(IsCalcRunning());
            else if (IsCalcRunning())
                m_pDoc->UpdateAllViews(nullptr, HINT_STOP_CALC);
            return true;
        default: return false;
    }
}
