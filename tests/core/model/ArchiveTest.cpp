#include <gtest/gtest.h>

#include "core/model/Archive.h"
#include "core/model/Cp1252.h"

namespace {
std::string Encode(const std::string& s) {
    std::string out;
    CArchive ar(out);
    ar.WriteString(s);
    return out;
}
std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += char(c);
    return s;
}
}  // namespace

TEST(Archive, Int32IsLittleEndianTwosComplement) {
    std::string out;
    CArchive ar(out);
    ar.WriteInt32(30000);
    ar.WriteInt32(-2);
    EXPECT_EQ(out, Bytes({0x30, 0x75, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
    CArchive in{std::string_view(out)};
    EXPECT_EQ(in.ReadInt32(), 30000);
    EXPECT_EQ(in.ReadInt32(), -2);
}

TEST(Archive, StringLengthForms) {
    EXPECT_EQ(Encode(""), Bytes({0}));
    EXPECT_EQ(Encode(std::string(254, 'a')).substr(0, 1), Bytes({0xFE}));
    EXPECT_EQ(Encode(std::string(254, 'a')).size(), 255u);
    EXPECT_EQ(Encode(std::string(255, 'a')).substr(0, 3), Bytes({0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Encode(std::string(300, 'a')).substr(0, 3), Bytes({0xFF, 0x2C, 0x01}));
    EXPECT_EQ(Encode(std::string(65533, 'a')).substr(0, 3), Bytes({0xFF, 0xFD, 0xFF}));
    // 65534 would collide with the wide marker, so it takes the 32-bit form.
    std::string big = Encode(std::string(65534, 'a'));
    EXPECT_EQ(big.substr(0, 7), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}));
    EXPECT_EQ(big.size(), 7u + 65534u);

    for (size_t n : {0u, 1u, 254u, 255u, 300u, 65533u, 65534u, 70000u}) {
        std::string s(n, 'x');
        if (n) s[n - 1] = char(0xE9);
        std::string enc = Encode(s);
        CArchive in{std::string_view(enc)};
        EXPECT_EQ(in.ReadString(), s) << n;
        EXPECT_EQ(in.Remaining(), 0u) << n;
    }
}

TEST(Archive, WideStringBecomesWindows1252) {
    // FF FE FF marks UTF-16; then the length 3; then "é€" and a CJK character outside the set.
    std::string in = Bytes({0xFF, 0xFE, 0xFF, 3, 0xE9, 0x00, 0xAC, 0x20, 0x2D, 0x4E, 'z'});
    CArchive ar{std::string_view(in)};
    EXPECT_EQ(ar.ReadString(), Bytes({0xE9, 0x80, '?'}));
    EXPECT_EQ(ar.ReadByte(), 'z');
}

TEST(Archive, ShortInputFailsWithoutAllocatingThePromise) {
    // A 7-byte prefix claiming 4 GB, and shorter claims, all end in the end-of-file error.
    for (std::string in : {Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), Bytes({5, 'a', 'b'}),
                           Bytes({0xFF, 0x2C}), Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
                           Bytes({0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b'}), std::string()}) {
        CArchive ar{std::string_view(in)};
        EXPECT_THROW(ar.ReadString(), CArchiveEofException);
    }
    std::string three = Bytes({1, 2, 3});
    CArchive ar{std::string_view(three)};
    EXPECT_THROW(ar.ReadInt32(), CArchiveEofException);
}

// A count is checked against what is left, its records at their smallest, before anything is made for it.
TEST(Archive, CountsAreCheckedAgainstTheBytesLeft) {
    const std::string ten(10, '\0');
    const struct {
        int32_t count;
        uint64_t minRecord, after;
        int outcome;  // 0 fits, 1 end of file, 2 below zero
    } cases[] = {
        {0, 4, 0, 0},          {2, 4, 2, 0},         {2, 4, 3, 1},         {3, 4, 0, 1},
        {10, 1, 0, 0},         {11, 1, 0, 1},        {0, 4, 11, 1},        {INT32_MAX, 4, 0, 1},
        {INT32_MAX, 0, 10, 0}, {-1, 4, 0, 2},        {INT32_MIN, 0, 0, 2}, {1, UINT64_MAX, 0, 1},
    };
    for (const auto& c : cases) {
        CArchive ar{std::string_view(ten)};
        if (c.outcome == 0)
            EXPECT_NO_THROW(ar.CheckCount(c.count, c.minRecord, c.after)) << c.count;
        else if (c.outcome == 1)
            EXPECT_THROW(ar.CheckCount(c.count, c.minRecord, c.after), CArchiveEofException) << c.count;
        else
            EXPECT_THROW(ar.CheckCount(c.count, c.minRecord, c.after), CArchiveBadCountException) << c.count;
    }
    // Peeking reads without moving on, and fails like reading.
    const std::string bytes = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 7});
    CArchive ar{std::string_view(bytes)};
    EXPECT_EQ(ar.PeekInt32(), -1);
    EXPECT_EQ(ar.Remaining(), 5u);
    EXPECT_EQ(ar.ReadInt32(), -1);
    EXPECT_THROW(ar.PeekInt32(), CArchiveEofException);
    EXPECT_EQ(ar.ReadByte(), 7);
}

TEST(Cp1252, ConversionsRoundTrip) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += char(c);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");
    EXPECT_EQ(LowerCp1252("Gold RING \xC9"), "gold ring \xE9");
}

// Case is ignored by the 8-bit set's rules; bytes above 0x7F sort after the letters.
TEST(Cp1252, CompareNoCase) {
    EXPECT_EQ(CompareNoCaseCp1252("Gold RING \xC9", "gold ring \xE9"), 0);
    EXPECT_LT(CompareNoCaseCp1252("abc", "ABD"), 0);
    EXPECT_GT(CompareNoCaseCp1252("ABD", "abc"), 0);
    EXPECT_LT(CompareNoCaseCp1252("ab", "AB c"), 0);
    EXPECT_LT(CompareNoCaseCp1252("zebra", "\xC9" "clat"), 0);
    EXPECT_TRUE(LessNoCaseCp1252("\x8A", "\xFF"));  // S caron lowers to 0x9A
    EXPECT_FALSE(LessNoCaseCp1252("ABC", "abc"));
}
