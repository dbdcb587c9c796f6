#pragma once
// Opening and saving ".gva" files. Saving goes through a temporary file in the same folder, so a failed
// save never leaves the previous file damaged.
#include <cstddef>
#include <functional>
#include <string>

#include <sys/types.h>

#include "GorvantaDoc.h"

enum class LoadStatus { Ok, NotRecognized, UnexpectedFormat, CannotOpen };

struct CLoadOutcome {
    LoadStatus status;
    // The text to show: "Unexpected file format." or why the file cannot be opened. Empty for Ok, and for
    // NotRecognized, where the document already showed "Archive format not recognized.".
    std::string message;
};

// Reads the file into a freshly constructed document. A zero-length file is an empty document, without
// any message. Ok and NotRecognized leave the document not modified (NotRecognized leaves it empty);
// UnexpectedFormat frees what was read before the file ended and leaves the document modified, as a
// document that failed to open (the caller closes it).
CLoadOutcome LoadDocumentFile(CGorvantaDoc& doc, const std::string& path);

// Writes the whole document to a temporary file beside `path`, flushes it to disk and only then renames it
// over `path`. On success the document is not modified. On failure the temporary file is removed, the old
// file is left as it was, the document stays modified, `error` (if given) says why, and the caller reports
// "Failed to save document.".
bool SaveDocumentFile(CGorvantaDoc& doc, const std::string& path, std::string* error = nullptr);

// The system calls of a save, replaceable by tests to make a save fail at any step.
struct CSaveHooks {
    std::function<ssize_t(int fd, const void* data, size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(const char* from, const char* to)> rename;
};

// Installs hooks for the lifetime of the object (empty members use the real calls).
class CSaveHooksScope {
public:
    explicit CSaveHooksScope(CSaveHooks hooks);
    ~CSaveHooksScope();
    CSaveHooksScope(const CSaveHooksScope&) = delete;
    CSaveHooksScope& operator=(const CSaveHooksScope&) = delete;

private:
    CSaveHooks m_previous;
};

// A write hook that lets `limit` bytes through in total and then fails with ENOSPC.
std::function<ssize_t(int, const void*, size_t)> FailingWriteAfter(size_t limit);
