#include "GorvantaApp.h"

#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QWindow>

#include "AboutDlg.h"
#include "HelpWindow.h"
#include "ChildFrame.h"
#include "DocHolder.h"
#include "Recovery.h"
#include "qtstore/FileNames.h"
#include "LeftView.h"
#include "gui/calc/GorvantaView.h"
#include "MainFrame.h"
#include "gui/calc/AppState.h"
#include "core/document/DocFile.h"
#include "gui/import/ItemNamesDlg.h"
#include "qtstore/QtText.h"
#include "core/model/MessageBox.h"
#include "qtstore/QtProfileStore.h"
#include "gui/resources/Icons.h"
#include "gui/resources/Resource.h"
#include "gui/resources/StringTable.h"

namespace {
QString DocStr(DocString field) { return QString::fromLatin1(GetDocString(field).c_str()); }

// Paths are compared as the file system does: by their canonical form when the file exists.
QString Canonical(const QString& path) {
    const QString c = CanonicalFileName(path);
    return c.isEmpty() ? AbsoluteFileName(path) : c;
}
}  // namespace

CGorvantaApp::CGorvantaApp(std::unique_ptr<IProfileStore> store)
    : m_bCalcRunning(TheCalcState().m_bCalcRunning), m_pStore(std::move(store)) {}

CGorvantaApp::~CGorvantaApp() {
    // The windows going away must not bring the hourglass back.
    QObject::disconnect(qApp, nullptr, this, nullptr);
    if (m_pMainWnd) m_pMainWnd->disconnect(this);
    if (m_bWaitCursorShown) QApplication::restoreOverrideCursor();
    m_bWaitCursorShown = false;
    CloseAllDocuments();
    m_pHelpWnd = nullptr;  // goes with the main frame
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    if (auto* qt = dynamic_cast<CQtProfileStore*>(m_pStore.get())) qt->Sync();
    SetProfileStore(nullptr);
}

bool CGorvantaApp::InitInstance(const QStringList& args) {
    // Every profile value lives under the company key and the program's name; this comes before
    // anything reads one.
    if (!m_pStore) m_pStore = std::make_unique<CQtProfileStore>();
    SetProfileStore(m_pStore.get());
    // The program works from defaults then; the player should know nothing will be kept.
    if (auto* qt = dynamic_cast<CQtProfileStore*>(m_pStore.get()); qt && !qt->Problem().empty())
        ShowMessage(qt->Problem(), MsgButtons::OK, MsgIcon::Exclamation);
    LoadRecentFileList();
    QApplication::setWindowIcon(AppIcon());

    auto* frame = new CMainFrame(*this);
    if (!frame->LoadFrame(IDR_MAINFRAME)) {
        delete frame;
        return false;
    }
    m_pMainWnd = frame;
    frame->SetRecentFiles(m_arrRecentFiles);
    connect(frame, &CMainFrame::filesDropped, this, [this](const QStringList& files) {
        for (const QString& file : files) OpenDocumentFile(file);
    });
    // A run starts and ends with events that refresh the command states (the command, the worker's
    // return); a modal window coming or going moves the focus.
    connect(frame, &CMainFrame::commandStatesUpdated, this, &CGorvantaApp::UpdateWaitCursor);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &CGorvantaApp::UpdateWaitCursor);

    // The first document comes after the main frame has loaded the settings; restored documents stand in
    // for the new empty one.
    const int restored = m_pRecovery ? OfferRecovery() : 0;
    if (args.isEmpty()) {
        if (restored == 0 && !OnFileNew()) return false;
    } else if (!OpenDocumentFile(args.first())) {
        return false;
    }
    m_pMainWnd->show();
    m_pMainWnd->UpdateCmdUI();
    return true;
}

void CGorvantaApp::EnableRecovery(const QString& folder, int delayMs) {
    m_pRecovery = std::make_unique<CRecovery>(folder, delayMs);
    for (const auto& doc : m_arrDocs) m_pRecovery->Watch(doc.get());
}

void CGorvantaApp::Track(CDocHolder* doc) {
    if (m_pRecovery) m_pRecovery->Watch(doc);
}

int CGorvantaApp::OfferRecovery() {
    const std::vector<CRecoveredCopy> copies = m_pRecovery->Leftovers();
    if (copies.empty()) return 0;
    const bool restore = ShowMessage(FromQt(CRecovery::Question(copies)), MsgButtons::YesNo, MsgIcon::Question) == IDYES;
    int restored = 0;
    for (const CRecoveredCopy& copy : copies) {
        if (restore) {
            CDocHolder* doc = OpenRecovered(copy);
            if (!doc) continue;  // the copy stays for another try
            ++restored;
            // Our own copy is on disk before the old one goes.
            m_pRecovery->WriteNow(doc);
        }
        CRecovery::Discard(copy);
    }
    return restored;
}

CDocHolder* CGorvantaApp::OpenRecovered(const CRecoveredCopy& copy) {
    auto doc = std::make_unique<CGorvantaDoc>();
    const CLoadOutcome outcome = LoadDocumentFile(*doc, FileNameBytes(copy.copyPath).toStdString());
    if (outcome.status != LoadStatus::Ok) {
        doc->OnCloseDocument();
        return nullptr;
    }
    auto owned = std::make_unique<CDocHolder>(*this, std::move(doc));
    CDocHolder* holder = owned.get();
    m_arrDocs.push_back(std::move(owned));
    if (!copy.original.isEmpty()) {
        // Save writes the file it came from, over what is there now without asking.
        holder->SetPathName(copy.original, false);
        holder->SetFileStamp(CFileStamp::Of(holder->GetPathName()));
    } else {
        holder->SetTitle(copy.title.isEmpty() ? DocStr(DocString::DocName) + QString::number(m_nUntitledCount + 1)
                                              : copy.title);
        ++m_nUntitledCount;
    }
    holder->MarkUnsaved();
    CChildFrame* frame = CreateNewFrame(*holder, nullptr);
    if (!frame) {
        RemoveDocument(holder);
        return nullptr;
    }
    InitialUpdateFrame(frame, *holder);
    Track(holder);
    return holder;
}

void CGorvantaApp::UpdateWaitCursor() {
    // The hourglass comes back on every refresh while a run is in progress, but not over a modal
    // window such as the summary box, which is open while the flag is still set.
    if (m_bCalcRunning.load() != 0 && !QApplication::activeModalWidget()) {
        const QCursor* current = QApplication::overrideCursor();
        if (!m_bWaitCursorShown) {
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            m_bWaitCursorShown = true;
        } else if (!current || current->shape() != Qt::WaitCursor) {
            QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        }
    } else if (m_bWaitCursorShown) {
        QApplication::restoreOverrideCursor();
        m_bWaitCursorShown = false;
    }
}

std::unique_ptr<CGorvantaDoc> CGorvantaApp::NewDocument() {
    // Each new or opened document sees the store as it is now, changes made elsewhere included.
    TheSettings().LoadSettings();
    return std::make_unique<CGorvantaDoc>();
}

CDocHolder* CGorvantaApp::OnFileNew() {
    if (!m_pMainWnd) return nullptr;
    auto doc = NewDocument();
    if (!doc->OnNewDocument()) return nullptr;
    auto owned = std::make_unique<CDocHolder>(*this, std::move(doc));
    CDocHolder* holder = owned.get();
    m_arrDocs.push_back(std::move(owned));
    holder->SetTitle(DocStr(DocString::DocName) + QString::number(m_nUntitledCount + 1));
    CChildFrame* frame = CreateNewFrame(*holder, nullptr);
    if (!frame) {
        RemoveDocument(holder);
        return nullptr;
    }
    ++m_nUntitledCount;
    InitialUpdateFrame(frame, *holder);
    Track(holder);
    return holder;
}

void CGorvantaApp::OnFileOpen() {
    QString name;
    if (!DoPromptFileName(name, true)) return;
    OpenDocumentFile(name);
}

CDocHolder* CGorvantaApp::OpenDocumentFile(const QString& path) {
    if (!m_pMainWnd || path.isEmpty()) return nullptr;
    const QString wanted = Canonical(path);
    for (const auto& doc : m_arrDocs) {
        if (!doc->GetPathName().isEmpty() && Canonical(doc->GetPathName()) == wanted) {
            if (!doc->Frames().empty()) {
                CChildFrame* frame = doc->Frames().front();
                m_pMainWnd->MdiArea()->setActiveSubWindow(frame);
                if (frame->isMinimized()) frame->showNormal();
            }
            AddToRecentFileList(doc->GetPathName());
            return doc.get();
        }
    }

    auto doc = NewDocument();
    const QString full = AbsoluteFileName(path);
    // Taken before reading: a change made while we read shows as a change later.
    const CFileStamp stamp = CFileStamp::Of(full);
    const CLoadOutcome outcome = LoadDocumentFile(*doc, FileNameBytes(full).toStdString());
    // A file that is not a document ("Archive format not recognized." has been shown) opens nothing, as
    // in the command-line tool: no document may later be saved over it, and it is no recent document.
    if (outcome.status != LoadStatus::Ok) {
        if (outcome.status != LoadStatus::NotRecognized) {
            const std::string text = !outcome.message.empty() ? outcome.message
                                     : outcome.status == LoadStatus::UnexpectedFormat ? MSG_UNEXPECTED_FORMAT
                                                                                       : MSG_FAILED_TO_OPEN;
            ShowMessage(text, MsgButtons::OK, MsgIcon::Exclamation);
        }
        doc->OnCloseDocument();  // frees what was read before the failure
        return nullptr;
    }
    doc->SetModifiedFlag(false);
    auto owned = std::make_unique<CDocHolder>(*this, std::move(doc));
    CDocHolder* holder = owned.get();
    m_arrDocs.push_back(std::move(owned));
    holder->SetPathName(path);
    holder->SetFileStamp(stamp);
    CChildFrame* frame = CreateNewFrame(*holder, nullptr);
    if (!frame) {
        RemoveDocument(holder);
        return nullptr;
    }
    InitialUpdateFrame(frame, *holder);
    Track(holder);
    return holder;
}

CChildFrame* CGorvantaApp::CreateNewFrame(CDocHolder& doc, CChildFrame*) {
    if (!m_pMainWnd) return nullptr;
    auto* frame = new CChildFrame(doc);
    CCreateParams cs;
    frame->PreCreateWindow(cs);
    KeepChildInView(cs, m_pMainWnd->DocumentAreaSize());
    m_pMainWnd->AddChildFrame(frame);
    if (cs.HasSize()) frame->resize(cs.cx, cs.cy);
    if (cs.HasPos()) frame->move(cs.x, cs.y);
    if (!frame->OnCreateClient()) {
        m_pMainWnd->MdiArea()->removeSubWindow(frame);
        delete frame;
        ShowMessage(MSG_FAILED_TO_OPEN, MsgButtons::OK, MsgIcon::Exclamation);
        return nullptr;
    }
    doc.AddFrame(frame);
    return frame;
}

void CGorvantaApp::InitialUpdateFrame(CChildFrame* frame, CDocHolder& doc) {
    if (!frame) return;
    if (frame->GetLeftView()) frame->GetLeftView()->OnInitialUpdate();
    if (frame->GetResultsView()) frame->GetResultsView()->OnInitialUpdate();
    frame->ActivateFrame();
    doc.UpdateFrameCounts();
    if (m_pMainWnd) m_pMainWnd->UpdateCmdUI();
}

bool CGorvantaApp::SaveAllModified() {
    for (CDocHolder* doc : [this] {
             std::vector<CDocHolder*> v;
             for (const auto& d : m_arrDocs) v.push_back(d.get());
             return v;
         }())
        if (!doc->SaveModified()) return false;
    return true;
}

void CGorvantaApp::CloseAllDocuments() {
    while (!m_arrDocs.empty()) m_arrDocs.back()->OnCloseDocument();
}

bool CGorvantaApp::CloseAllForExit() {
    if (!SaveAllModified()) return false;
    CloseAllDocuments();
    return true;
}

void CGorvantaApp::RemoveDocument(CDocHolder* doc) {
    for (auto it = m_arrDocs.begin(); it != m_arrDocs.end(); ++it) {
        if (it->get() == doc) {
            std::unique_ptr<CDocHolder> gone = std::move(*it);
            m_arrDocs.erase(it);
            gone.reset();
            break;
        }
    }
    if (m_pMainWnd) m_pMainWnd->UpdateCmdUI();
}

CDocHolder* CGorvantaApp::FindDocument(const CGorvantaDoc* doc) const {
    for (const auto& d : m_arrDocs)
        if (&d->Doc() == doc) return d.get();
    return nullptr;
}

void CGorvantaApp::LoadRecentFileList() {
    m_arrRecentFiles.clear();
    IProfileStore& store = TheProfileStore();
    for (int i = 1; i <= MRU_FILE_COUNT; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, RECENT_FILE_ENTRY, i);
        auto value = store.ReadString(RECENT_FILE_SECTION, name);
        if (value && !value->empty()) m_arrRecentFiles.append(ToQt(*value));
    }
}

void CGorvantaApp::SaveRecentFileList() {
    IProfileStore& store = TheProfileStore();
    int n = 1;
    for (const QString& path : m_arrRecentFiles) {
        // A path the 8-bit store cannot hold stays in the list for this session only.
        const std::string bytes = FromQt(path);
        if (ToQt(bytes) != path) continue;
        char name[16];
        std::snprintf(name, sizeof name, RECENT_FILE_ENTRY, n++);
        store.WriteString(RECENT_FILE_SECTION, name, bytes);
    }
    for (; n <= MRU_FILE_COUNT; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, RECENT_FILE_ENTRY, n);
        if (store.ReadString(RECENT_FILE_SECTION, name)) store.WriteString(RECENT_FILE_SECTION, name, "");
    }
}

void CGorvantaApp::FiltersChanged(CDocHolder* from) {
    for (const auto& doc : m_arrDocs)
        if (doc.get() != from) doc->Doc().UpdateAllViews(nullptr, HINT_FILTERS_CHANGED);
}

void CGorvantaApp::AddToRecentFileList(const QString& path) {
    const QString full = AbsoluteFileName(path);
    for (int i = 0; i < m_arrRecentFiles.size(); ++i)
        if (Canonical(m_arrRecentFiles[i]) == Canonical(full)) {
            m_arrRecentFiles.removeAt(i);
            break;
        }
    m_arrRecentFiles.prepend(full);
    while (m_arrRecentFiles.size() > MRU_FILE_COUNT) m_arrRecentFiles.removeLast();
    RecentFilesChanged();
}

void CGorvantaApp::RemoveFromRecentFileList(int index) {
    if (index < 0 || index >= m_arrRecentFiles.size()) return;
    m_arrRecentFiles.removeAt(index);
    RecentFilesChanged();
}

void CGorvantaApp::RecentFilesChanged() {
    SaveRecentFileList();
    if (m_pMainWnd) m_pMainWnd->SetRecentFiles(m_arrRecentFiles);
}

void CGorvantaApp::OnOpenRecentFile(int index) {
    if (index < 0 || index >= m_arrRecentFiles.size()) return;
    const QString path = m_arrRecentFiles[index];
    // An entry that no longer opens leaves the list.
    if (!OpenDocumentFile(path)) RemoveFromRecentFileList(int(m_arrRecentFiles.indexOf(path)));
}

bool CGorvantaApp::DoPromptFileName(QString& fileName, bool open) {
    const QString filter = DocStr(DocString::FilterName) + QStringLiteral(";;All Files (*)");
    QFileDialog dlg(m_pMainWnd, open ? QStringLiteral("Open") : QStringLiteral("Save As"));
    dlg.setNameFilter(filter);
    dlg.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dlg.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dlg.setDefaultSuffix(DocStr(DocString::FilterExt).mid(1));
    if (!fileName.isEmpty()) dlg.selectFile(fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    fileName = dlg.selectedFiles().first();
    return true;
}

QWidget* CGorvantaApp::DialogParent() const { return m_pMainWnd; }

QPrinter& CGorvantaApp::Printer() {
    if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>();
    return *m_pPrinter;
}

void CGorvantaApp::OnFilePrintSetup() {
    QPageSetupDialog dlg(&Printer(), m_pMainWnd);
    dlg.setWindowTitle(QStringLiteral("Print Setup"));
    dlg.exec();
}

void CGorvantaApp::OnAppAbout() {
    CAboutDlg dlg(m_pMainWnd);
    dlg.exec();
}

void CGorvantaApp::OnHelpFinder() {
    if (!m_pMainWnd) return;
    if (!m_pHelpWnd) m_pHelpWnd = new CHelpWindow(m_pMainWnd);
    m_pHelpWnd->show();
    m_pHelpWnd->raise();
    m_pHelpWnd->activateWindow();
}

void CGorvantaApp::OnWindowNew(CChildFrame& active) {
    CDocHolder& doc = *active.GetDocument();
    CChildFrame* frame = CreateNewFrame(doc, &active);
    if (frame) InitialUpdateFrame(frame, doc);
}

bool CGorvantaApp::OnCmdMsg(int id, CCmdUI* pUI) {
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + MRU_FILE_COUNT) {
        const int index = id - ID_FILE_MRU_FILE1;
        if (pUI)
            pUI->Enable(index < m_arrRecentFiles.size());
        else
            OnOpenRecentFile(index);
        return true;
    }
    switch (id) {
        case ID_FILE_NEW:
            if (!pUI) OnFileNew();
            return true;
        case ID_FILE_OPEN:
            if (!pUI) OnFileOpen();
            return true;
        case ID_FILE_PRINT_SETUP:
            if (!pUI) OnFilePrintSetup();
            return true;
        case ID_APP_ABOUT:
            if (!pUI) OnAppAbout();
            return true;
        case ID_HELP_FINDER:
            if (!pUI) OnHelpFinder();
            return true;
        case ID_EDIT_ITEM_NAMES:
            if (!pUI) DoItemNamesCommand(m_pMainWnd);
            return true;
        case ID_APP_EXIT:
            if (!pUI && m_pMainWnd) m_pMainWnd->close();
            return true;
        case ID_WINDOW_NEW: {
            // The main frame is not there yet while it builds its menus.
            CChildFrame* active = m_pMainWnd ? m_pMainWnd->MDIGetActive() : nullptr;
            if (pUI)
                pUI->Enable(active != nullptr);
            else if (active)
                OnWindowNew(*active);
            return true;
        }
        default: return false;
    }
}
