// import: pasted item text into a document, as the paste command would file it.
#include <QCommandLineParser>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "Commands.h"
#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "core/import/ItemTextParser.h"

namespace {
const CCommandSyntax kSyntax = {"gorvanta-cli import DOC.gva [TEXTFILE]",
                                "Adds pasted item text to a document's pool, as the paste command would.", 1, 2,
                                "import takes one or two files"};
}

int RunImportCommand(const QStringList& args) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DOC.gva"), QStringLiteral("the document, created when missing"));
    parser.addPositionalArgument(QStringLiteral("TEXTFILE"),
                                 QStringLiteral("item text (UTF-8, or else Windows-1252; at most %1); standard "
                                                "input when absent").arg(QLatin1String(TEXT_LIMIT_NAME)));
    const QCommandLineOption force = ForceOption();
    parser.addOption(force);
    if (const auto done = ParseCommandLine(parser, args, kSyntax)) return *done;
    const QStringList pos = parser.positionalArguments();
    const std::string docPath = LocalPath(pos[0]);
    const std::string textPath = pos.size() > 1 ? LocalPath(pos[1]) : std::string();

    // The text is read before the document is locked: standard input may keep everyone else waiting.
    std::string text, error;
    if (!ReadFileBytes(textPath, text, error)) {
        PrintError(error);
        return CLI_EXIT_FILE;
    }
    text = ToCrLfLineBreaks(ItemTextToCp1252(std::move(text)));

    // Held from loading to saving, so that imports running at once each add to what the one before saved.
    CDocFileLock lock;
    if (!lock.Lock(docPath, &error)) {
        PrintError(std::string(MSG_FAILED_TO_SAVE) + " " + error);
        return CLI_EXIT_FILE;
    }
    LoadCommandSettings();
    CGorvantaDoc doc;
    struct stat st;
    if (::stat(docPath.c_str(), &st) == 0 || errno != ENOENT) {
        if (!LoadForCommand(doc, docPath)) return CLI_EXIT_FILE;
        if (!MayWriteDocument(docPath) || !MayReplaceBlocks(doc, docPath, parser.isSet(force))) return CLI_EXIT_FILE;
    } else {
        doc.OnNewDocument();
    }

    // A longer text goes in as successive pastes, each one as the paste command would file it. The whole
    // text is here, so the paste buffer's limit cuts nothing: no paste ends inside a line.
    int added = 0;
    for (const std::string_view paste : SplitIntoPastes(text)) {
        std::vector<CParsedLine> rows = ParseItemLines(paste);
        SortImportRows(rows);
        std::vector<std::unique_ptr<CArmorPiece>> pieces;
        pieces.reserve(rows.size());
        for (CParsedLine& row : rows) pieces.push_back(std::move(row.piece));
        added += AddImportedPieces(doc, std::move(pieces));
    }

    if (!SaveForCommand(doc, docPath)) return CLI_EXIT_FILE;
    ReportKeptBlocks(doc);
    std::printf("Imported %d piece%s.\n", added, added == 1 ? "" : "s");
    return CLI_EXIT_OK;
}
