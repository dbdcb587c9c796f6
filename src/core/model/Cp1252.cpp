#include "Cp1252.h"

namespace {
// 0x80..0x9F; 0 marks a byte with no assignment.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

char32_t Cp1252ToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] != 0) return kHigh[c - 0x80];
    return c;
}

char UnicodeToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == cp) return char(0x80 + i);
    if (cp >= 0x80 && cp < 0xA0 && kHigh[cp - 0x80] == 0) return char(cp);  // unassigned bytes round-trip
    return '?';
}

std::string Utf16ToCp1252(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            ++i;  // a surrogate pair is one character outside the set
            cp = 0x10000;
        }
        out += UnicodeToCp1252(cp);
    }
    return out;
}

std::u16string Cp1252ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (unsigned char c : s) out += char16_t(Cp1252ToUnicode(c));
    return out;
}

std::string Cp1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        char32_t cp = Cp1252ToUnicode(c);
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        char32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { out += '?'; ++i; continue; }
        if (i + len > s.size()) { out += '?'; break; }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            unsigned char d = s[i + k];
            if ((d & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!ok) { out += '?'; ++i; continue; }
        out += UnicodeToCp1252(cp);
        i += len;
    }
    return out;
}

std::string LowerCp1252(std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
        unsigned char c = ch;
        if (c >= 'A' && c <= 'Z') ch = char(c + 32);
        else if (c == 0x8A || c == 0x8C || c == 0x8E) ch = char(c + 16);  // S caron, OE, Z caron
        else if (c == 0x9F) ch = char(0xFF);                              // Y diaeresis
        else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) ch = char(c + 32);
    }
    return out;
}

int CompareNoCaseCp1252(std::string_view a, std::string_view b) {
    return LowerCp1252(a).compare(LowerCp1252(b));  // char_traits<char> compares bytes as unsigned
}

size_t Utf8SequenceLength(std::string_view s) {
    const auto at = [&](size_t i) { return i < s.size() ? (unsigned char)s[i] : 0u; };
    const auto cont = [&](size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) { return at(i) >= lo && at(i) <= hi; };
    const unsigned c = at(0);
    if (c < 0x80) return s.empty() ? 0 : 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const bool second = c == 0xE0 ? cont(1, 0xA0) : c == 0xED ? cont(1, 0x80, 0x9F) : cont(1);
        return second && cont(2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const bool second = c == 0xF0 ? cont(1, 0x90) : c == 0xF4 ? cont(1, 0x80, 0x8F) : cont(1);
        return second && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

bool IsUtf8(std::string_view s) {
    for (size_t n; !s.empty(); s.remove_prefix(n))
        if ((n = Utf8SequenceLength(s)) == 0) return false;
    return true;
}
