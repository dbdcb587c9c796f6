#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "calc/Settings.h"
#include "import/ItemTextParser.h"
#include "model/PieceDefs.h"

namespace {
class Parser : public ::testing::Test {
protected:
    void SetUp() override {
        for (int k = 0; k < 11; ++k) TheSettings().m_pieceDefs.Table(k) = PieceDefDefaults(k);
    }
    std::vector<CParsedLine> Parse(const std::string& text, bool answer = true) {
        asked = 0;
        return ParseItemText(text, [&] {
            ++asked;
            return answer;
        });
    }
    std::vector<std::string> Lines(const std::vector<CParsedLine>& r) {
        std::vector<std::string> out;
        for (auto& p : r) {
            EXPECT_EQ(p.piece->m_strText, p.line);
            out.push_back(p.line);
        }
        return out;
    }
    // The shared sample paste (CR LF line breaks), or empty when it is not beside this checkout.
    static std::string Sample() {
        const char* dir = std::getenv("GORVANTA_SAMPLES");
        if (!dir) return {};
        std::ifstream f(std::string(dir) + "/item-paste.txt", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        EXPECT_FALSE(ss.str().empty()) << "the sample cannot be read";
        return ss.str();
    }
    int asked = 0;
};
}  // namespace

TEST_F(Parser, CuttingIntoLines) {
    EXPECT_TRUE(Parse("").empty());
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Lines(Parse("A\r\nB fire resist 1%\r\n")), (std::vector<std::string>{"B fire resist 1%"}));
    EXPECT_TRUE(Parse("A\rB fire resist 1%").empty());  // no LF after the CR: the pass ends after A
    EXPECT_EQ(Lines(Parse("x luck 1 \r\n\r\ny luck 2 \r\nz luck 3 ")),
              (std::vector<std::string>{"x luck 1 ", "y luck 2 ", "z luck 3 "}));
    // Text after the last CR is dropped when no LF follows it.
    EXPECT_EQ(Lines(Parse("x luck 1 \r\ny luck 2 \rtail luck 3 ")), (std::vector<std::string>{"x luck 1 ", "y luck 2 "}));
    // A CR LF at the very end ends the pass; a LF inside a line stays part of it.
    auto lf = Parse("first resist 5%\nsecond resist 7%");
    ASSERT_EQ(lf.size(), 1u);
    EXPECT_EQ(lf[0].line, "first resist 5%\nsecond resist 7%");
    EXPECT_EQ(lf[0].piece->m_nTotalResist, 0);
}

TEST_F(Parser, WhichLinesAreItems) {
    EXPECT_TRUE(Parse("ring Luck 40 \r\n").empty());
    auto rare = Parse("artifact rarity 3\r\n");
    ASSERT_EQ(rare.size(), 1u);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(rare[0].piece->GetProperty(i), 0);
    EXPECT_EQ(Parse("sword hitpoint increase 5\r\n").size(), 1u);
    EXPECT_TRUE(Parse("sword hit chance increase 5%\r\n").empty());
    EXPECT_TRUE(Parse("sword hit point regeneration 2 stamina regeneration 3 \r\n").empty());
    EXPECT_TRUE(IsItemLine("irresistible"));
    EXPECT_FALSE(IsItemLine("Physical Resist 5%"));
}

TEST_F(Parser, ExactlyTheLimitAsksFirst) {
    std::string line = "ring fire resist 5%\r\n";
    std::string text;
    while (text.size() + line.size() <= PASTE_LIMIT) text += line;
    text += std::string(PASTE_LIMIT - text.size(), 'x');
    ASSERT_EQ(text.size(), PASTE_LIMIT);
    size_t full = (PASTE_LIMIT / line.size());
    EXPECT_TRUE(Parse(text, false).empty());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Parse(text, true).size(), full);
    EXPECT_EQ(asked, 1);

    // The last two characters become CR LF, so a partial last item still forms a line ending at 32765.
    std::string partial = std::string(PASTE_LIMIT - 31, 'a') + "\r\nring luck 7 cold resist 9%xyz";
    ASSERT_EQ(partial.size(), PASTE_LIMIT);
    auto r = Parse(partial, true);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].line, "ring luck 7 cold resist 9%x");
    EXPECT_EQ(r[0].piece->m_nCold, 9);

    std::string shorter = partial.substr(1);
    Parse(shorter, true);
    EXPECT_EQ(asked, 0);
}

TEST_F(Parser, ClipboardPreparation) {
    EXPECT_EQ(PrepareClipboardText("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
    std::string longText(40000, 'q');
    EXPECT_EQ(PrepareClipboardText(longText).size(), PASTE_LIMIT);
    std::string lfs(PASTE_LIMIT, '\n');
    std::string prepared = PrepareClipboardText(lfs);
    EXPECT_EQ(prepared.size(), PASTE_LIMIT);
    EXPECT_EQ(prepared.substr(0, 4), "\r\n\r\n");
    EXPECT_EQ(ToCrLfLineBreaks(lfs).size(), 2 * PASTE_LIMIT);
    EXPECT_EQ(ToCrLfLineBreaks("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

TEST_F(Parser, LongTextSplitsIntoPastesAtTheLastLineBreakThatFits) {
    const size_t L = PASTE_LIMIT;
    const std::string a(L, 'a'), twenty(20000, 'a');
    // Each: the text and the lengths of its pastes.
    const struct {
        std::string text;
        std::vector<size_t> lengths;
    } cases[] = {
        {"", {0}},
        {a, {L}},
        {a + "x", {L, 1}},                                   // no line break: the first L characters
        {a.substr(2) + "\r\nb", {L, 1}},                     // a break that ends exactly at the limit
        {a.substr(1) + "\r\n", {L, 1}},                      // CR inside, LF outside: not a break that fits
        {"x\r\n" + a, {3, L}},                               // the last break that fits may be the first
        {twenty + "\r\n" + twenty + "\r\n" + twenty + "\r\n", {20002, 20002, 20002}},
    };
    for (const auto& c : cases) {
        std::vector<size_t> lengths;
        std::string joined;
        for (std::string_view paste : SplitIntoPastes(c.text)) {
            lengths.push_back(paste.size());
            joined += paste;
        }
        EXPECT_EQ(lengths, c.lengths) << c.text.size();
        EXPECT_EQ(joined, c.text);
    }

    // The sample five times over (about 56 000 characters, LF alone) gives every item of every copy, in order.
    const std::string sample = Sample();
    if (sample.empty()) GTEST_SKIP() << "samples folder not given";
    std::string lf, five;
    for (char ch : sample)
        if (ch != '\r') lf += ch;
    for (int n = 0; n < 5; ++n) five += lf;
    const std::string text = ToCrLfLineBreaks(five);
    ASSERT_EQ(text.size(), 5 * sample.size());
    std::vector<std::string> expected, got;
    for (int n = 0; n < 5; ++n)
        for (const auto& row : Parse(sample)) expected.push_back(row.line);
    const auto pastes = SplitIntoPastes(text);
    EXPECT_EQ(pastes.size(), 2u);
    for (std::string_view paste : pastes) {
        for (const auto& row : Parse(std::string(paste))) got.push_back(row.line);
        EXPECT_EQ(asked, 0);
    }
    EXPECT_EQ(got.size(), 430u);
    EXPECT_EQ(got, expected);
}

TEST_F(Parser, SamplePasteGivesEveryItem) {
    const std::string sample = Sample();
    if (sample.empty()) GTEST_SKIP() << "samples folder not given";
    auto r = Parse(sample);
    EXPECT_EQ(r.size(), 86u);
    int typed = 0;
    for (auto& p : r) typed |= p.piece->m_nType;
    EXPECT_TRUE(typed & PIECE_HEADWEAR);
    EXPECT_TRUE(typed & PIECE_RING);
    EXPECT_TRUE(typed & PIECE_WEAPON);
}

TEST_F(Parser, WallOfRealisticTextIsCutAndParsed) {
    const std::string sample = Sample();
    if (sample.empty()) GTEST_SKIP() << "samples folder not given";
    // The clipboard here carries LF alone; repeat the paste well past the buffer's size.
    std::string lf;
    for (char c : sample)
        if (c != '\r') lf += c;
    std::string wall;
    while (wall.size() < 3 * PASTE_LIMIT) wall += lf;
    std::string text = PrepareClipboardText(wall);
    ASSERT_EQ(text.size(), PASTE_LIMIT);
    auto r = Parse(text, true);
    EXPECT_EQ(asked, 1);
    ASSERT_GT(r.size(), 86u * 2);
    // Every piece is a whole sample line, except that the last may be the cut-off start of one.
    for (size_t i = 0; i < r.size(); ++i) {
        size_t at = sample.find(r[i].line);
        ASSERT_NE(at, std::string::npos) << r[i].line;
        if (i + 1 < r.size()) EXPECT_EQ(sample.compare(at + r[i].line.size(), 2, "\r\n"), 0) << r[i].line;
    }
    EXPECT_TRUE(Parse(text, false).empty());
}
