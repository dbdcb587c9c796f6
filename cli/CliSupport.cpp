#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "Commands.h"
#include "model/Cp1252.h"
#include "document/DocFile.h"

std::string LocalPath(const QString& arg) { return QFile::encodeName(arg).toStdString(); }

void PrintError(const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

int UsageError(const char* usage, const QString& why) {
    std::string text;
    if (!why.isEmpty()) text += "gorvanta-cli: " + why.toStdString() + "\n";
    text += std::string("usage: ") + usage + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    return CLI_EXIT_USAGE;
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

void AppendJsonString(std::string& out, const std::string& cp1252) {
    static const char* const kHex = "0123456789abcdef";
    out += '"';
    for (unsigned char c : Cp1252ToUtf8(cp1252)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += char(c);
                }
        }
    }
    out += '"';
}
