#pragma once
// The application object: the per-user store root, the one document type, the main frame, the
// command line, the open documents and the recent-file list, and the wait cursor during a run.
// It owns the main frame and the documents; they reach it only through the host interfaces and
// tell it of changes through their signals.
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "FrameHost.h"
#include "core/model/ProfileStore.h"

class CChildFrame;
class CDocHolder;
class CGorvantaDoc;
class CHelpWindow;
class CMainFrame;
class CRecovery;
struct CRecoveredCopy;
class QPrinter;

class CGorvantaApp : public QObject, public IMainFrameHost, public IDocHost {
    Q_OBJECT
public:
    // store: the per-user store to use; null for the one on QSettings("VarnHolt", "Gorvanta").
    explicit CGorvantaApp(std::unique_ptr<IProfileStore> store = nullptr);
    ~CGorvantaApp() override;
    CGorvantaApp(const CGorvantaApp&) = delete;
    CGorvantaApp& operator=(const CGorvantaApp&) = delete;

    // 1 while a combination search runs (the process-wide flag).
    std::atomic<int32_t>& m_bCalcRunning;

    // Start-up with the arguments after the program name: none, or the path of a ".gva" file.
    // False ends the program.
    bool InitInstance(const QStringList& args);
    // Crash recovery for this program (the window program's, not the tests'): copies of unsaved documents
    // in `folder` (empty: the per-user data folder), offered again by InitInstance after a crash.
    void EnableRecovery(const QString& folder = {}, int delayMs = 3000);
    CRecovery* Recovery() const { return m_pRecovery.get(); }
    // While a run is in progress, keeps the wait cursor up, except over a modal window. Runs whenever
    // the command states have been refreshed and when another window takes the focus.
    void UpdateWaitCursor();

    CMainFrame* MainFrame() const { return m_pMainWnd; }

    // Documents.
    const std::vector<std::unique_ptr<CDocHolder>>& Documents() const { return m_arrDocs; }
    CDocHolder* OnFileNew();
    void OnFileOpen();
    // Opens the file in a new document window, or activates the window that already shows it.
    // Null when it cannot be opened (the reason has been shown).
    CDocHolder* OpenDocumentFile(const QString& path);
    // A new window on the document (other: the window it is made from, or null).
    CChildFrame* CreateNewFrame(CDocHolder& doc, CChildFrame* other);
    // Builds the views from the document and shows the window.
    void InitialUpdateFrame(CChildFrame* frame, CDocHolder& doc);
    // Asks about every modified document; false when the user cancels.
    bool SaveAllModified();
    void CloseAllDocuments();
    // Called by a document's close step.
    void RemoveDocument(CDocHolder* doc) override;
    // The main frame closes: asks about every modified document, then closes them all.
    bool CloseAllForExit() override;
    CDocHolder* FindDocument(const CGorvantaDoc* doc) const;

    // The recent-file list, newest first, at most 4 entries, kept in "Recent File List".
    const QStringList& RecentFiles() const { return m_arrRecentFiles; }
    void AddToRecentFileList(const QString& path) override;
    void FiltersChanged(CDocHolder* from) override;
    void RemoveFromRecentFileList(int index);
    void OnOpenRecentFile(int index);

    // Asks for a file name to open or save under; false when the user cancels. Tests replace it.
    bool DoPromptFileName(QString& fileName, bool open) override;
    // The main frame.
    QWidget* DialogParent() const override;
    // The printer chosen with Print Setup.
    QPrinter& Printer();
    void OnFilePrintSetup();
    void OnAppAbout();
    // Shows the user guide, made on first use and kept with the main frame.
    void OnHelpFinder();
    CHelpWindow* HelpWindow() const { return m_pHelpWnd; }
    // A second window on the document of the active one.
    void OnWindowNew(CChildFrame& active);

    bool OnCmdMsg(int id, CCmdUI* pUI) override;

    // New documents are titled with the base name and this running number.
    int m_nUntitledCount = 0;

private:
    // A document for New or Open, after the settings are read again from the store.
    static std::unique_ptr<CGorvantaDoc> NewDocument();
    // Asks whether to restore what a program that was killed left; the number of documents restored.
    int OfferRecovery();
    CDocHolder* OpenRecovered(const CRecoveredCopy& copy);
    void Track(CDocHolder* doc);
    void LoadRecentFileList();
    void SaveRecentFileList();
    void RecentFilesChanged();

    std::unique_ptr<IProfileStore> m_pStore;
    CMainFrame* m_pMainWnd = nullptr;
    CHelpWindow* m_pHelpWnd = nullptr;  // a child of the main frame
    std::vector<std::unique_ptr<CDocHolder>> m_arrDocs;
    QStringList m_arrRecentFiles;
    std::unique_ptr<QPrinter> m_pPrinter;
    bool m_bWaitCursorShown = false;
    std::unique_ptr<CRecovery> m_pRecovery;
};
