#include "PieceDefs.h"

#include <cstdio>

#include "ArmorPiece.h"
#include "Cp1252.h"
#include "ProfileStore.h"

namespace {
CPieceDefs* g_pPieceDefs = nullptr;
}  // namespace

CPieceDefs& ThePieceDefs() {
    static CPieceDefs fallback = [] {
        CPieceDefs defs;
        for (int k = 0; k < 11; ++k) defs.Table(k) = PieceDefDefaults(k);
        return defs;
    }();
    return g_pPieceDefs ? *g_pPieceDefs : fallback;
}

void SetThePieceDefs(CPieceDefs* defs) { g_pPieceDefs = defs; }

namespace {
const char* const kSubkeys[11] = {"Headwear", "Neckwear", "Arms",    "Gloves",    "Chest", "Legs",
                                  "Rings",    "Robes",    "Cloaks",  "Shields",   "Bracelets"};
}  // namespace

const std::array<int, 11> kPieceDefWriteOrder = {0, 1, 2, 3, 5, 4, 6, 10, 7, 8, 9};
const std::array<int, 11> kClassifyOrder = {0, 1, 2, 3, 5, 4, 6, 7, 8, 9, 10};

std::optional<std::string> CleanItemName(std::string_view name) {
    constexpr std::string_view blanks = " \t\r\n\v\f";
    const size_t first = name.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::nullopt;
    name = name.substr(first, name.find_last_not_of(blanks) - first + 1);
    if (name.size() > PIECEDEF_MAX_CHARS) return std::nullopt;
    return std::string(name);
}

const char* PieceDefSubkey(int k) { return (k >= 0 && k < 11) ? kSubkeys[k] : nullptr; }

const std::vector<std::string>& PieceDefDefaults(int k) {
    static const std::array<std::vector<std::string>, 11> defaults = {{
        {"coif", "helm", "bascinet", "skullcap", "bonnet", "garland", "bandana", "mask", "hat", "cap", "hatsuburi",
         "jingasa", "kabuto", "ninja hood"},
        {"gorget", "necklace", "mempo"},
        {"sleeves", "arms", "hiro sode"},
        {"gloves", "ninja mitts"},
        {"tunic", "platemail", "breastplate", "armor", "bustier", "ninja jacket", "leather do", "studded do"},
        {"leggings", "shorts", "skirt", "legs", "suneate", "ninja pants", "haidate"},
        {"ring"},
        {"robe"},
        {"cloak"},
        {"shield", "buckler"},
        {"bracelet"},
    }};
    return defaults[size_t(k)];
}

void WritePieceDefDefaults() {
    IProfileStore& store = TheProfileStore();
    for (int k : kPieceDefWriteOrder) {
        std::string section = std::string(PIECEDEFS_SECTION) + kSubkeys[k];
        bool created = false;
        if (!store.CreateKey(section, created) || !created) continue;
        const auto& names = PieceDefDefaults(k);
        bool written = true;
        for (size_t i = 0; i < names.size() && written; ++i) {
            char valueName[16];
            std::snprintf(valueName, sizeof valueName, "%02d", int(i + 1));
            written = store.WriteString(section, valueName, names[i]);
        }
        // A key this call made but could not fill would read as a table the player emptied: take it back,
        // so the table falls back to its defaults and the next start tries again.
        if (!written) store.DeleteKey(section);
    }
}

void LoadPieceDefs(const std::string& subkey, std::vector<std::string>& list) {
    if (subkey.empty()) return;
    list.clear();
    std::vector<std::pair<std::string, std::string>> values;
    if (!TheProfileStore().EnumValues("PieceDefs\\" + subkey, values)) {
        // A store that can be neither written nor read leaves the defaults in force, as for every setting.
        for (int k = 0; k < 11; ++k)
            if (CompareNoCaseCp1252(subkey, kSubkeys[k]) == 0) list = PieceDefDefaults(k);
        return;
    }
    // A value that does not make a name is left out alone: the others still load.
    for (const auto& [name, data] : values) {
        if (name.size() > PIECEDEF_MAX_CHARS) continue;
        if (std::optional<std::string> clean = CleanItemName(data)) list.push_back(std::move(*clean));
    }
}
