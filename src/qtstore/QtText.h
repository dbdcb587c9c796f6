#pragma once
// The one crossing between the 8-bit (Windows-1252) text of pieces, names and files and Qt's strings.
#include <QString>

#include <string>
#include <string_view>

#include "core/model/Cp1252.h"

inline QString ToQt(std::string_view cp1252) { return QString::fromStdU16String(Cp1252ToUtf16(cp1252)); }
// Characters the 8-bit set lacks become '?'.
inline std::string FromQt(const QString& s) { return Utf16ToCp1252(s.toStdU16String()); }
