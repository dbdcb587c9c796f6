#pragma once
// Windows-1252, the 8-bit character set of pieces, names and files.
#include <string>
#include <string_view>

// Unicode code point of an 8-bit character (undefined bytes map to themselves, as Windows does).
char32_t Cp1252ToUnicode(unsigned char c);
// 8-bit character for a code point; '?' when the set has none.
char UnicodeToCp1252(char32_t cp);

std::string Utf16ToCp1252(std::u16string_view s);
std::u16string Cp1252ToUtf16(std::string_view s);
std::string Cp1252ToUtf8(std::string_view s);
std::string Utf8ToCp1252(std::string_view s);

// The length of the well-formed UTF-8 sequence that starts s (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0 for none (and for an empty s).
size_t Utf8SequenceLength(std::string_view s);
bool IsUtf8(std::string_view s);

// Lower-cases letters by the rules of the 8-bit set: A-Z and the accented capitals.
std::string LowerCp1252(std::string_view s);
// Compares byte by byte after LowerCp1252, bytes as unsigned: negative, zero or positive.
int CompareNoCaseCp1252(std::string_view a, std::string_view b);
inline bool LessNoCaseCp1252(std::string_view a, std::string_view b) { return CompareNoCaseCp1252(a, b) < 0; }
