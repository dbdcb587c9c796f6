#pragma once
// File names as the file system has them. Qt turns bytes that are not UTF-8 (a name such as caf\xe9.gva
// from the command line) into U+FFFD and so reaches another file; here each such byte is kept as the code
// unit U+DC80 to U+DCFF, which no UTF-8 yields, and turned back into the same byte on the way out.
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <climits>
#include <cstdlib>
#include <string_view>

#include "core/model/Cp1252.h"

namespace filenames {
constexpr char16_t KEPT_BYTE = 0xDC00;  // + the byte, 0x80 to 0xFF

// Whether the code unit at i is a kept byte (a low surrogate without its high one).
inline bool IsKeptByte(QStringView s, qsizetype i) {
    const char16_t u = s[i].unicode();
    return u >= KEPT_BYTE + 0x80 && u <= KEPT_BYTE + 0xFF && !(i > 0 && s[i - 1].isHighSurrogate());
}

}  // namespace filenames

inline QString FileNameFromBytes(const QByteArray& bytes) {
    QString out;
    for (qsizetype i = 0; i < bytes.size();) {
        const size_t n = Utf8SequenceLength(std::string_view(bytes.constData() + i, size_t(bytes.size() - i)));
        if (n) {
            out += QString::fromUtf8(bytes.constData() + i, qsizetype(n));
            i += qsizetype(n);
        } else {
            out += QChar(char16_t(filenames::KEPT_BYTE + (unsigned char)bytes[i++]));
        }
    }
    return out;
}

inline QByteArray FileNameBytes(const QString& name) {
    QByteArray out;
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!filenames::IsKeptByte(name, i)) continue;
        out += QStringView(name).mid(from, i - from).toUtf8();
        out += char(name[i].unicode() - filenames::KEPT_BYTE);
        from = i + 1;
    }
    return out + QStringView(name).mid(from).toUtf8();
}

// For titles and messages: a kept byte shows as U+FFFD.
inline QString FileNameForDisplay(QString name) {
    for (qsizetype i = 0; i < name.size(); ++i)
        if (filenames::IsKeptByte(name, i)) name[i] = QChar::ReplacementCharacter;
    return name;
}

// The program's arguments after its name, each file name as its bytes were given.
inline QStringList FileArguments(int argc, const char* const* argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << FileNameFromBytes(QByteArray(argv[i]));
    return args;
}

// The name made absolute against the current folder and cleaned, as a string: QFileInfo takes it through
// the file system's encoding and loses the kept bytes.
inline QString AbsoluteFileName(const QString& name) {
    return QDir::cleanPath(name.startsWith(QLatin1Char('/')) ? name : QDir::currentPath() + QLatin1Char('/') + name);
}

// The last component of the name.
inline QString BaseFileName(const QString& name) { return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1); }

// The file's path with every link resolved, or empty when it does not exist.
inline QString CanonicalFileName(const QString& name) {
    char resolved[PATH_MAX];
    if (!::realpath(FileNameBytes(name).constData(), resolved)) return QString();
    return FileNameFromBytes(QByteArray(resolved));
}
