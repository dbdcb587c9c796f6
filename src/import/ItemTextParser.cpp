#include "ItemTextParser.h"

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

std::vector<CParsedLine> ParseItemText(std::string text, const ConfirmTruncate& confirm) {
    std::vector<CParsedLine> result;
    if (text.empty()) return result;
    if (text.size() == PASTE_LIMIT) {
        if (!confirm || !confirm()) return result;
        text[PASTE_LIMIT - 2] = '\r';
        text[PASTE_LIMIT - 1] = '\n';
    }
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\r', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (IsItemLine(line)) {
            auto piece = std::make_unique<CArmorPiece>();
            piece->ParseText(line);
            result.push_back(CParsedLine{std::move(line), std::move(piece)});
        }
        size_t lf = text.find('\n', end);
        if (lf == std::string::npos || lf + 1 >= text.size()) break;
        start = lf + 1;
    }
    return result;
}

std::string PrepareClipboardText(const std::string& raw) {
    std::string out;
    out.reserve(raw.size() + raw.size() / 16);
    for (size_t i = 0; i < raw.size() && out.size() < PASTE_LIMIT; ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) out += '\r';
        out += raw[i];
    }
    if (out.size() > PASTE_LIMIT) out.resize(PASTE_LIMIT);
    return out;
}
