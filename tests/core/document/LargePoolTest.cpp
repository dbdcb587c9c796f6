#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/document/DocFile.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/Archive.h"

namespace {
std::string Bytes(CGorvantaDoc& doc) {
    std::string out;
    CArchive ar(out);
    doc.Serialize(ar);
    return out;
}
}  // namespace

// A collector's pool: ten thousand pieces spread over every slot survive a save and an open unchanged.
TEST(LargePool, TenThousandPiecesRoundTrip) {
    auto dir = std::filesystem::temp_directory_path() / ("gorvanta-large-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "pool.gva").string();

    CGorvantaDoc doc;
    for (int i = 0; i < 10000; ++i) {
        auto* p = new CArmorPiece;
        int k = i % 12;
        p->m_nType = 1 << k;
        p->m_strText = "piece " + std::to_string(i) + " physical resist " + std::to_string(i % 17) + "% luck " +
                       std::to_string(i % 150) + " ";
        p->m_nPhysical = i % 17;
        p->m_nLuck = i % 150;
        p->m_nTotalResist = p->m_nPhysical;
        doc.m_arrPool[size_t(k)].push_back(p);
    }
    doc.SetModifiedFlag(true);
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(SaveDocumentFile(doc, path));
    auto t1 = std::chrono::steady_clock::now();
    EXPECT_FALSE(doc.IsModified());

    CGorvantaDoc back;
    CLoadOutcome outcome = LoadDocumentFile(back, path);
    auto t2 = std::chrono::steady_clock::now();
    ASSERT_EQ(outcome.status, LoadStatus::Ok) << outcome.message;
    EXPECT_EQ(back.GetPoolCount(), 10000);
    EXPECT_EQ(back.m_arrPool[11].back()->m_strText, doc.m_arrPool[11].back()->m_strText);
    EXPECT_EQ(Bytes(back), Bytes(doc));
    auto size = std::filesystem::file_size(path);
    std::printf("10000 pieces: %llu bytes, save %.1f ms, open %.1f ms\n", (unsigned long long)size,
                std::chrono::duration<double, std::milli>(t1 - t0).count(),
                std::chrono::duration<double, std::milli>(t2 - t1).count());
    std::filesystem::remove_all(dir);
}

// A file whose counts promise far more records than it holds fails as a cut file, at once.
TEST(LargePool, CountsBeyondTheDataFailFast) {
    std::string bytes;
    CArchive ar(bytes);
    ar.WriteInt32(30000);
    for (int k = 0; k < 12; ++k) ar.WriteInt32(k == 3 ? 0x7FFFFFFF : 1);
    ar.WriteInt32(0x7FFFFFFF);
    ar.WriteInt32(0x7FFFFFFF);
    CArmorPiece one;
    for (int k = 0; k < 12; ++k) one.Serialize(ar);
    CGorvantaDoc doc;
    CArchive in{std::string_view(bytes)};
    EXPECT_THROW(doc.Serialize(in), CArchiveEofException);
    // It fails before making a single piece for the hostile counts.
    EXPECT_EQ(doc.GetPoolCount(), 0);
    EXPECT_TRUE(doc.m_arrSuits.empty());
}

namespace {
// Resident memory of this process now, in bytes.
uint64_t ResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
    return 0;
}
}  // namespace

// A 64 MB file whose counts promise 2^31 - 1 four-byte records (in a suit, in the pool, as names) fails at
// once, holding little more than the file's bytes: the promise is checked before anything is made.
TEST(LargePool, HostileCountsCostNoMoreThanTheFile) {
    auto dir = std::filesystem::temp_directory_path() / ("gorvanta-hostile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "hostile.gva").string();
    constexpr uint64_t kFileBytes = 64u << 20;
    for (int where = 0; where < 3; ++where) {
        std::string head;
        CArchive ar(head);
        ar.WriteInt32(30000);
        for (int k = 0; k < 12; ++k) ar.WriteInt32(where == 1 && k == 4 ? 0x7FFFFFFF : 0);
        ar.WriteInt32(where == 0 ? 1 : 0);
        ar.WriteInt32(where == 2 ? 0x7FFFFFFF : 0);
        if (where == 0) {
            ar.WriteInt32(0x7FFFFFFF);
            ar.WriteString("Suit 00001");
            ar.WriteString("Ann");
        }
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << head;
        }
        std::filesystem::resize_file(path, kFileBytes);  // the rest reads as zeros: wrong-marker pieces

        const uint64_t before = ResidentBytes();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CGorvantaDoc doc;
            const CLoadOutcome outcome = LoadDocumentFile(doc, path);
            ::_exit(outcome.status == LoadStatus::UnexpectedFormat ? 0 : 1);
        }
        int status = -1;
        struct rusage usage {};
        ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << where;
        const uint64_t peak = uint64_t(usage.ru_maxrss) * 1024;
        std::printf("hostile count %d: %llu MB file, %llu MB resident before, child peak %llu MB\n", where,
                    (unsigned long long)(kFileBytes >> 20), (unsigned long long)(before >> 20),
                    (unsigned long long)(peak >> 20));
        EXPECT_LT(peak, before + 2 * kFileBytes) << where;
    }
    std::filesystem::remove_all(dir);
}
