#include <QCommandLineParser>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Commands.h"
#include "core/calc/IntField.h"
#include "core/calc/Settings.h"
#include "core/document/DocFile.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/Cp1252.h"
#include "qtstore/FileNames.h"

namespace {
// The length of the well-formed UTF-8 sequence at the start of `s` (no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0.
}  // namespace

QStringList ArgumentsFromArgv(int argc, const char* const* argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args.push_back(FileNameFromBytes(QByteArray(argv[i])));
    return args;
}

std::string LocalPath(const QString& arg) { return FileNameBytes(arg).toStdString(); }

std::string ItemTextToCp1252(std::string bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (ascii || !IsUtf8(bytes)) return bytes;
    std::string_view utf8(bytes);
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
    return Utf8ToCp1252(utf8);
}

void PrintError(const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

int UsageError(const CCommandSyntax& syntax, const QString& why) {
    std::string text;
    if (!why.isEmpty()) text += "gorvanta-cli: " + LocalPath(why) + "\n";
    text += std::string("usage: ") + syntax.usage + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    return CLI_EXIT_USAGE;
}

std::optional<int> CSearchOptions::Read(const QCommandLineParser& parser, const CCommandSyntax& syntax) {
    const QString f = parser.value(format);
    if (f != QLatin1String("tsv") && f != QLatin1String("json"))
        return UsageError(syntax, QStringLiteral("unknown format \"%1\"; use tsv or json").arg(f));
    json = f == QLatin1String("json");
    const std::optional<int32_t> n = ParseInt32Field(parser.value(threads).toStdString());
    if (!n || *n < 0 || *n > CLI_MAX_THREADS)
        return UsageError(syntax, QStringLiteral("--threads takes a whole number from 0 (all cores) to %1").arg(CLI_MAX_THREADS));
    threadCount = *n;
    return std::nullopt;
}

std::optional<CSettingOverride> ParseSetOption(const QString& item, QString& why) {
    const std::string text = item.toStdString();
    const size_t eq = text.find('=');
    if (eq == std::string::npos) {
        why = QStringLiteral("--set \"%1\": expected NAME=VALUE").arg(item);
        return std::nullopt;
    }
    const int index = CSettings::IndexOf(std::string_view(text).substr(0, eq));
    if (index < 0) {
        why = QStringLiteral("--set \"%1\": unknown setting").arg(item);
        return std::nullopt;
    }
    const std::optional<int32_t> value = ParseInt32Field(std::string_view(text).substr(eq + 1));
    if (!value) {
        why = QStringLiteral("--set \"%1\": the value is not a 32-bit integer").arg(item);
        return std::nullopt;
    }
    return CSettingOverride{index, *value};
}

std::optional<int> ParseCommandLine(QCommandLineParser& parser, const QStringList& args, const CCommandSyntax& syntax) {
    // Not addHelpOption(): it would also accept --help-all, which no command has.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help."));
    parser.addOption(help);
    parser.setApplicationDescription(QString::fromUtf8(syntax.about));
    // The first argument stands for the program's name, which the parser skips.
    if (!parser.parse(QStringList{QString()} + args)) return UsageError(syntax, parser.errorText());
    if (parser.isSet(help)) {
        // The parser's own first line names the program by its path and knows nothing of commands.
        const QString text = parser.helpText();
        return WriteOutput(std::string("usage: ") + syntax.usage + text.mid(text.indexOf(u'\n')).toStdString());
    }
    const qsizetype files = parser.positionalArguments().size();
    if (files < syntax.minFiles || files > syntax.maxFiles)
        return UsageError(syntax, QString::fromUtf8(syntax.countError));
    return std::nullopt;
}

int OutputStatus(bool written) {
    if (written) return CLI_EXIT_OK;
    PrintError("gorvanta-cli: cannot write to standard output");
    return CLI_EXIT_FILE;
}

int WriteOutput(const std::string& bytes) {
    return OutputStatus(std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0);
}

bool ReadFileBytes(const std::string& path, std::string& out, std::string& error) {
    const bool useStdin = path.empty();
    const std::string name = useStdin ? std::string("standard input") : path;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    const int fd = useStdin ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot open " + name + ": " + std::strerror(errno) + ".";
        return false;
    }
    struct stat st {};
    if (!useStdin) {
        if (::fstat(fd, &st) != 0)
            error = "Cannot read " + name + ": " + std::strerror(errno) + ".";
        else if (S_ISDIR(st.st_mode))
            error = "Cannot read " + name + ": " + std::strerror(EISDIR) + ".";
        else if (!S_ISREG(st.st_mode))
            error = "Cannot read " + name + ": not a regular file.";
        else if (uint64_t(st.st_size) > TEXT_LIMIT)
            error = "Cannot read " + name + ": the text is larger than " + TEXT_LIMIT_NAME + ".";
        if (!error.empty()) {
            ::close(fd);
            return false;
        }
    }
    // One byte beyond the limit tells a text that is too long (a file may grow, standard input may not end).
    // Reserved up front, so that growing never holds two copies; untouched pages cost nothing.
    out.reserve(useStdin ? TEXT_LIMIT + 1 : size_t(st.st_size));
    char buf[65536];
    for (;;) {
        const size_t want = std::min(sizeof buf, TEXT_LIMIT + 1 - out.size());
        const ssize_t n = want ? ::read(fd, buf, want) : 0;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "Cannot read " + name + ": " + std::strerror(errno) + ".";
            break;
        }
        if (n == 0) break;
        out.append(buf, size_t(n));
    }
    if (error.empty() && out.size() > TEXT_LIMIT)
        error = "Cannot read " + name + ": the text is larger than " + TEXT_LIMIT_NAME + ".";
    if (!useStdin) ::close(fd);
    if (!error.empty()) out.clear();
    return error.empty();
}

QCommandLineOption ForceOption() {
    return QCommandLineOption(QStringLiteral("force"),
                              QStringLiteral("save even over exclude and pin marks or a plan that cannot be read, "
                                             "which are then replaced by what the document has now"));
}

bool MayWriteDocument(const std::string& path) {
    // A file that is not there yet is created; one that is there must be writable by us, as the window
    // program requires before it saves over it.
    if (!IsReadOnlyFile(path)) return true;
    PrintError(MSG_DOC_READ_ONLY);
    return false;
}

bool MayReplaceBlocks(CGorvantaDoc& doc, const std::string& path, bool force) {
    if (!doc.HasDamagedBlock()) return true;
    // What the damaged blocks held, as the user knows it.
    const bool marks = doc.HasDamagedMarksBlock(), plan = doc.HasDamagedPlanBlock();
    const std::string what = marks && plan ? "exclude and pin marks and plan" : plan ? "stored plan" : "exclude and pin marks";
    if (!force) {
        PrintError("gorvanta-cli: " + path + " is left unchanged: its " + what + " cannot be read, and saving would "
                   "replace " + (marks ? "them" : "it") + ". --force saves anyway.");
        return false;
    }
    doc.DropDamagedBlocks();
    PrintError("gorvanta-cli: warning: the " + what + " that could not be read " +
               (marks ? "are" : "is") + " replaced.");
    return true;
}

void ReportKeptBlocks(const CGorvantaDoc& doc) {
    const size_t n = doc.KeptBlocks().size();
    if (n == 0) return;
    PrintError("gorvanta-cli: warning: " + std::to_string(n) + (n == 1 ? " block" : " blocks") +
               " this version cannot read kept unchanged.");
}

bool SaveForCommand(CGorvantaDoc& doc, const std::string& path) {
    std::string error;
    if (SaveDocumentFile(doc, path, &error, true)) return true;
    PrintError(std::string(MSG_FAILED_TO_SAVE) + " " + error);
    return false;
}

bool LoadForCommand(CGorvantaDoc& doc, const std::string& path) {
    const CLoadOutcome outcome = LoadDocumentFile(doc, path);
    if (outcome.status == LoadStatus::Ok) return true;
    // "Archive format not recognized." has already gone through the message box.
    if (!outcome.message.empty()) PrintError(outcome.message);
    return false;
}

CSettings& LoadCommandSettings() {
    static CSettings settings;
    settings.LoadSettings();
    SetThePieceDefs(&settings.m_pieceDefs);
    return settings;
}
