#include "DocFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/model/Archive.h"

namespace {
CSaveHooks g_hooks;

std::string Reason(const std::string& path, int err) { return path + ": " + std::strerror(err) + "."; }

ssize_t DoWrite(int fd, const void* data, size_t size) {
    return g_hooks.write ? g_hooks.write(fd, data, size) : ::write(fd, data, size);
}
int DoFsync(int fd) { return g_hooks.fsync ? g_hooks.fsync(fd) : ::fsync(fd); }
int DoRename(const char* from, const char* to) {
    return g_hooks.rename ? g_hooks.rename(from, to) : ::rename(from, to);
}

bool WriteAll(int fd, const std::string& bytes, int& err) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = DoWrite(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) {
            err = EIO;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// Reads to the end; the size known beforehand is reserved at once, so the buffer is not regrown on the way.
bool ReadAll(int fd, std::string& out, uint64_t expected, uint64_t maxBytes, int& err) {
    out.reserve(out.size() + size_t(std::min(expected, maxBytes)));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) return true;
        if (uint64_t(n) > maxBytes - std::min<uint64_t>(out.size(), maxBytes)) {
            err = EFBIG;
            return false;
        }
        out.append(buf, size_t(n));
    }
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}
std::string BaseOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// A symbolic link is saved through: the file it names (in the end, after a chain of links) is replaced
// or, when it does not exist yet, created; the link stays.
bool ResolveLinks(const std::string& path, std::string& out, int& err) {
    out = path;
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat st;
        if (::lstat(out.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(out.c_str(), buf, sizeof buf);
        if (n < 0) {
            err = errno;
            return false;
        }
        if (size_t(n) == sizeof buf) {
            err = ENAMETOOLONG;
            return false;
        }
        const std::string link(buf, size_t(n));
        out = !link.empty() && link[0] == '/' ? link : Join(FolderOf(out), link);
    }
    err = ELOOP;
    return false;
}

const char* KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a plain file";
}

mode_t CurrentUmask() {
    // /proc tells it without changing it; umask(2) can only read it by setting it for a moment.
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found) return mode_t(mask);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The temporary files of saves are ".NAME.tmp-PID-N" beside the document; one whose process is gone was
// left by a save that was killed half-way.
bool IsStaleTemp(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash > 9 || dash + 1 == rest.size()) return false;
    for (size_t i = 0; i < rest.size(); ++i)
        if (i != dash && (rest[i] < '0' || rest[i] > '9')) return false;
    const pid_t pid = pid_t(std::stol(rest.substr(0, dash)));
    if (pid <= 0 || pid == ::getpid()) return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void RemoveStaleTemps(const std::string& folder, const std::string& base) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = "." + base + ".tmp-";
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsStaleTemp(entry->d_name, prefix)) continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// Creates a new file beside the target that no one else uses, readable by its owner alone until the save
// gives it its final mode.
int CreateTemp(const std::string& folder, const std::string& base, std::string& tempPath, int& err) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = Join(folder, "." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        if (errno != EEXIST) {
            err = errno;
            return -1;
        }
    }
    err = EEXIST;
    return -1;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the data itself is already on disk
    ::close(fd);
}
}  // namespace

CSaveHooksScope::CSaveHooksScope(CSaveHooks hooks) : m_previous(std::move(g_hooks)) { g_hooks = std::move(hooks); }
CSaveHooksScope::~CSaveHooksScope() { g_hooks = std::move(m_previous); }

std::function<ssize_t(int, const void*, size_t)> FailingWriteAfter(size_t limit) {
    auto left = std::make_shared<size_t>(limit);
    return [left](int fd, const void* data, size_t size) -> ssize_t {
        if (*left == 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = size < *left ? size : *left;
        const ssize_t w = ::write(fd, data, n);
        if (w > 0) *left -= size_t(w);
        return w;
    };
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (::access(path.c_str(), W_OK) != 0) return errno == EACCES || errno == EROFS || errno == EPERM;
    return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

int OpenRegularFile(const std::string& path, std::string& why) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer; O_NOCTTY keeps a terminal from becoming ours.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    int err = 0;
    const char* kind = nullptr;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    else if (!S_ISREG(st.st_mode))
        kind = KindOf(st.st_mode);
    if (!err && !kind) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) err = errno;
    }
    if (err || kind) {
        why = err ? std::string(std::strerror(err)) : std::string("Not a regular file (") + kind + ")";
        ::close(fd);
        return -1;
    }
    return fd;
}

bool ReadRegularFile(const std::string& path, std::string& out, std::string& why, uint64_t maxBytes) {
    why.clear();
    const int fd = OpenRegularFile(path, why);
    if (fd < 0) return false;
    struct stat st {};
    int err = 0;
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        err = errno;
    else if (uint64_t(st.st_size) > maxBytes)
        ok = false, err = EFBIG;
    else
        ok = ReadAll(fd, out, uint64_t(st.st_size), maxBytes, err);
    ::close(fd);
    if (!ok) why = err == EFBIG ? "Larger than " + std::to_string(maxBytes) + " bytes" : std::strerror(err);
    return ok;
}

CLoadOutcome LoadDocumentFile(CGorvantaDoc& doc, const std::string& path) {
    auto cannotOpen = [&path](const std::string& why) {
        return CLoadOutcome{LoadStatus::CannotOpen, std::string(MSG_FAILED_TO_OPEN) + " " + path + ": " + why + "."};
    };
    std::string bytes, why;
    try {
        if (!ReadRegularFile(path, bytes, why)) return cannotOpen(why);
    } catch (const std::bad_alloc&) {
        return cannotOpen(std::strerror(ENOMEM));
    }

    if (bytes.empty()) {
        doc.SetModifiedFlag(false);
        return {LoadStatus::Ok, {}};
    }
    doc.SetModifiedFlag(true);
    CArchive ar{std::string_view(bytes)};
    try {
        doc.Serialize(ar);
    } catch (const CArchiveException&) {
        doc.FreeContents();
        doc.m_arrCharacters.clear();
        return {LoadStatus::UnexpectedFormat, MSG_UNEXPECTED_FORMAT};
    } catch (const std::bad_alloc&) {
        doc.FreeContents();
        doc.m_arrCharacters.clear();
        return cannotOpen(std::strerror(ENOMEM));
    }
    doc.SetModifiedFlag(false);
    // Reading stops right after a wrong magic; the document already said so.
    if (bytes.size() >= 4 && ar.Position() == 4) return {LoadStatus::NotRecognized, {}};
    return {LoadStatus::Ok, {}};
}

bool SaveDocumentFile(CGorvantaDoc& doc, const std::string& path, std::string* error, bool keepOwner) {
    auto fail = [error](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    std::string bytes;
    try {
        CArchive ar(bytes);
        doc.Serialize(ar);
    } catch (const std::bad_alloc&) {
        return fail("cannot write " + Reason(path, ENOMEM));
    }

    std::string target;
    int err = 0;
    if (!ResolveLinks(path, target, err)) return fail("cannot save through " + Reason(path, err));
    const std::string folder = FolderOf(target);
    const std::string base = BaseOf(target);
    RemoveStaleTemps(folder, base);

    // The new file gets the old one's permissions (and owner, where allowed), a new file those of any new
    // file; until then the temporary file is the owner's alone.
    struct stat old;
    const bool hadOld = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t mode = hadOld ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    std::string temp;
    const int fd = CreateTemp(folder, base, temp, err);
    if (fd < 0) return fail("cannot create a temporary file in " + Reason(folder, err));
    if (hadOld && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not permitted for an ordinary user saving someone else's file; the file becomes theirs, unless
        // the caller would rather not save.
        if (keepOwner) {
            err = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            return fail("cannot keep the owner of " + Reason(target, err));
        }
    }

    bool ok = WriteAll(fd, bytes, err);
    std::string why;
    if (!ok) why = "cannot write " + Reason(temp, err);
    if (ok && ::fchmod(fd, mode) != 0) {
        // The file stays the owner's alone: safe, if less than asked for.
    }
    if (ok && DoFsync(fd) != 0) {
        ok = false;
        why = "cannot flush " + Reason(temp, errno);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = "cannot close " + Reason(temp, errno);
    }
    if (ok && DoRename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        why = "cannot replace " + Reason(target, errno);
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(why);
    }
    SyncFolder(folder);
    doc.SetModifiedFlag(false);
    return true;
}

bool CDocFileLock::Lock(const std::string& path, std::string* error, bool wait) {
    Unlock();
    auto fail = [error](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    std::string target;
    int err = 0;
    if (!ResolveLinks(path, target, err)) return fail("cannot lock " + Reason(path, err));
    const std::string lockPath = Join(FolderOf(target), "." + BaseOf(target) + ".lock");
    for (;;) {
        // Read-only is enough for flock, so every user who may save the document can take its lock.
        const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return fail("cannot lock " + Reason(lockPath, errno));
        }
        struct stat mine {};
        if (::fstat(fd, &mine) != 0 || !S_ISREG(mine.st_mode)) {
            ::close(fd);
            return fail("cannot lock " + Reason(lockPath, EINVAL));
        }
        int r;
        do r = ::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
        while (r != 0 && errno == EINTR);
        if (r != 0) {
            err = errno;
            ::close(fd);
            if (err == EWOULDBLOCK) return fail(target + " is being changed by another program.");
            return fail("cannot lock " + Reason(lockPath, err));
        }
        // The holder before us removes the file as it lets go; a lock on a file that is no longer there
        // would exclude no one, so take the one that is there now.
        struct stat now {};
        if (::lstat(lockPath.c_str(), &now) == 0 && now.st_dev == mine.st_dev && now.st_ino == mine.st_ino) {
            m_fd = fd;
            m_lockPath = lockPath;
            return true;
        }
        ::close(fd);
    }
}

void CDocFileLock::Unlock() {
    if (m_fd < 0) return;
    // Removed while still held, so no one can lock the file between its removal and our letting go.
    struct stat mine {}, now {};
    if (::fstat(m_fd, &mine) == 0 && ::lstat(m_lockPath.c_str(), &now) == 0 && now.st_dev == mine.st_dev &&
        now.st_ino == mine.st_ino)
        ::unlink(m_lockPath.c_str());
    ::close(m_fd);
    m_fd = -1;
    m_lockPath.clear();
}
