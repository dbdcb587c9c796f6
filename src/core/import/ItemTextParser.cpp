#include "ItemTextParser.h"

#include <algorithm>

#include "core/model/Cp1252.h"

namespace {
const char* const kItemKeywords[] = {"resist", "lower mana cost", "lower reagent cost", "luck",
                                     "defense chance increase", "mana regeneration", "hitpoint increase",
                                     "artifact rarity"};
}  // namespace

bool IsItemLine(const std::string& line) {
    for (const char* k : kItemKeywords)
        if (line.find(k) != std::string::npos) return true;
    return false;
}

bool IsSkippedItemLine(const std::string& line) { return !IsItemLine(line) && IsItemLine(LowerCp1252(line)); }

std::vector<CParsedLine> ParseItemText(std::string text, const ConfirmTruncate& confirm,
                                       std::vector<CParsedLine>* skipped) {
    if (text.size() == PASTE_LIMIT) {
        if (!confirm || !confirm()) return {};
        text[PASTE_LIMIT - 2] = '\r';
        text[PASTE_LIMIT - 1] = '\n';
    }
    return ParseItemLines(text, skipped);
}

std::vector<CParsedLine> ParseItemLines(std::string_view text, std::vector<CParsedLine>* skipped) {
    std::vector<CParsedLine> result;
    if (text.empty()) return result;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\r', start);
        if (end == std::string::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        if (IsItemLine(line)) {
            auto piece = std::make_unique<CArmorPiece>();
            piece->ParseText(line);
            result.push_back(CParsedLine{std::move(line), std::move(piece)});
        } else if (skipped && IsSkippedItemLine(line)) {
            auto piece = std::make_unique<CArmorPiece>();
            piece->ParseText(line);
            skipped->push_back(CParsedLine{std::move(line), std::move(piece)});
        }
        size_t lf = text.find('\n', end);
        if (lf == std::string::npos || lf + 1 >= text.size()) break;
        start = lf + 1;
    }
    return result;
}

namespace {
// LF without CR becomes CR LF until `limit` characters are out; the text is cut there.
std::string ConvertLineBreaks(std::string_view raw, size_t limit) {
    std::string out;
    out.reserve(std::min(limit, raw.size() + raw.size() / 16));
    for (size_t i = 0; i < raw.size() && out.size() < limit; ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) out += '\r';
        out += raw[i];
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}
}  // namespace

std::string PrepareClipboardText(const std::string& raw) { return ConvertLineBreaks(raw, PASTE_LIMIT); }

std::string ToCrLfLineBreaks(std::string_view raw) { return ConvertLineBreaks(raw, std::string::npos); }

std::vector<std::string_view> SplitIntoPastes(std::string_view crlf) {
    std::vector<std::string_view> pastes;
    while (crlf.size() > PASTE_LIMIT) {
        const size_t lastBreak = crlf.substr(0, PASTE_LIMIT).rfind("\r\n");
        // A line longer than a paste is never cut: it is a paste of its own, to its end.
        const size_t next = crlf.find("\r\n", PASTE_LIMIT - 1);
        const size_t length = lastBreak != std::string_view::npos ? lastBreak + 2
                              : next == std::string_view::npos  ? crlf.size()
                                                                 : next + 2;
        pastes.push_back(crlf.substr(0, length));
        crlf.remove_prefix(length);
    }
    if (pastes.empty() || !crlf.empty()) pastes.push_back(crlf);
    return pastes;
}
