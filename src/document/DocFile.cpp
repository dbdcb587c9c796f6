#include "DocFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/Archive.h"

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

bool ReadAll(int fd, std::string& out, int& err) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) return true;
        out.append(buf, size_t(n));
    }
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A symbolic link is saved through: the file it names is replaced, the link stays.
std::string SaveTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

// Creates a new file beside the target that no one else uses; mode 0666 less the umask, like a new file.
int CreateTemp(const std::string& target, std::string& tempPath, int& err) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    const size_t slash = target.find_last_of('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

CLoadOutcome LoadDocumentFile(CGorvantaDoc& doc, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {LoadStatus::CannotOpen, std::string(MSG_FAILED_TO_OPEN) + " " + Reason(path, errno)};
    // Only plain files: a folder or a device is no document, and a device may never end.
    int err = 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (err) {
        ::close(fd);
        return {LoadStatus::CannotOpen, std::string(MSG_FAILED_TO_OPEN) + " " + Reason(path, err)};
    }
    std::string bytes;
    const bool read = ReadAll(fd, bytes, err);
    ::close(fd);
    if (!read) return {LoadStatus::CannotOpen, std::string(MSG_FAILED_TO_OPEN) + " " + Reason(path, err)};

    if (bytes.empty()) {
        doc.SetModifiedFlag(false);
        return {LoadStatus::Ok, {}};
    }
    doc.SetModifiedFlag(true);
    CArchive ar{std::string_view(bytes)};
    try {
        doc.Serialize(ar);
    } catch (const CArchiveEofException&) {
        doc.FreeContents();
        doc.m_arrCharacters.clear();
        return {LoadStatus::UnexpectedFormat, MSG_UNEXPECTED_FORMAT};
    }
    doc.SetModifiedFlag(false);
    // Reading stops right after a wrong magic; the document already said so.
    if (bytes.size() >= 4 && ar.Position() == 4) return {LoadStatus::NotRecognized, {}};
    return {LoadStatus::Ok, {}};
}

bool SaveDocumentFile(CGorvantaDoc& doc, const std::string& path, std::string* error) {
    auto fail = [error](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    std::string bytes;
    {
        CArchive ar(bytes);
        doc.Serialize(ar);
    }

    const std::string target = SaveTarget(path);
    std::string temp;
    int err = 0;
    const int fd = CreateTemp(target, temp, err);
    if (fd < 0) return fail("cannot create a temporary file in " + Reason(FolderOf(target), err));

    // The new file keeps the old one's permissions (and owner, where allowed).
    struct stat old;
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd, old.st_mode & 07777);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not permitted for an ordinary user saving someone else's file; the file becomes theirs.
        }
    }

    bool ok = WriteAll(fd, bytes, err);
    std::string why;
    if (!ok) why = "cannot write " + Reason(temp, err);
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
    SyncFolder(FolderOf(target));
    doc.SetModifiedFlag(false);
    return true;
}
