#include <QCommandLineParser>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "Commands.h"
#include "document/DocFile.h"

std::string LocalPath(const QString& arg) { return QFile::encodeName(arg).toStdString(); }

void PrintError(const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

int UsageError(const CCommandSyntax& syntax, const QString& why) {
    std::string text;
    if (!why.isEmpty()) text += "gorvanta-cli: " + why.toStdString() + "\n";
    text += std::string("usage: ") + syntax.usage + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    return CLI_EXIT_USAGE;
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

int WriteOutput(const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        PrintError("gorvanta-cli: cannot write to standard output");
        return CLI_EXIT_FILE;
    }
    return CLI_EXIT_OK;
}

bool ReadFileBytes(const std::string& path, std::string& out, std::string& error) {
    const bool useStdin = path.empty();
    const int fd = useStdin ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const std::string name = useStdin ? std::string("standard input") : path;
    if (fd < 0) {
        error = "Cannot open " + name + ": " + std::strerror(errno) + ".";
        return false;
    }
    char buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "Cannot read " + name + ": " + std::strerror(errno) + ".";
            ok = false;
            break;
        }
        if (n == 0) break;
        out.append(buf, size_t(n));
    }
    if (!useStdin) ::close(fd);
    return ok;
}

bool LoadForCommand(CGorvantaDoc& doc, const std::string& path) {
    const CLoadOutcome outcome = LoadDocumentFile(doc, path);
    if (outcome.status == LoadStatus::Ok) return true;
    // "Archive format not recognized." has already gone through the message box.
    if (!outcome.message.empty()) PrintError(outcome.message);
    return false;
}
