#include "DocHolder.h"

#include <QFileInfo>
#include <QThread>
#include <QUndoCommand>

#include <array>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "ChildFrame.h"
#include "LeftView.h"
#include "qtstore/FileNames.h"
#include "gui/calc/CalcRun.h"
#include "gui/calc/AppState.h"
#include "gui/calc/GorvantaView.h"
#include "gui/calc/FiltersDlg.h"
#include "gui/calc/PlanWnd.h"
#include "core/document/DocFile.h"
#include "core/model/Archive.h"
#include "gui/import/ImportDlg.h"
#include "qtstore/QtText.h"
#include "core/model/MessageBox.h"
#include "gui/resources/Resource.h"
#include "gui/resources/StringTable.h"

namespace {
constexpr const char* CHANGED_ON_DISK_QUESTION =
    "%1 has been changed on disk since it was opened or last saved.\nDo you want to overwrite it with this document?";
// By what the damaged blocks held: marks, the plan, or both.
constexpr const char* REPLACE_DAMAGED_MARKS_QUESTION =
    "The exclude and pin marks stored in %1 could not be read. Saving replaces them with the marks the "
    "document has now.\nDo you want to save it?";
constexpr const char* REPLACE_DAMAGED_PLAN_QUESTION =
    "The plan stored in %1 could not be read. Saving replaces it with the plan the document has now.\n"
    "Do you want to save it?";
constexpr const char* REPLACE_DAMAGED_BOTH_QUESTION =
    "The exclude and pin marks and the plan stored in %1 could not be read. Saving replaces them with the "
    "marks and the plan the document has now.\nDo you want to save it?";
// How long a save waits for a command-line tool that holds the document's lock.
constexpr int LOCK_TRIES = 50;
constexpr int LOCK_PAUSE_MS = 100;

// Both names reach the same file (or would, once it exists).
bool SameFile(const QString& a, const QString& b) {
    const QString ca = CanonicalFileName(a), cb = CanonicalFileName(b);
    if (!ca.isEmpty() || !cb.isEmpty()) return ca == cb;
    return AbsoluteFileName(a) == AbsoluteFileName(b);
}

}  // namespace

using CRecord = std::shared_ptr<const std::string>;

// The document as its writer writes it, cut into records: each pool list's pieces, the suits, the names,
// and what follows them (the marks and the blocks kept). Records equal to the last state's are shared with
// it, so a state costs little beyond what changed.
struct CDocRecords {
    static constexpr size_t SECTIONS = SLOT_COUNT + 2;  // the pool lists, the suits, the names
    std::array<std::vector<CRecord>, SECTIONS> sections;
    std::string tail;
    // The plan goes beside the records: a state must hold it whether or not the writer writes it.
    CPlan plan;

    static CDocRecords Of(CGorvantaDoc& doc) {
        CDocRecords r;
        size_t length = 4 * (1 + SLOT_COUNT + 2);
        auto record = [&length](auto&& write) {
            auto bytes = std::make_shared<std::string>();
            CArchive ar(*bytes);
            write(ar);
            length += bytes->size();
            return CRecord(std::move(bytes));
        };
        for (int k = 0; k < SLOT_COUNT; ++k)
            for (CArmorPiece* p : doc.m_arrPool[size_t(k)])
                r.sections[size_t(k)].push_back(record([p](CArchive& ar) {
                    CArmorPiece empty;
                    (p ? p : &empty)->Serialize(ar);
                }));
        for (CArmorSuit* suit : doc.m_arrSuits)
            r.sections[SLOT_COUNT].push_back(record([suit](CArchive& ar) {
                CArmorSuit empty;
                (suit ? suit : &empty)->Serialize(ar);
            }));
        for (const std::string& name : doc.m_arrCharacters)
            r.sections[SLOT_COUNT + 1].push_back(record([&name](CArchive& ar) { ar.WriteString(name); }));
        // What follows the records comes from the writer itself, whatever it writes there.
        std::string whole;
        CArchive ar(whole);
        doc.Serialize(ar);
        r.tail = whole.substr(std::min(length, whole.size()));
        r.plan = doc.m_plan;
        return r;
    }
    // The bytes the document's writer wrote.
    std::string Join() const {
        std::string out;
        CArchive ar(out);
        ar.WriteInt32(DOC_MAGIC);
        for (size_t k = 0; k < SECTIONS; ++k) ar.WriteInt32(int32_t(sections[k].size()));
        for (const auto& section : sections)
            for (const CRecord& rec : section) out += *rec;
        out += tail;
        return out;
    }
    size_t Bytes() const {
        size_t n = tail.size();
        for (const auto& section : sections)
            for (const CRecord& rec : section) n += rec->size() + sizeof(CRecord);
        return n;
    }
};

namespace {
// One section's change: at `at`, the records `removed` gave way to `added`.
struct CSplice {
    size_t section = 0, at = 0;
    std::vector<CRecord> removed, added;
};
struct CRecordsDiff {
    std::vector<CSplice> splices;
    bool tailChanged = false;
    std::string tailBefore, tailAfter;
    // The plan before and after, only in a step that changed it: most steps do not.
    std::unique_ptr<const std::pair<CPlan, CPlan>> plans;

    bool Empty() const { return splices.empty() && !tailChanged && !plans; }
    size_t Bytes() const {
        size_t n = sizeof(*this) + tailBefore.size() + tailAfter.size();
        for (const CSplice& s : splices) {
            n += sizeof(CSplice);
            for (const auto* list : {&s.removed, &s.added})
                for (const CRecord& rec : *list) n += rec->size() + sizeof(CRecord);
        }
        if (plans) {
            n += sizeof(*plans);
            for (const CPlan* plan : {&plans->first, &plans->second})
                for (const CPlanTarget& t : plan->m_arrTargets) n += sizeof(t) + t.m_strName.size();
        }
        return n;
    }
};

bool Same(const CRecord& a, const CRecord& b) { return a == b || *a == *b; }

// What changed from `before` to `now`, section by section: the records between the longest common start
// and end. The common records of `now` become those of `before`, so the two share them.
CRecordsDiff Diff(const CDocRecords& before, CDocRecords& now) {
    CRecordsDiff diff;
    for (size_t k = 0; k < CDocRecords::SECTIONS; ++k) {
        const std::vector<CRecord>& a = before.sections[k];
        std::vector<CRecord>& b = now.sections[k];
        size_t head = 0;
        while (head < a.size() && head < b.size() && Same(a[head], b[head])) b[head] = a[head], ++head;
        size_t end = 0;
        while (end < a.size() - head && end < b.size() - head && Same(a[a.size() - 1 - end], b[b.size() - 1 - end]))
            b[b.size() - 1 - end] = a[a.size() - 1 - end], ++end;
        if (head == a.size() && head == b.size()) continue;
        CSplice s;
        s.section = k;
        s.at = head;
        s.removed.assign(a.begin() + ptrdiff_t(head), a.end() - ptrdiff_t(end));
        s.added.assign(b.begin() + ptrdiff_t(head), b.end() - ptrdiff_t(end));
        diff.splices.push_back(std::move(s));
    }
    if (before.tail != now.tail) {
        diff.tailChanged = true;
        diff.tailBefore = before.tail;
        diff.tailAfter = now.tail;
    }
    if (before.plan != now.plan) diff.plans = std::make_unique<const std::pair<CPlan, CPlan>>(before.plan, now.plan);
    return diff;
}

void Apply(CDocRecords& state, const CRecordsDiff& diff, bool forward) {
    for (const CSplice& s : diff.splices) {
        std::vector<CRecord>& list = state.sections[s.section];
        const std::vector<CRecord>& out = forward ? s.removed : s.added;
        const std::vector<CRecord>& in = forward ? s.added : s.removed;
        const auto at = list.begin() + ptrdiff_t(s.at);
        list.insert(list.erase(at, at + ptrdiff_t(out.size())), in.begin(), in.end());
    }
    if (diff.tailChanged) state.tail = forward ? diff.tailAfter : diff.tailBefore;
    if (diff.plans) state.plan = forward ? diff.plans->second : diff.plans->first;
}
}  // namespace

// One change of the document: the records it took out and put in.
class CDocEditCommand : public QUndoCommand {
public:
    CDocEditCommand(CDocHolder& holder, CRecordsDiff diff)
        : m_holder(holder), m_diff(std::move(diff)), m_nBytes(m_diff.Bytes()) {
        m_holder.m_nHistoryBytes += m_nBytes;
    }
    ~CDocEditCommand() override { Drop(); }
    void undo() override { Step(false); }
    void redo() override {
        // Pushed after the change has been made.
        if (m_bDone) Step(true);
        m_bDone = true;
    }
    // Gives up what the step holds; it is never undone again.
    void Drop() {
        m_holder.m_nHistoryBytes -= m_nBytes;
        m_nBytes = 0;
        m_diff = {};
    }

private:
    void Step(bool forward) {
        Apply(*m_holder.m_pState, m_diff, forward);
        m_holder.Restore(m_holder.m_pState->Join(), m_holder.m_pState->plan);
    }

    CDocHolder& m_holder;
    CRecordsDiff m_diff;
    size_t m_nBytes;
    bool m_bDone = false;
};

CFileStamp CFileStamp::Of(const QString& path) {
    CFileStamp stamp;
    struct stat st {};
    if (path.isEmpty() || ::stat(FileNameBytes(path).constData(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = uint64_t(st.st_dev);
    stamp.inode = uint64_t(st.st_ino);
    stamp.size = int64_t(st.st_size);
    stamp.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

CDocHolder::CDocHolder(IDocHost& host, std::unique_ptr<CGorvantaDoc> doc)
    : m_host(host), m_pDoc(std::move(doc)), m_bWasModified(m_pDoc->IsModified()) {
    // Listens like a view: every change the document announces may change titles and command states.
    m_pDoc->AddView(this);
    m_pState = std::make_unique<CDocRecords>(CDocRecords::Of(*m_pDoc));
}

CDocHolder::~CDocHolder() {
    delete m_pPlanWnd.data();
    m_pDoc->RemoveView(this);
    // Windows still open (the application is going away): they must not reach back here.
    for (CChildFrame* frame : std::vector<CChildFrame*>(m_arrFrames)) frame->DetachFromDocument();
}

void CDocHolder::OnUpdate(IDocView*, int hint) {
    if (hint == HINT_REFRESH && !m_bRestoring) RecordChange();
    CheckModified();
    emit documentChanged();
}

void CDocHolder::RecordChange() {
    CDocRecords now = CDocRecords::Of(*m_pDoc);
    CRecordsDiff diff = Diff(*m_pState, now);
    if (diff.Empty()) return;
    *m_pState = std::move(now);
    m_undo.push(new CDocEditCommand(*this, std::move(diff)));
    TrimHistory();
}

void CDocHolder::TrimHistory() {
    // The newest step always stays, however large.
    while (m_nHistoryBytes > m_nUndoLimit && m_nFirstKept < m_undo.index() - 1) {
        auto* oldest = static_cast<CDocEditCommand*>(const_cast<QUndoCommand*>(m_undo.command(m_nFirstKept)));
        oldest->Drop();
        ++m_nFirstKept;
    }
}

void CDocHolder::SetUndoMemoryLimit(size_t bytes) {
    m_nUndoLimit = bytes;
    TrimHistory();
}

size_t CDocHolder::UndoBytes() const { return m_nHistoryBytes + (m_pState ? m_pState->Bytes() : 0); }

void CDocHolder::Restore(const std::string& bytes, const CPlan& plan) {
    CGorvantaDoc& doc = *m_pDoc;
    // The old pieces live until every view has heard of the change: a listed result that points at one
    // must find it gone from the pool, not a new piece at the same address.
    std::array<PoolList, SLOT_COUNT> oldPool;
    oldPool.swap(doc.m_arrPool);
    std::vector<CArmorSuit*> oldSuits;
    oldSuits.swap(doc.m_arrSuits);
    doc.m_arrCharacters.clear();
    CArchive ar{std::string_view(bytes)};
    // Kept blocks were reported when the file was opened; reading them back is no news.
    CScriptedMessageBox quiet;
    CMessageBoxScope scope(&quiet);
    try {
        doc.Serialize(ar);
    } catch (const CArchiveException&) {
        // Bytes of the document's own writer always read back.
    }
    doc.m_plan = plan;
    m_bRestoring = true;
    doc.UpdateAllViews(nullptr, HINT_REFRESH);
    m_bRestoring = false;
    for (PoolList& list : oldPool)
        for (CArmorPiece* p : list) delete p;
    for (CArmorSuit* suit : oldSuits) {
        if (!suit) continue;
        for (CArmorPiece* p : suit->m_arrPieces) delete p;
        delete suit;
    }
}

void CDocHolder::MarkUnsaved() {
    m_pDoc->SetModifiedFlag(true);
    m_undo.resetClean();
    CheckModified();
}

bool CDocHolder::CanUndo() const { return m_undo.index() > m_nFirstKept && !IsCalcInProgress(); }
bool CDocHolder::CanRedo() const { return m_undo.canRedo() && !IsCalcInProgress(); }

void CDocHolder::Undo() {
    if (!CanUndo()) return;
    m_undo.undo();
    m_pDoc->SetModifiedFlag(!m_undo.isClean());
    CheckModified();
}

void CDocHolder::Redo() {
    if (!CanRedo()) return;
    m_undo.redo();
    m_pDoc->SetModifiedFlag(!m_undo.isClean());
    CheckModified();
}

void CDocHolder::CheckModified() {
    if (m_pDoc->IsModified() == m_bWasModified) return;
    m_bWasModified = m_pDoc->IsModified();
    emit modifiedChanged(m_bWasModified);
}

void CDocHolder::SetPathName(const QString& path, bool addToMru) {
    m_strPathName = AbsoluteFileName(path);
    SetTitle(FileNameForDisplay(BaseFileName(m_strPathName)));
    if (addToMru) m_host.AddToRecentFileList(m_strPathName);
}

bool CDocHolder::ChangedOnDisk() const {
    // A file that has gone is not overwritten by the save that brings it back.
    if (!m_fileStamp.exists || m_strPathName.isEmpty()) return false;
    const CFileStamp now = CFileStamp::Of(m_strPathName);
    return now.exists && now != m_fileStamp;
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
    if (IsReadOnlyFile(FileNameBytes(m_strPathName).toStdString())) return DoSave(QString());
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
    if (replace) {
        // A new name: the file just written is the one later saves compare against.
        const bool renamed = m_strPathName.isEmpty() || !SameFile(path, m_strPathName);
        SetPathName(path);
        if (renamed) m_fileStamp = CFileStamp::Of(m_strPathName);
    }
    return true;
}

bool CDocHolder::OnSaveDocument(const QString& path) {
    const bool ownFile = !m_strPathName.isEmpty() && SameFile(path, m_strPathName);
    const std::string file = FileNameBytes(path).toStdString();
    std::string error;
    // Held for the time of the save, as the command-line tool holds it: a change it is making is either
    // on disk before we look, or waits until we are done.
    CDocFileLock lock;
    auto takeLock = [&] {
        for (int i = 0; i < LOCK_TRIES; ++i) {
            if (lock.Lock(file, &error, false)) return true;
            QThread::msleep(LOCK_PAUSE_MS);
        }
        return false;
    };
    auto failed = [&error] {
        std::string text = MSG_FAILED_TO_SAVE;
        if (!error.empty()) text += "\n" + error;
        ShowMessage(text, MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    };
    if (!takeLock()) return failed();
    if (ownFile && ChangedOnDisk()) {
        // Nobody waits on our lock while the user reads the question.
        lock.Unlock();
        QString question = QString::fromLatin1(CHANGED_ON_DISK_QUESTION);
        question.replace(QStringLiteral("%1"), m_strTitle);
        if (ShowMessage(FromQt(question), MsgButtons::YesNoDefaultNo, MsgIcon::Warning) != IDYES) return false;
        if (!takeLock()) return failed();
    }
    if (m_pDoc->HasDamagedBlock()) {
        const bool marks = m_pDoc->HasDamagedMarksBlock(), plan = m_pDoc->HasDamagedPlanBlock();
        QString question = QString::fromLatin1(marks && plan ? REPLACE_DAMAGED_BOTH_QUESTION
                                               : plan        ? REPLACE_DAMAGED_PLAN_QUESTION
                                                             : REPLACE_DAMAGED_MARKS_QUESTION);
        question.replace(QStringLiteral("%1"), m_strTitle);
        if (ShowMessage(FromQt(question), MsgButtons::YesNoDefaultNo, MsgIcon::Warning) != IDYES) return false;
        m_pDoc->DropDamagedBlocks();
    }
    if (!SaveDocumentFile(*m_pDoc, file, &error)) return failed();
    // Taken after the save: it is what a later save compares against.
    if (ownFile) m_fileStamp = CFileStamp::Of(m_strPathName);
    // What was saved is the state that undo and redo call unmodified; a change nobody announced is a step.
    RecordChange();
    m_undo.setClean();
    CheckModified();
    UpdateFrameCounts();
    return true;
}

void CDocHolder::OnCloseDocument() {
    if (m_bClosing) return;
    m_bClosing = true;
    // Only this document's own run stops, and its worker has returned before the pool goes, also when
    // the run was already told to stop. The document's close step then finds no run left to stop, so it
    // does not lower the flag of another document's run.
    for (CChildFrame* frame : std::vector<CChildFrame*>(m_arrFrames))
        if (CGorvantaView* view = frame->GetResultsView()) view->StopAndWaitForRun();
    // The plan window's run reads the pool as well; the window goes with the document.
    delete m_pPlanWnd.data();
    // No tree may read a piece once the contents are freed, not even while its window closes.
    for (CChildFrame* frame : m_arrFrames)
        if (CLeftView* tree = frame->GetLeftView()) tree->Detach();
    m_pDoc->OnCloseDocument();
    for (CChildFrame* frame : std::vector<CChildFrame*>(m_arrFrames)) frame->DestroyFrame();
    m_arrFrames.clear();
    m_host.RemoveDocument(this);  // deletes this object
}

CPlanWnd* CDocHolder::OpenPlanWindow() {
    if (!m_pPlanWnd) {
        m_pPlanWnd = new CPlanWnd(*m_pDoc, m_host.DialogParent());
        m_pPlanWnd->SetDocumentTitle(m_strTitle);
        m_pPlanWnd->SetUndoRedo([this] { Undo(); }, [this] { Redo(); });
        connect(this, &CDocHolder::titleChanged, m_pPlanWnd.data(), [this] {
            if (m_pPlanWnd) m_pPlanWnd->SetDocumentTitle(m_strTitle);
        });
    }
    m_pPlanWnd->show();
    m_pPlanWnd->raise();
    m_pPlanWnd->activateWindow();
    return m_pPlanWnd.data();
}

void CDocHolder::StartCalc(CGorvantaView* view) {
    // Also refused while a stopped run's summary is still open: its worker has not yet returned.
    if (IsCalcInProgress()) return;
    if (!view && !m_arrFrames.empty()) view = m_arrFrames.front()->GetResultsView();
    if (view) view->StartCalc();
    // The other views hear the command as coming from that view: the trees grey their editing commands,
    // the other results lists start nothing.
    m_pDoc->UpdateAllViews(view, HINT_START_CALC);
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
            // One run in the whole program at a time. A window sends the command to its own results view
            // (CChildFrame); from here it goes to the first window's.
            if (pUI)
                pUI->Enable(!IsCalcInProgress());
            else
                StartCalc(nullptr);
            return true;
        case ID_EDIT_UNDO:
        case ID_EDIT_REDO:
            if (pUI)
                pUI->Enable(id == ID_EDIT_UNDO ? CanUndo() : CanRedo());
            else if (id == ID_EDIT_UNDO)
                Undo();
            else
                Redo();
            return true;
        case ID_CALC_FILTERS:
            // Always shown enabled; during a run the command itself does nothing.
            if (!pUI && DoFiltersCommand(m_pDoc.get(), m_host.DialogParent())) m_host.FiltersChanged(this);
            return true;
        case ID_CALC_PLAN:
            if (!pUI) OpenPlanWindow();
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
