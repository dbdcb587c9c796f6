#pragma once
// Opening and saving ".gva" files. Saving goes through a temporary file in the same folder, so a failed
// save never leaves the previous file damaged.
#include <cstddef>
#include <cstdint>
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
// UnexpectedFormat (a file cut short, or a count below zero) frees what was read and leaves the document
// modified, as a document that failed to open (the caller closes it). Only regular files are read: a
// folder, a FIFO or a device is CannotOpen at once. Running out of memory is CannotOpen as well.
CLoadOutcome LoadDocumentFile(CGorvantaDoc& doc, const std::string& path);

// Writes the whole document to a temporary file beside the file `path` names (through symbolic links,
// whose target is created when it is missing), flushes it to disk and only then renames it into place.
// The temporary file is readable by its owner alone until it has the old file's mode (or, for a new
// file, 0666 less the umask), just before the rename. Temporary files that saves of dead processes left
// beside the document are removed. On success the document is not modified. On failure the temporary
// file is removed, the old file is left as it was, the document stays modified, `error` (if given) says
// why, and the caller reports "Failed to save document.".
// Saves of one file by several processes at once are serialised by holding a CDocFileLock around the
// whole read-modify-write.
// keepOwner: a file that would change owner or group (another user's file, saved by us) is refused instead.
bool SaveDocumentFile(CGorvantaDoc& doc, const std::string& path, std::string* error = nullptr, bool keepOwner = false);

// An existing file the user may not write: no write permission for them, or a read-only file system. A
// user whom permissions do not hold back (root) still finds a file read-only when no one has the right
// to write it: chmod 444 says "leave it alone" to everyone.
bool IsReadOnlyFile(const std::string& path);

// Opens a file for reading if it is a regular file. A FIFO or a device is refused at once, without waiting
// for a writer: it is opened without blocking and checked before anything is read. Returns the descriptor
// (blocking again, close-on-exec) or -1 with the reason in `why`, as strerror gives it ("No such file or
// directory", "Is a directory") or "Not a regular file (a named pipe)" and the like.
int OpenRegularFile(const std::string& path, std::string& why);

// The whole content of a regular file, opened as OpenRegularFile does. A file larger than maxBytes is
// refused before it is read ("Larger than N bytes"). False with the reason in `why`.
bool ReadRegularFile(const std::string& path, std::string& out, std::string& why, uint64_t maxBytes = UINT64_MAX);

// An advisory lock that serialises the read-modify-write cycles of one document among processes (and
// among threads, each with its own lock object): the holder loads, changes and saves while every other
// Lock of the same file waits. The lock is taken on a lock file ".NAME.lock" beside the file that saves
// replace (symbolic links followed), which the holder removes when it lets go. Programs that do not
// take it are not held up.
class CDocFileLock {
public:
    CDocFileLock() = default;
    ~CDocFileLock() { Unlock(); }
    CDocFileLock(const CDocFileLock&) = delete;
    CDocFileLock& operator=(const CDocFileLock&) = delete;

    // Waits until the lock of the document at `path` is free and takes it (wait = false: takes it only if
    // it is free now). False with the reason in `error` when the lock file cannot be made, or is held
    // elsewhere and wait is false. A lock already held by this object is let go first.
    bool Lock(const std::string& path, std::string* error = nullptr, bool wait = true);
    void Unlock();
    bool IsLocked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    std::string m_lockPath;
};

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
