#pragma once
// The windows ask upwards only through these two interfaces and report their changes as signals, so
// that a document with its windows, or the main frame, can be built without the application object.
// The application object implements both; tests put small fakes in its place.
#include <QString>

#include "CmdTarget.h"

class CDocHolder;
class QWidget;

// What an open document asks of the object that keeps the open documents.
class IDocHost {
public:
    virtual ~IDocHost() = default;
    // Asks for a file name to open or save under; false when the user cancels.
    virtual bool DoPromptFileName(QString& fileName, bool open) = 0;
    virtual void AddToRecentFileList(const QString& path) = 0;
    // The window the document's dialogs belong to, or null.
    virtual QWidget* DialogParent() const = 0;
    // The document's close step is over and its windows are gone: the host deletes it.
    virtual void RemoveDocument(CDocHolder* doc) = 0;
    // The settings changed from this document's Filters dialog: the other open documents' views follow,
    // so that no window runs with a total minimum or shows columns the dialog no longer has.
    virtual void FiltersChanged(CDocHolder* from) { (void)from; }
};

// What the main frame asks of the application: the last stop of the command route, and the
// documents' part when the window closes.
class IMainFrameHost : public CCmdTarget {
public:
    // Asks about every modified document, then closes them all; false when the user cancels.
    virtual bool CloseAllForExit() = 0;
};
