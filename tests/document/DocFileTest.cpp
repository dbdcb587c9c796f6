#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "DocTestSupport.h"
#include "document/DocFile.h"
#include "model/MessageBox.h"

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

TEST_F(DocFileTest, ZeroLengthFileIsAnEmptyDocumentWithoutMessage) {
    Write(Path("zero.gva"), "");
    CGorvantaDoc doc;
    const CLoadOutcome outcome = LoadDocumentFile(doc, Path("zero.gva"));
    EXPECT_EQ(outcome.status, LoadStatus::Ok);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPoolCount(), 0);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(DocFileTest, WrongMagicOpensEmptyAndNotModifiedAfterTheMessage) {
    Write(Path("other.gva"), "PK\x03\x04 some other file");
    CGorvantaDoc doc;
    const CLoadOutcome outcome = LoadDocumentFile(doc, Path("other.gva"));
    EXPECT_EQ(outcome.status, LoadStatus::NotRecognized);
    EXPECT_TRUE(outcome.message.empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPoolCount(), 0);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Archive format not recognized.");
}

TEST_F(DocFileTest, CutFileFailsWithUnexpectedFormatAndFreesWhatWasRead) {
    CGorvantaDoc doc;
    for (int i = 0; i < 5; ++i) AddPoolPiece(doc, "legs, poison resist 6%", PIECE_LEGS, i);
    const std::string full = Bytes(doc);
    Write(Path("cut.gva"), full.substr(0, full.size() - 30));
    CGorvantaDoc back;
    const CLoadOutcome outcome = LoadDocumentFile(back, Path("cut.gva"));
    EXPECT_EQ(outcome.status, LoadStatus::UnexpectedFormat);
    EXPECT_EQ(outcome.message, "Unexpected file format.");
    EXPECT_EQ(back.GetPoolCount(), 0);
    // A file shorter than the magic is cut too, not unrecognised.
    Write(Path("short.gva"), "\x30\x75");
    CGorvantaDoc tiny;
    EXPECT_EQ(LoadDocumentFile(tiny, Path("short.gva")).status, LoadStatus::UnexpectedFormat);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(DocFileTest, FilesThatCannotBeOpenedSayWhy) {
    CGorvantaDoc doc;
    CLoadOutcome missing = LoadDocumentFile(doc, Path("missing.gva"));
    EXPECT_EQ(missing.status, LoadStatus::CannotOpen);
    EXPECT_NE(missing.message.find("missing.gva"), std::string::npos);
    EXPECT_NE(missing.message.find(std::strerror(ENOENT)), std::string::npos);
    fs::create_directory(dir / "folder.gva");
    CLoadOutcome folder = LoadDocumentFile(doc, Path("folder.gva"));
    EXPECT_EQ(folder.status, LoadStatus::CannotOpen);
    EXPECT_NE(folder.message.find(std::strerror(EISDIR)), std::string::npos);
}

TEST_F(DocFileTest, SaveIntoAFolderThatDoesNotExistFailsAndKeepsTheDocumentModified) {
    CGorvantaDoc doc;
    doc.SetModifiedFlag(true);
    std::string error;
    EXPECT_FALSE(SaveDocumentFile(doc, Path("no/such/folder/a.gva"), &error));
    EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(FilesInDir(), 0u);
}

TEST_F(DocFileTest, SaveIntoAReadOnlyFolderLeavesTheOldFile) {
    CGorvantaDoc doc;
    std::string oldBytes;
    PrepareOldFileAndNewDoc(doc, oldBytes);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir.c_str(), W_OK) == 0) {
        // Root writes anywhere; the write-failure cases below cover the same path through the hooks.
        fs::permissions(dir, fs::perms::owner_all);
        GTEST_SKIP() << "running with the right to write into read-only folders";
    }
    std::string error;
    EXPECT_FALSE(SaveDocumentFile(doc, Path("a.gva"), &error));
    fs::permissions(dir, fs::perms::owner_all);
    ExpectSaveFailureLeftNoTrace(doc, oldBytes, error);
}

TEST_F(DocFileTest, WriteFailingPartWayLeavesTheOldFileByteIdentical) {
    CGorvantaDoc doc;
    std::string oldBytes;
    PrepareOldFileAndNewDoc(doc, oldBytes);
    const size_t newSize = Bytes(doc).size();
    for (size_t limit : {size_t(0), size_t(1), size_t(59), newSize / 2, newSize - 1}) {
        CSaveHooks hooks;
        hooks.write = FailingWriteAfter(limit);
        CSaveHooksScope scope(hooks);
        std::string error;
        EXPECT_FALSE(SaveDocumentFile(doc, Path("a.gva"), &error)) << limit;
        EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
        ExpectSaveFailureLeftNoTrace(doc, oldBytes, error);
    }
    // With room for everything the same hook lets the save through.
    CSaveHooks hooks;
    hooks.write = FailingWriteAfter(newSize);
    CSaveHooksScope scope(hooks);
    EXPECT_TRUE(SaveDocumentFile(doc, Path("a.gva")));
    EXPECT_EQ(Read(Path("a.gva")), Bytes(doc));
}

TEST_F(DocFileTest, FlushOrReplaceFailingLeavesTheOldFile) {
    CGorvantaDoc doc;
    std::string oldBytes;
    PrepareOldFileAndNewDoc(doc, oldBytes);
    {
        CSaveHooks hooks;
        hooks.fsync = [](int) { errno = EIO; return -1; };
        CSaveHooksScope scope(hooks);
        std::string error;
        EXPECT_FALSE(SaveDocumentFile(doc, Path("a.gva"), &error));
        ExpectSaveFailureLeftNoTrace(doc, oldBytes, error);
    }
    {
        CSaveHooks hooks;
        hooks.rename = [](const char*, const char*) { errno = EXDEV; return -1; };
        CSaveHooksScope scope(hooks);
        std::string error;
        EXPECT_FALSE(SaveDocumentFile(doc, Path("a.gva"), &error));
        ExpectSaveFailureLeftNoTrace(doc, oldBytes, error);
    }
}

TEST_F(DocFileTest, SaveKeepsPermissionsAndSavesThroughALink) {
    CGorvantaDoc doc;
    ASSERT_TRUE(SaveDocumentFile(doc, Path("a.gva")));
    ASSERT_EQ(::chmod(Path("a.gva").c_str(), 0640), 0);
    AddPoolPiece(doc, "shield, physical resist 8%", PIECE_SHIELD);
    ASSERT_TRUE(SaveDocumentFile(doc, Path("a.gva")));
    struct stat st;
    ASSERT_EQ(::stat(Path("a.gva").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    fs::create_symlink("a.gva", dir / "link.gva");
    AddPoolPiece(doc, "shield, physical resist 9%", PIECE_SHIELD);
    ASSERT_TRUE(SaveDocumentFile(doc, Path("link.gva")));
    EXPECT_TRUE(fs::is_symlink(dir / "link.gva"));
    EXPECT_EQ(Read(Path("a.gva")), Bytes(doc));
}
