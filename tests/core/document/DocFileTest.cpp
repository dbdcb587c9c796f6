#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DocTestSupport.h"
#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "core/document/PieceEdit.h"
#include "core/model/MessageBox.h"
#include "support/FifoWatchdog.h"

namespace fs = std::filesystem;

namespace {
class DocFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/gorvanta-docfile-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    size_t FilesInDir() const { return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }

    // A saved document with content, and a modified document with different content to save over it.
    void PrepareOldFileAndNewDoc(CGorvantaDoc& doc, std::string& oldBytes) {
        CGorvantaDoc old;
        AddPoolPiece(old, "old helm, fire resist 1%", PIECE_HEADWEAR);
        ASSERT_TRUE(SaveDocumentFile(old, Path("a.gva")));
        oldBytes = Read(Path("a.gva"));
        for (int i = 0; i < 40; ++i) AddPoolPiece(doc, "new gloves, cold resist 3%", PIECE_GLOVES, i);
        doc.SetModifiedFlag(true);
    }
    void ExpectSaveFailureLeftNoTrace(CGorvantaDoc& doc, const std::string& oldBytes, const std::string& error) {
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(Read(Path("a.gva")), oldBytes);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(FilesInDir(), 1u) << "the temporary file was left behind";
    }

    fs::path dir;
    CScriptedMessageBox box;
    CMessageBoxScope scope{&box};
};
}  // namespace

TEST_F(DocFileTest, SavedFileIsTheSerializedDocumentAndLoadsBack) {
    CGorvantaDoc doc;
    AddPoolPiece(doc, "ring, luck 40 ", PIECE_RING, 2);
    auto* suit = new CArmorSuit;
    suit->m_strName = "Suit 00003";
    suit->m_strCharacter = "Ann";
    suit->AddPiece(NewPiece("robe, mana regeneration 2 ", PIECE_ROBE));
    doc.m_arrSuits.push_back(suit);
    doc.m_arrCharacters.push_back("Ann");
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(SaveDocumentFile(doc, Path("a.gva")));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Read(Path("a.gva")), Bytes(doc));
    EXPECT_EQ(FilesInDir(), 1u);

    CGorvantaDoc back;
    const CLoadOutcome outcome = LoadDocumentFile(back, Path("a.gva"));
    EXPECT_EQ(outcome.status, LoadStatus::Ok);
    EXPECT_TRUE(outcome.message.empty());
    EXPECT_FALSE(back.IsModified());
    EXPECT_EQ(Bytes(back), Bytes(doc));
    EXPECT_TRUE(box.shown.empty());
}

// A file that holds no document opens nothing and stays as it is, so the next save cannot make a loss
// permanent. Only an unrecognised file shows a message; a damaged one is left modified for its caller
// to close, and a zero-length file is simply an empty document.
TEST_F(DocFileTest, FilesWithoutADocumentOpenNothingAndStayAsTheyWere) {
    CGorvantaDoc doc;
    for (int k = 0; k < 12; ++k) AddPoolPiece(doc, "piece of slot " + std::to_string(k), 1 << k, k);
    AddTwoSuits(doc);
    const std::string good = Bytes(doc), unexpected = "Unexpected file format.";
    constexpr LoadStatus bad = LoadStatus::UnexpectedFormat;
    struct CCase {
        std::string what, bytes;
        LoadStatus status;
        std::string message, shown;
    };
    std::vector<CCase> cases = {
        {"zero length", "", LoadStatus::Ok, "", ""},
        {"another format", "PK\x03\x04 some other file", LoadStatus::NotRecognized, "",
         "Archive format not recognized."},
        {"cut in the pool", good.substr(0, good.find("piece of slot 5") + 5), bad, unexpected, ""},
        {"cut at the end", good.substr(0, good.size() - 30), bad, unexpected, ""},
        {"shorter than the magic", "\x30\x75", bad, unexpected, ""},
    };
    // A count below zero: pool lists 0, 5 and 11, the suits, the names, the first suit's pieces.
    for (size_t at : {size_t(4), size_t(24), size_t(48), size_t(52), size_t(56), good.find("\x0aSuit 00000") - 4}) {
        std::string bytes = good;
        bytes.replace(at, 4, std::string(4, '\xFF'));
        cases.push_back({"count at " + std::to_string(at), bytes, bad, unexpected, ""});
    }
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        box.shown.clear();
        Write(Path("f.gva"), c.bytes);
        CGorvantaDoc back;
        const CLoadOutcome outcome = LoadDocumentFile(back, Path("f.gva"));
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_EQ(back.IsModified(), c.status == bad);
        EXPECT_EQ(back.GetPoolCount(), 0);
        EXPECT_TRUE(back.m_arrSuits.empty());
        EXPECT_TRUE(back.m_arrCharacters.empty());
        EXPECT_EQ(Read(Path("f.gva")), c.bytes);
        EXPECT_EQ(box.shown.size(), c.shown.empty() ? 0u : 1u);
        EXPECT_EQ(box.shown.empty() ? "" : box.shown[0].text, c.shown);
    }
}

// Documents and text files are read only when they are regular files; a FIFO or a device is refused at
// once, whatever is (or is not) at its other end.
TEST_F(DocFileTest, OnlyRegularFilesAreOpened) {
    fs::create_directory(dir / "folder.gva");
    ASSERT_EQ(::mkfifo(Path("pipe.gva").c_str(), 0600), 0);
    CFifoWatchdog watchdog(Path("pipe.gva"));
    const struct {
        std::string path;
        std::string why;
    } cases[] = {
        {Path("missing.gva"), std::strerror(ENOENT)},
        {Path("folder.gva"), std::strerror(EISDIR)},
        {Path("pipe.gva"), "Not a regular file (a named pipe)"},
        {"/dev/null", "Not a regular file (a character device)"},
        {"/dev/zero", "Not a regular file (a character device)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto start = std::chrono::steady_clock::now();
        CGorvantaDoc doc;
        const CLoadOutcome outcome = LoadDocumentFile(doc, c.path);
        EXPECT_EQ(outcome.status, LoadStatus::CannotOpen);
        EXPECT_EQ(outcome.message, "Failed to open document. " + c.path + ": " + c.why + ".");
        std::string text = "untouched", why;
        EXPECT_FALSE(ReadRegularFile(c.path, text, why));
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(text, "untouched");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
    EXPECT_TRUE(box.shown.empty());

    // A regular text file is read whole, and refused when larger than asked for.
    Write(Path("items.txt"), "plate helm, fire resist 5%\r\n");
    std::string text, why;
    ASSERT_TRUE(ReadRegularFile(Path("items.txt"), text, why)) << why;
    EXPECT_EQ(text, "plate helm, fire resist 5%\r\n");
    EXPECT_TRUE(ReadRegularFile(Path("items.txt"), text = "", why, 28));
    EXPECT_FALSE(ReadRegularFile(Path("items.txt"), text = "", why, 27));
    EXPECT_EQ(why, "Larger than 27 bytes");
    const int fd = OpenRegularFile(Path("items.txt"), why);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);  // blocking again once checked
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
}

// Each way a save fails, from a folder that is missing to each step of writing the temporary file and
// putting it in place: the old file stays byte for byte, the document stays modified, the error says
// why and no temporary file is left behind.
TEST_F(DocFileTest, FailedSaveLeavesTheOldFileAndNoTrace) {
    CGorvantaDoc doc;
    std::string oldBytes;
    PrepareOldFileAndNewDoc(doc, oldBytes);
    const size_t newSize = Bytes(doc).size();
    auto writeFails = [](size_t limit) {
        CSaveHooks hooks;
        hooks.write = FailingWriteAfter(limit);
        return hooks;
    };
    CSaveHooks fsyncFails, renameFails;
    fsyncFails.fsync = [](int) { errno = EIO; return -1; };
    renameFails.rename = [](const char*, const char*) { errno = EXDEV; return -1; };
    const struct {
        std::string name;
        CSaveHooks hooks;
        int err;
    } cases[] = {
        {"no/such/folder/a.gva", {}, ENOENT},      {"a.gva", writeFails(0), ENOSPC},
        {"a.gva", writeFails(1), ENOSPC},          {"a.gva", writeFails(59), ENOSPC},
        {"a.gva", writeFails(newSize / 2), ENOSPC}, {"a.gva", writeFails(newSize - 1), ENOSPC},
        {"a.gva", fsyncFails, EIO},                {"a.gva", renameFails, EXDEV},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        CSaveHooksScope scope(c.hooks);
        std::string error;
        EXPECT_FALSE(SaveDocumentFile(doc, Path(c.name), &error));
        EXPECT_NE(error.find(std::strerror(c.err)), std::string::npos) << error;
        ExpectSaveFailureLeftNoTrace(doc, oldBytes, error);
    }
    // With room for everything the same hook lets the save through.
    CSaveHooksScope scope(writeFails(newSize));
    EXPECT_TRUE(SaveDocumentFile(doc, Path("a.gva")));
    EXPECT_EQ(Read(Path("a.gva")), Bytes(doc));
}

TEST_F(DocFileTest, SaveIntoAReadOnlyFolderLeavesTheOldFile) {
    CGorvantaDoc doc;
    std::string oldBytes;
    PrepareOldFileAndNewDoc(doc, oldBytes);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir.c_str(), W_OK) == 0) {
        // Root writes anywhere; the failing hooks above cover the same path.
        fs::permissions(dir, fs::perms::owner_all);
        GTEST_SKIP() << "running with the right to write into read-only folders";
    }
    std::string error;
    EXPECT_FALSE(SaveDocumentFile(doc, Path("a.gva"), &error));
    fs::permissions(dir, fs::perms::owner_all);
    ExpectSaveFailureLeftNoTrace(doc, oldBytes, error);
}

// The temporary file is its owner's alone while it is written and gets the final mode before it takes
// the document's place: the old file's, or for a new file that of any new file under the umask.
TEST_F(DocFileTest, TemporaryFileIsNeverOpenToOthers) {
    CGorvantaDoc doc;
    AddPoolPiece(doc, "shield, physical resist 8%", PIECE_SHIELD);
    const mode_t oldMask = ::umask(027);
    struct {
        const char* name;
        mode_t before;  // 0: no file yet
        mode_t after;
    } cases[] = {
        {"new.gva", 0, 0640}, {"group.gva", 0640, 0640}, {"shared.gva", 0664, 0664}, {"private.gva", 0600, 0600}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before) {
            ASSERT_TRUE(SaveDocumentFile(doc, Path(c.name)));
            ASSERT_EQ(::chmod(Path(c.name).c_str(), c.before), 0);
        }
        std::vector<mode_t> seen;
        CSaveHooks hooks;
        hooks.write = [&seen](int fd, const void* data, size_t size) {
            struct stat st;
            if (::fstat(fd, &st) == 0) seen.push_back(st.st_mode & 07777);
            return ::write(fd, data, size);
        };
        {
            CSaveHooksScope scope(hooks);
            ASSERT_TRUE(SaveDocumentFile(doc, Path(c.name)));
        }
        ASSERT_FALSE(seen.empty());
        for (mode_t m : seen) EXPECT_EQ(m, 0600u);
        struct stat st;
        ASSERT_EQ(::stat(Path(c.name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.after);
    }
    ::umask(oldMask);
}

// A symbolic link is saved through, to a file that exists or one it creates, along a chain or by an
// absolute path; a link that leads nowhere a file can be made fails without touching the link.
TEST_F(DocFileTest, SavesThroughLinksCreatingAMissingTarget) {
    CGorvantaDoc doc;
    ASSERT_TRUE(SaveDocumentFile(doc, Path("a.gva")));
    fs::create_directory(dir / "sub");
    fs::create_symlink("a.gva", dir / "link.gva");
    fs::create_symlink("sub/target.gva", dir / "dangling.gva");
    fs::create_symlink("dangling.gva", dir / "chain.gva");
    fs::create_symlink(dir / "sub" / "absolute.gva", dir / "absolute.gva");
    // Each: the name saved under and the file that gets the document; each save brings a new piece.
    for (const auto& [name, target] : {std::pair{"link.gva", "a.gva"}, {"chain.gva", "sub/target.gva"},
                                       {"absolute.gva", "sub/absolute.gva"}}) {
        AddPoolPiece(doc, std::string("cloak, cold resist 2% ") + name, PIECE_CLOAK);
        ASSERT_TRUE(SaveDocumentFile(doc, Path(name))) << name;
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
        EXPECT_EQ(Read(Path(target)), Bytes(doc)) << name;
    }
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.gva"));

    fs::create_symlink("loop-b.gva", dir / "loop-a.gva");
    fs::create_symlink("loop-a.gva", dir / "loop-b.gva");
    fs::create_symlink("no/such/folder.gva", dir / "nowhere.gva");
    for (const auto& [name, err] : {std::pair{"loop-a.gva", ELOOP}, std::pair{"nowhere.gva", ENOENT}}) {
        std::string error;
        EXPECT_FALSE(SaveDocumentFile(doc, Path(name), &error)) << name;
        EXPECT_NE(error.find(std::strerror(err)), std::string::npos) << error;
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
    }
}

// A save killed half-way leaves ".NAME.tmp-PID-N"; the next save of that document removes those of
// processes that are gone, and nothing else.
TEST_F(DocFileTest, NextSaveRemovesTemporaryFilesOfDeadProcesses) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string dead = std::to_string(child), alive = std::to_string(::getppid());
    const std::string me = std::to_string(::getpid());
    const std::vector<std::string> gone = {".a.gva.tmp-" + dead + "-0", ".a.gva.tmp-" + dead + "-17"};
    const std::vector<std::string> kept = {".a.gva.tmp-" + alive + "-3", ".a.gva.tmp-" + me + "-999999",
                                           ".b.gva.tmp-" + dead + "-0",  ".a.gva.tmp-" + dead + "-x",
                                           ".a.gva.tmp-" + dead,         "a.gva.tmp-" + dead + "-1"};
    for (const auto& name : gone) Write(Path(name), "half a document");
    for (const auto& name : kept) Write(Path(name), "half a document");
    fs::create_directory(dir / (".a.gva.tmp-" + dead + "-5"));  // not a file: not ours

    CGorvantaDoc doc;
    ASSERT_TRUE(SaveDocumentFile(doc, Path("a.gva")));
    for (const auto& name : gone) EXPECT_FALSE(fs::exists(dir / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(dir / name)) << name;
    EXPECT_TRUE(fs::is_directory(dir / (".a.gva.tmp-" + dead + "-5")));
}

// Twenty processes that each load, add a piece and save the same document under its lock lose nothing.
// The lock belongs to the file saves replace, whichever link names it, and is free again once let go.
TEST_F(DocFileTest, LockSerialisesReadModifyWriteAndBelongsToTheTarget) {
    {
        CGorvantaDoc empty;
        ASSERT_TRUE(SaveDocumentFile(empty, Path("a.gva")));
    }
    constexpr int kProcesses = 20;
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CDocFileLock lock;
            bool ok = lock.Lock(Path("a.gva"));
            CGorvantaDoc doc;
            ok = ok && LoadDocumentFile(doc, Path("a.gva")).status == LoadStatus::Ok;
            AddPoolPiece(doc, "ring " + std::to_string(i), PIECE_RING, i);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // widen the window a lost update needs
            ok = ok && SaveDocumentFile(doc, Path("a.gva"));
            lock.Unlock();
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CGorvantaDoc back;
    ASSERT_EQ(LoadDocumentFile(back, Path("a.gva")).status, LoadStatus::Ok);
    EXPECT_EQ(back.GetPoolCount(), kProcesses);
    EXPECT_EQ(FilesInDir(), 1u) << "a lock or temporary file was left behind";

    fs::create_symlink("b.gva", dir / "link.gva");
    std::string error;
    CDocFileLock first, second;
    ASSERT_TRUE(first.Lock(Path("b.gva"), &error)) << error;  // the document need not exist yet
    EXPECT_TRUE(first.IsLocked());
    EXPECT_TRUE(fs::exists(dir / ".b.gva.lock"));
    EXPECT_FALSE(second.Lock(Path("link.gva"), &error, false));
    EXPECT_EQ(error, Path("b.gva") + " is being changed by another program.");
    EXPECT_FALSE(second.IsLocked());
    first.Unlock();
    EXPECT_FALSE(first.IsLocked());
    EXPECT_FALSE(fs::exists(dir / ".b.gva.lock"));
    EXPECT_TRUE(second.Lock(Path("link.gva"), &error, false)) << error;
    {
        CDocFileLock third;
        EXPECT_FALSE(third.Lock(Path("b.gva"), nullptr, false));
    }
    second.Unlock();
    EXPECT_TRUE(first.Lock(Path("b.gva"), &error, false)) << error;
    EXPECT_FALSE(second.Lock(Path("no/such/folder/b.gva"), &error));
    EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;
}

namespace {
// Little-endian 32-bit integers, as the file holds them.
std::string Le(std::initializer_list<int64_t> values) {
    std::string out;
    for (int64_t v : values)
        for (int shift = 0; shift < 32; shift += 8) out += char((uint64_t(v) >> shift) & 0xFF);
    return out;
}
// CRC-32 as zip and PNG have it, written here apart from the program's.
uint32_t Crc(std::string_view bytes) {
    uint32_t crc = ~0u;
    for (unsigned char c : bytes)
        for (int bit = 0, x = c; bit < 8; ++bit, x >>= 1) crc = (crc >> 1) ^ (((crc ^ uint32_t(x)) & 1u) ? 0xEDB88320u : 0u);
    return ~crc;
}
// A mark block around the payload (the number of marks and the marks), its length and checksum adjustable.
std::string MarkBlock(const std::string& payload, int64_t version = 1, int64_t lengthDelta = 0, uint32_t crcXor = 0) {
    return "GVMK" + Le({version, int64_t(payload.size()) + 4 + lengthDelta}) + payload + Le({Crc(payload) ^ crcXor});
}
}  // namespace

// The marks follow the last record in a block of their own, written only when a piece is marked: without
// marks a document is byte for byte what it was before marks existed. A block that does not check out is
// reported once and kept as it is, marking nothing; pool, suits and names stand.
TEST_F(DocFileTest, MarksRoundTripInTheirBlockAndADamagedBlockIsKeptWithOneMessage) {
    ASSERT_EQ(Crc("123456789"), 0xCBF43926u);
    CGorvantaDoc doc;
    AddPool(doc);
    AddTwoSuits(doc);
    const std::string plain = Bytes(doc);
    ASSERT_EQ(plain.substr(plain.size() - 5), "\x04Holt");  // ends with the last name
    PoolList &helms = doc.m_arrPool[0], &gloves = doc.m_arrPool[3], &rings = doc.m_arrPool[6];
    ASSERT_TRUE(SetPieceMark(doc, rings[1], PieceMark::Pinned));
    ASSERT_TRUE(SetPieceMark(doc, helms[1], PieceMark::Excluded));
    ASSERT_TRUE(SetPieceMark(doc, gloves[0], PieceMark::Excluded));
    ASSERT_TRUE(SaveDocumentFile(doc, Path("m.gva")));
    const std::string payload = Le({3, 0, 1, 1, 3, 0, 1, 6, 1, 2});
    const std::string block = MarkBlock(payload);
    EXPECT_EQ(block, "GVMK" + Le({1, 44}) + payload + Le({0x4CD720C2}));
    EXPECT_EQ(Read(Path("m.gva")), plain + block);

    CGorvantaDoc back;
    ASSERT_EQ(LoadDocumentFile(back, Path("m.gva")).status, LoadStatus::Ok);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(back.m_arrPool[6][1]->m_nMark, PieceMark::Pinned);
    EXPECT_EQ(back.m_arrPool[0][1]->m_nMark, PieceMark::Excluded);
    EXPECT_EQ(back.m_arrPool[3][0]->m_nMark, PieceMark::Excluded);
    EXPECT_EQ(CountMarked(back, PieceMark::None), back.GetPoolCount() - 3);
    EXPECT_EQ(Bytes(back), plain + block);
    for (CArmorPiece* p : {rings[1], helms[1], gloves[0]}) SetPieceMark(doc, p, PieceMark::None);
    EXPECT_EQ(Bytes(doc), plain);

    // Each: what the damage is, and the bytes that follow the records. None is lost: every one is kept
    // byte for byte and written again by a save; a block of the marks' own kind that does not check out is
    // damage (saving over it would replace it), anything else is a block of another version.
    const char* const DAMAGED = MSG_MARKS_UNREADABLE;
    const char* const KEPT = MSG_BLOCKS_KEPT;
    const struct {
        const char* what;
        std::string tail;
        const char* message;
    } damaged[] = {
        {"cut inside", block.substr(0, block.size() - 3), DAMAGED},
        {"a stray byte", "\x01", KEPT},
        {"the tag alone", "GVMK", DAMAGED},
        {"another tag", "GVMX" + block.substr(4), KEPT},
        {"a later version", MarkBlock(payload, 2), KEPT},
        {"length one short", MarkBlock(payload, 1, -1), DAMAGED},
        {"length one long", MarkBlock(payload, 1, 1), DAMAGED},
        {"checksum", MarkBlock(payload, 1, 0, 0x100), DAMAGED},
        {"no marks", MarkBlock(Le({0})), DAMAGED},
        {"count beyond the marks", MarkBlock(Le({4, 0, 1, 1, 3, 0, 1, 6, 1, 2})), DAMAGED},
        {"list 12", MarkBlock(Le({1, 12, 0, 1})), DAMAGED},
        {"list -1", MarkBlock(Le({1, -1, 0, 1})), DAMAGED},
        {"index past its list", MarkBlock(Le({1, 1, 1, 1})), DAMAGED},
        {"index -1", MarkBlock(Le({1, 0, -1, 1})), DAMAGED},
        {"mark 0", MarkBlock(Le({1, 0, 0, 0})), DAMAGED},
        {"mark 3", MarkBlock(Le({1, 0, 0, 3})), DAMAGED},
        {"out of order", MarkBlock(Le({2, 3, 0, 1, 0, 1, 1})), DAMAGED},
        {"a piece twice", MarkBlock(Le({2, 0, 1, 1, 0, 1, 2})), DAMAGED},
        {"two pins in a list", MarkBlock(Le({2, 0, 0, 2, 0, 1, 2})), DAMAGED},
        {"garbage", std::string("\xFF\xFE garbage that frames nothing ") + '\0' + "\x7F", KEPT},
    };
    for (const auto& [what, tail, message] : damaged) {
        box.shown.clear();
        Write(Path("d.gva"), plain + tail);
        CGorvantaDoc d;
        const CLoadOutcome outcome = LoadDocumentFile(d, Path("d.gva"));
        EXPECT_EQ(outcome.status, LoadStatus::Ok) << what;
        EXPECT_FALSE(d.IsModified()) << what;
        ASSERT_EQ(box.shown.size(), 1u) << what;
        EXPECT_EQ(box.shown[0].text, message) << what;
        EXPECT_EQ(d.HasDamagedBlock(), message == DAMAGED) << what;
        EXPECT_EQ(CountMarked(d, PieceMark::None), d.GetPoolCount()) << what;
        EXPECT_EQ(Bytes(d), plain + tail) << what;  // kept, byte for byte
        ASSERT_TRUE(SaveDocumentFile(d, Path("d.gva"))) << what;
        EXPECT_EQ(Read(Path("d.gva")), plain + tail) << what;
        // Only the damage makes way, and only when asked to.
        d.DropDamagedBlocks();
        EXPECT_FALSE(d.HasDamagedBlock()) << what;
        std::string rest;
        for (const CKeptBlock& kept : d.KeptBlocks()) rest += kept.bytes;
        EXPECT_EQ(Bytes(d), plain + rest) << what;
        EXPECT_EQ(rest.empty(), message == DAMAGED && std::string(what) != "length one short") << what;
    }
    // A block made by hand to the same layout is read like a saved one.
    box.shown.clear();
    Write(Path("d.gva"), plain + MarkBlock(Le({2, 0, 0, 2, 1, 0, 1})));
    CGorvantaDoc hand;
    ASSERT_EQ(LoadDocumentFile(hand, Path("d.gva")).status, LoadStatus::Ok);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(hand.m_arrPool[0][0]->m_nMark, PieceMark::Pinned);
    EXPECT_EQ(hand.m_arrPool[1][0]->m_nMark, PieceMark::Excluded);
}

// Several blocks after the records: the marks are read wherever they stand, the blocks of other versions
// are kept in their order after the marks this program writes, and a second mark block is damage (which
// of the two holds the marks cannot be told).
TEST_F(DocFileTest, MarksAreReadBesideBlocksOfOtherVersionsWhichSavesKeepAfterTheirOwn) {
    CGorvantaDoc doc;
    AddPool(doc);
    AddTwoSuits(doc);
    const std::string plain = Bytes(doc);
    const std::string marks = MarkBlock(Le({1, 0, 1, 1}));  // helm 1 excluded
    const std::string other = "GVPL" + Le({3, 5}) + "plan!";
    const std::string later = MarkBlock(Le({1, 6, 0, 2}), 7);
    const struct {
        const char* what;
        std::string tail;
        bool marked;       // helm 1 read as excluded
        std::string kept;  // what stays after the marks written again
        const char* message;
    } cases[] = {
        {"marks, then another block", marks + other, true, other, MSG_BLOCKS_KEPT},
        {"another block, then marks", other + marks, true, other, MSG_BLOCKS_KEPT},
        {"marks after a later version's", later + marks, true, later, MSG_BLOCKS_KEPT},
        {"two other blocks", other + later, false, other + later, MSG_BLOCKS_KEPT},
        {"marks twice", marks + marks, true, marks, MSG_MARKS_UNREADABLE},
        {"marks, then garbage", marks + "\x05\x06", true, "\x05\x06", MSG_BLOCKS_KEPT},
    };
    for (const auto& c : cases) {
        box.shown.clear();
        Write(Path("b.gva"), plain + c.tail);
        CGorvantaDoc d;
        ASSERT_EQ(LoadDocumentFile(d, Path("b.gva")).status, LoadStatus::Ok) << c.what;
        ASSERT_EQ(box.shown.size(), 1u) << c.what;
        EXPECT_EQ(box.shown[0].text, c.message) << c.what;
        EXPECT_EQ(d.m_arrPool[0][1]->m_nMark, c.marked ? PieceMark::Excluded : PieceMark::None) << c.what;
        EXPECT_EQ(CountMarked(d, PieceMark::None), d.GetPoolCount() - (c.marked ? 1 : 0)) << c.what;
        EXPECT_EQ(Bytes(d), plain + (c.marked ? marks : "") + c.kept) << c.what;
        // A change of the marks is written before what is kept.
        ASSERT_TRUE(SetPieceMark(d, d.m_arrPool[3][0], PieceMark::Pinned));
        const std::string changed = MarkBlock(c.marked ? Le({2, 0, 1, 1, 3, 0, 2}) : Le({1, 3, 0, 2}));
        ASSERT_TRUE(SaveDocumentFile(d, Path("b.gva"))) << c.what;
        EXPECT_EQ(Read(Path("b.gva")), plain + changed + c.kept) << c.what;
        // Read back, the same again: the kept blocks do not pile up.
        CGorvantaDoc again;
        ASSERT_EQ(LoadDocumentFile(again, Path("b.gva")).status, LoadStatus::Ok) << c.what;
        EXPECT_EQ(Bytes(again), plain + changed + c.kept) << c.what;
    }
}

// Corrected pieces are named in a block after the marks, written only when some piece was edited; an
// edit made, saved and read back keeps its values and its flag, in the pool and in a suit, and a damaged
// block is left out with the marks' message, the values themselves standing.
TEST_F(DocFileTest, EditedPiecesRoundTripInTheirBlockAfterTheMarks) {
    CGorvantaDoc doc;
    AddPool(doc);
    AddTwoSuits(doc);
    const std::string plain = Bytes(doc);
    CArmorPiece* ring = doc.m_arrPool[6][1];
    CArmorPiece* cap = doc.m_arrSuits[1]->m_arrPieces[0];
    CPieceEdit e = PieceEditOf(*ring);
    e.values[PROP_LUCK] = 123;
    ASSERT_EQ(EditPiece(doc, ring, e), EditResult::Changed);
    CPieceEdit c = PieceEditOf(*cap);
    c.values[PROP_FIRE] = 9;
    ASSERT_EQ(EditPiece(doc, cap, c), EditResult::Changed);
    ASSERT_TRUE(SetPieceMark(doc, doc.m_arrPool[0][0], PieceMark::Excluded));
    // Pieces in file order: the ring is after the pool lists before it, the cap after the whole pool and Varn's three.
    size_t ringNumber = 1, capNumber = 3;
    for (int k = 0; k < 6; ++k) ringNumber += doc.m_arrPool[size_t(k)].size();
    capNumber += size_t(doc.GetPoolCount());
    const std::string payload = Le({2, int64_t(ringNumber), int64_t(capNumber)});
    const std::string edits = "GVED" + Le({1, int64_t(payload.size()) + 4}) + payload + Le({Crc(payload)});
    const std::string marks = MarkBlock(Le({1, 0, 0, 1}));
    ASSERT_TRUE(SaveDocumentFile(doc, Path("e.gva")));
    const std::string saved = Read(Path("e.gva"));
    EXPECT_EQ(saved.substr(saved.size() - marks.size() - edits.size()), marks + edits);

    CGorvantaDoc back;
    ASSERT_EQ(LoadDocumentFile(back, Path("e.gva")).status, LoadStatus::Ok);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(back.m_arrPool[6][1]->m_nLuck, 123);
    EXPECT_TRUE(back.m_arrPool[6][1]->m_bEdited);
    EXPECT_EQ(back.m_arrSuits[1]->m_arrPieces[0]->m_nFire, 9);
    EXPECT_TRUE(back.m_arrSuits[1]->m_arrPieces[0]->m_bEdited);
    EXPECT_EQ(back.m_arrPool[0][0]->m_nMark, PieceMark::Excluded);
    int flagged = 0;
    for (const PoolList& list : back.m_arrPool)
        for (const CArmorPiece* p : list) flagged += p->m_bEdited;
    EXPECT_EQ(flagged, 1);
    EXPECT_EQ(Bytes(back), saved);

    // Without an edited piece and a mark the bytes are those of a document that never had either.
    ring->m_bEdited = cap->m_bEdited = false;
    SetPieceMark(doc, doc.m_arrPool[0][0], PieceMark::None);
    const std::string values = Bytes(doc);
    EXPECT_EQ(values.size(), plain.size());

    auto block = [](const std::string& p, int64_t version = 1) {
        return "GVED" + Le({version, int64_t(p.size()) + 4}) + p + Le({Crc(p)});
    };
    // Damage of this version's block is kept and reported as the marks' is; another version's block is kept;
    // blocks in either order, and bytes after them, leave the flags read.
    const std::string later = block(payload, 2);
    const std::string check = "GVED" + Le({1, int64_t(payload.size()) + 4}) + payload + Le({Crc(payload) ^ 1});
    const struct {
        const char* what;
        std::string tail;
        const char* message;  // null: none
        std::string bytes;    // as written again
    } cases[] = {
        {"a later version", later, MSG_BLOCKS_KEPT, values + later},
        {"number past the pieces", block(Le({1, 1000})), MSG_MARKS_UNREADABLE, values + block(Le({1, 1000}))},
        {"out of order", block(Le({2, 5, 3})), MSG_MARKS_UNREADABLE, values + block(Le({2, 5, 3}))},
        {"none", block(Le({0})), MSG_MARKS_UNREADABLE, values + block(Le({0}))},
        {"checksum", check, MSG_MARKS_UNREADABLE, values + check},
        {"a byte after it", edits + '\0', MSG_BLOCKS_KEPT, values + edits + '\0'},
        {"before the marks", edits + marks, nullptr, values + marks + edits},
    };
    for (const auto& c : cases) {
        box.shown.clear();
        Write(Path("d.gva"), values + c.tail);
        CGorvantaDoc d;
        ASSERT_EQ(LoadDocumentFile(d, Path("d.gva")).status, LoadStatus::Ok) << c.what;
        ASSERT_EQ(box.shown.size(), c.message ? 1u : 0u) << c.what;
        if (c.message) {
            EXPECT_EQ(box.shown[0].text, c.message) << c.what;
        }
        EXPECT_EQ(Bytes(d), c.bytes) << c.what;
    }
}

// Edit Piece as a document change: values, total and flag follow; a slot change moves a pool piece to the
// end of its new list without its mark; a suit's piece stays, its suit's sums follow, and it may not take
// a slot the suit fills; no change and foreign pieces change nothing and tell no view.
TEST_F(DocFileTest, EditPieceIsOneChangeOfTheDocument) {
    CGorvantaDoc doc;
    AddPool(doc);
    AddTwoSuits(doc);
    CRecordingView view;
    doc.AddView(&view);
    CArmorPiece* ring = doc.m_arrPool[6][0];
    ASSERT_TRUE(SetPieceMark(doc, ring, PieceMark::Pinned));
    view.calls.clear();
    doc.SetModifiedFlag(false);
    const std::string text = ring->m_strText;

    CPieceEdit same = PieceEditOf(*ring);
    EXPECT_EQ(EditPiece(doc, ring, same), EditResult::Unchanged);
    CArmorPiece stranger;
    EXPECT_EQ(EditPiece(doc, &stranger, same), EditResult::NotFound);
    same.slot = 12;
    EXPECT_EQ(EditPiece(doc, ring, same), EditResult::BadSlot);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(ring->m_bEdited);

    CPieceEdit e = PieceEditOf(*ring);
    e.slot = 10;  // bracelets
    e.values[PROP_PHYSICAL] = 4;
    e.values[PROP_COLD] = 6;
    e.values[PROP_MR] = 2;
    e.medable = 0;
    const size_t bracelets = doc.m_arrPool[10].size();
    ASSERT_EQ(EditPiece(doc, ring, e), EditResult::Changed);
    EXPECT_EQ(ring->m_strText, text);
    EXPECT_EQ(ring->m_nType, PIECE_BRACELET);
    EXPECT_EQ(ring->m_strTypeName, "bracelets");
    EXPECT_EQ(ring->m_nTotalResist, 10 + ring->m_nFire + ring->m_nPoison + ring->m_nEnergy);
    EXPECT_EQ(ring->m_nMR, 2);
    EXPECT_EQ(ring->m_bMedable, 0);
    EXPECT_TRUE(ring->m_bEdited);
    EXPECT_EQ(ring->m_nMark, PieceMark::None);
    ASSERT_EQ(doc.m_arrPool[10].size(), bracelets + 1);
    EXPECT_EQ(doc.m_arrPool[10].back(), ring);
    EXPECT_EQ(std::count(doc.m_arrPool[6].begin(), doc.m_arrPool[6].end(), ring), 0);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(view.calls.size(), 1u);
    EXPECT_EQ(view.calls[0].second, HINT_REFRESH);

    CArmorSuit* holt = doc.m_arrSuits[1];
    CArmorPiece* cap = holt->m_arrPieces[0];
    CPieceEdit c = PieceEditOf(*cap);
    c.slot = SlotIndexOf(holt->m_arrPieces[1]->m_nType);  // the suit's ring
    EXPECT_EQ(EditPiece(doc, cap, c), EditResult::SlotTaken);
    EXPECT_EQ(cap->m_nType, PIECE_HEADWEAR);
    c = PieceEditOf(*cap);
    c.values[PROP_LUCK] = 75;
    const int luck = holt->m_nLuck;
    ASSERT_EQ(EditPiece(doc, cap, c), EditResult::Changed);
    EXPECT_EQ(holt->m_nLuck, luck - 40 + 75);
    EXPECT_EQ(holt->m_arrPieces[0], cap);
    EXPECT_EQ(SuitHolding(doc, cap), holt);
    doc.RemoveView(&view);
}

namespace {
// An archive string of fewer than 255 characters.
std::string Str(const std::string& s) { return char(s.size()) + s; }
// A plan block's payload: worn, the targets, each a name and its wishes by store name.
std::string PlanPayload(int64_t worn, const std::vector<std::pair<std::string, std::vector<std::pair<std::string, int64_t>>>>& targets) {
    std::string out = Le({worn, int64_t(targets.size())});
    for (const auto& [name, wishes] : targets) {
        out += Str(name) + Le({int64_t(wishes.size())});
        for (const auto& [wish, value] : wishes) out += Str(wish) + Le({value});
    }
    return out;
}
std::vector<std::pair<std::string, int64_t>> Named(const CWishes& wishes) {
    std::vector<std::pair<std::string, int64_t>> out;
    for (const auto& [name, value] : wishes.Named()) out.emplace_back(name, value);
    return out;
}
std::string PlanBlock(const std::string& payload, int64_t version = 1, uint32_t crcXor = 0) {
    return "GVPL" + Le({version, int64_t(payload.size()) + 4}) + payload + Le({Crc(payload) ^ crcXor});
}
}  // namespace

// The plan follows the marks in a block of its own, written only when the document has one. It reads back
// as it was, wishes by store name: unknown names passed over, absent ones at their defaults. A plan block
// that does not check out is kept, damaged, said once with its own message, and leaves the marks alone.
TEST_F(DocFileTest, PlanRoundTripsInItsBlockAndADamagedOneIsKeptWithItsOwnMessage) {
    CGorvantaDoc doc;
    AddPool(doc);
    AddTwoSuits(doc);
    ASSERT_TRUE(SetPieceMark(doc, doc.m_arrPool[0][1], PieceMark::Excluded));
    const std::string marked = Bytes(doc);
    CPlanTarget mage{"Mage \xE9", {}};
    mage.m_wishes.m_nLMCLimit = 30;
    mage.m_wishes.m_nRankBy = 6;
    doc.m_plan = {{mage, {"Tank", {}}}, true};
    const std::string block = PlanBlock(PlanPayload(1, {{"Mage \xE9", Named(mage.m_wishes)}, {"Tank", Named({})}}));
    ASSERT_TRUE(SaveDocumentFile(doc, Path("p.gva")));
    EXPECT_EQ(Read(Path("p.gva")), marked + block);
    CGorvantaDoc back;
    ASSERT_EQ(LoadDocumentFile(back, Path("p.gva")).status, LoadStatus::Ok);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(back.m_plan, doc.m_plan);
    EXPECT_EQ(back.m_arrPool[0][1]->m_nMark, PieceMark::Excluded);
    doc.m_plan = {};
    EXPECT_EQ(Bytes(doc), marked);

    CWishes healer;
    healer.m_nLMCLimit = 20;
    const CPlan healerPlan{{{"Healer", healer}}, false};
    const std::string healerBlock = PlanBlock(PlanPayload(0, {{"Healer", Named(healer)}}));
    const std::string good = PlanBlock(PlanPayload(0, {{"Healer", {{"Future Wish", 5}, {"lmc limit", 20}}}}));
    const std::string tank = PlanPayload(0, {{"Tank", {}}});
    const std::string damagedMarks = MarkBlock(Le({1, 0, 1, 3}));
    const char* const PLAN = MSG_PLAN_UNREADABLE;
    const struct {
        const char* what;
        std::string tail;
        std::vector<std::string> messages;
        bool read;  // the healer's plan
        bool damaged;
    } cases[] = {
        {"names unknown and absent", good, {}, true, false},
        {"a later version", PlanBlock(tank, 2), {MSG_BLOCKS_KEPT}, false, false},
        {"checksum", PlanBlock(tank, 1, 0x100), {PLAN}, false, true},
        {"cut inside", good.substr(0, good.size() - 3), {PLAN}, false, true},
        {"worn 2", PlanBlock(PlanPayload(2, {{"Tank", {}}})), {PLAN}, false, true},
        {"no targets", PlanBlock(PlanPayload(0, {})), {PLAN}, false, true},
        {"count beyond the targets", PlanBlock(Le({0, 2}) + tank.substr(8)), {PLAN}, false, true},
        {"a byte after the targets", PlanBlock(tank + '\0'), {PLAN}, false, true},
        {"wishes below zero", PlanBlock(Le({0, 1}) + Str("Tank") + Le({-1})), {PLAN}, false, true},
        {"empty name", PlanBlock(PlanPayload(0, {{"", {}}})), {PLAN}, false, true},
        {"untrimmed name", PlanBlock(PlanPayload(0, {{" Tank", {}}})), {PLAN}, false, true},
        {"name repeated", PlanBlock(PlanPayload(0, {{"Tank", {}}, {"tANK", {}}})), {PLAN}, false, true},
        {"plan twice", good + good, {PLAN}, true, true},
        {"marks damaged beside", damagedMarks + good, {MSG_MARKS_UNREADABLE}, true, true},
        {"both damaged", PlanBlock(tank, 1, 1) + damagedMarks, {MSG_MARKS_UNREADABLE, PLAN}, false, true},
    };
    for (const auto& c : cases) {
        box.shown.clear();
        Write(Path("d.gva"), marked + c.tail);
        CGorvantaDoc d;
        ASSERT_EQ(LoadDocumentFile(d, Path("d.gva")).status, LoadStatus::Ok) << c.what;
        std::vector<std::string> shown;
        for (const auto& s : box.shown) shown.push_back(s.text);
        EXPECT_EQ(shown, c.messages) << c.what;
        EXPECT_EQ(d.m_plan, c.read ? healerPlan : CPlan()) << c.what;
        EXPECT_EQ(d.HasDamagedBlock(), c.damaged) << c.what;
        EXPECT_EQ(d.m_arrPool[0][1]->m_nMark, PieceMark::Excluded) << c.what;
        // Nothing is lost by a save: a plan read is written again with every wish it has now, before what
        // is kept, which is everything else.
        std::string kept;
        for (const CKeptBlock& k : d.KeptBlocks()) kept += k.bytes;
        if (!c.read) {
            EXPECT_EQ(kept, c.tail) << c.what;
        }
        EXPECT_EQ(Bytes(d), marked + (c.read ? healerBlock : "") + kept) << c.what;
        d.DropDamagedBlocks();
        EXPECT_FALSE(d.HasDamagedBlock()) << c.what;
    }
}
