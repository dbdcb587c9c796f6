// mark: excludes a pool piece from searches, pins it, or clears its mark, and saves the document.
#include <QCommandLineParser>

#include <cstdio>
#include <optional>
#include <string>

#include "Commands.h"
#include "core/calc/IntField.h"
#include "core/document/Assignment.h"
#include "core/document/DocFile.h"

namespace {
const CCommandSyntax kSyntax = {"gorvanta-cli mark DOC.gva K:I excluded|pinned|none",
                                "Excludes a pool piece from searches, pins it (every suit found takes it in its "
                                "slot) or clears its mark, and saves the document.",
                                3, 3, "mark takes a document, a piece and a mark"};

struct CMarkName {
    const char* name;  // on the command line
    const char* done;  // in the report
    PieceMark mark;
};
const CMarkName kMarks[] = {{"excluded", "excluded", PieceMark::Excluded},
                            {"pinned", "pinned", PieceMark::Pinned},
                            {"none", "unmarked", PieceMark::None}};

struct CPosition {
    int32_t list, index;
};

// "K:I", K a pool list and I an index from 0; the numbers as dump and calc count them.
std::optional<CPosition> ParsePosition(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const auto k = ParseInt32Field(std::string_view(text).substr(0, colon));
    const auto i = ParseInt32Field(std::string_view(text).substr(colon + 1));
    if (!k || !i || *k < 0 || *k >= SLOT_COUNT || *i < 0) return std::nullopt;
    return CPosition{*k, *i};
}

std::string Where(int32_t k, size_t i) { return std::to_string(k) + ":" + std::to_string(i); }
}  // namespace

int RunMarkCommand(const QStringList& args) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DOC.gva"), QStringLiteral("the document, which must exist"));
    parser.addPositionalArgument(QStringLiteral("K:I"),
                                 QStringLiteral("the piece: index I (from 0) in pool list K (0 head wear to 11 "
                                                "weapons), as dump lists them"));
    parser.addPositionalArgument(QStringLiteral("MARK"),
                                 QStringLiteral("excluded (left out of searches), pinned (taken by every suit; "
                                                "moves the pin of its list) or none"));
    const QCommandLineOption force = ForceOption();
    parser.addOption(force);
    if (const auto done = ParseCommandLine(parser, args, kSyntax)) return *done;
    const QStringList pos = parser.positionalArguments();
    const std::string docPath = LocalPath(pos[0]);
    const std::optional<CPosition> at = ParsePosition(LocalPath(pos[1]));
    if (!at)
        return UsageError(kSyntax, QStringLiteral("\"%1\": expected K:I, pool list K from 0 to 11 and index I from 0")
                                       .arg(pos[1]));
    const CMarkName* mark = nullptr;
    for (const CMarkName& m : kMarks)
        if (pos[2] == QLatin1String(m.name)) mark = &m;
    if (!mark) return UsageError(kSyntax, QStringLiteral("unknown mark \"%1\"; use excluded, pinned or none").arg(pos[2]));

    // Held from loading to saving, as import holds it, so that no other change is lost.
    std::string error;
    CDocFileLock lock;
    if (!lock.Lock(docPath, &error)) {
        PrintError(std::string(MSG_FAILED_TO_SAVE) + " " + error);
        return CLI_EXIT_FILE;
    }
    LoadCommandSettings();
    CGorvantaDoc doc;
    if (!LoadForCommand(doc, docPath)) return CLI_EXIT_FILE;
    if (!MayWriteDocument(docPath) || !MayReplaceBlocks(doc, docPath, parser.isSet(force))) return CLI_EXIT_FILE;
    const PoolList& list = doc.m_arrPool[size_t(at->list)];
    if (size_t(at->index) >= list.size())
        return UsageError(kSyntax, QString::fromStdString("no piece at " + Where(at->list, size_t(at->index)) +
                                                          ": pool list " + std::to_string(at->list) + " holds " +
                                                          std::to_string(list.size()) +
                                                          (list.size() == 1 ? " piece" : " pieces")));
    CArmorPiece* piece = list[size_t(at->index)];
    const std::string where = Where(at->list, size_t(at->index));
    if (piece->m_nMark == mark->mark) {
        std::printf("Piece %s is already %s.\n", where.c_str(), mark->done);
        return CLI_EXIT_OK;
    }
    // The pin this one takes over, to say so.
    std::string moved;
    if (mark->mark == PieceMark::Pinned)
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i]->m_nMark == PieceMark::Pinned) moved = Where(at->list, i);

    SetPieceMark(doc, piece, mark->mark);
    if (!SaveForCommand(doc, docPath)) return CLI_EXIT_FILE;
    ReportKeptBlocks(doc);
    if (moved.empty())
        std::printf("Piece %s %s.\n", where.c_str(), mark->done);
    else
        std::printf("Piece %s pinned; piece %s is no longer pinned.\n", where.c_str(), moved.c_str());
    return CLI_EXIT_OK;
}
