#pragma once
// Turns pasted item text into pieces: cuts it into lines, keeps the item lines, reads their values.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/ArmorPiece.h"

// The paste buffer holds no more than this; text of exactly this length must be confirmed first.
constexpr size_t PASTE_LIMIT = 32767;

constexpr const char* LONG_TEXT_QUESTION =
    "The clipboard data is longer than 32767 characters. Do you wish to truncate the string at 32767 characters "
    "and continue or cancel?";

struct CParsedLine {
    std::string line;
    std::unique_ptr<CArmorPiece> piece;
};

// Asked when the text is exactly PASTE_LIMIT characters long; true means OK (cut and go on).
using ConfirmTruncate = std::function<bool()>;

// `skipped`, when given, receives the lines left out only because their keywords are not in lower case
// ("Physical Resist 10%"), each with the piece it would make, in the order of the text.
std::vector<CParsedLine> ParseItemText(std::string text, const ConfirmTruncate& confirm,
                                       std::vector<CParsedLine>* skipped = nullptr);
// The item lines of a text as it is, of any length: no paste buffer, so nothing is asked and nothing cut.
std::vector<CParsedLine> ParseItemLines(std::string_view text, std::vector<CParsedLine>* skipped = nullptr);

// Whether a line names one of the keywords that make it an item.
bool IsItemLine(const std::string& line);
// A line that is no item, but would be one with its letters lowered.
bool IsSkippedItemLine(const std::string& line);

// What the paste path does before parsing: LF without CR becomes CR LF, then the text is cut to the limit.
std::string PrepareClipboardText(const std::string& raw);
// LF without CR becomes CR LF, the whole text.
std::string ToCrLfLineBreaks(std::string_view raw);

// A text of any length as successive pastes, each one parsed (ParseItemLines) and handed over on its own:
// while the rest is longer than PASTE_LIMIT, the next paste is its longest prefix of at most PASTE_LIMIT
// characters that ends with CR LF; when there is none, the line that crosses the limit is read whole, up to
// and with its CR LF (or to the end). The final rest is the last paste, so a text within the limit is one
// paste. A paste never ends inside a line. Views into `crlf`.
std::vector<std::string_view> SplitIntoPastes(std::string_view crlf);
