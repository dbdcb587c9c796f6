#include "ItemNames.h"

#include <cstdio>

#include "core/model/ProfileStore.h"

const std::array<int, SLOT_COUNT>& SlotChoiceOrder() {
    static const std::array<int, SLOT_COUNT> order = [] {
        std::array<int, SLOT_COUNT> o{};
        for (size_t i = 0; i < kClassifyOrder.size(); ++i) o[i] = kClassifyOrder[i];
        o[SLOT_COUNT - 1] = SLOT_COUNT - 1;
        return o;
    }();
    return order;
}

std::vector<std::string> StorableNames(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& n : names)
        if (!n.empty()) out.push_back(n.substr(0, PIECEDEF_MAX_CHARS));
    return out;
}

bool SavePieceDefs(const CPieceDefs& defs) {
    IProfileStore& store = TheProfileStore();
    for (int k : kPieceDefWriteOrder) {
        const std::string section = std::string(PIECEDEFS_SECTION) + PieceDefSubkey(k);
        const std::vector<std::string> names = StorableNames(defs.Table(k));
        bool created = false;
        // Values the player added by hand under other names would otherwise stay beside the new ones.
        if (store.OpenKey(section) && !store.DeleteKey(section)) return false;
        if (!store.CreateKey(section, created)) return false;
        const int digits = names.size() >= 100 ? int(std::to_string(names.size()).size()) : 2;
        for (size_t i = 0; i < names.size(); ++i) {
            char valueName[24];
            std::snprintf(valueName, sizeof valueName, "%0*d", digits, int(i + 1));
            if (!store.WriteString(section, valueName, names[i])) return false;
        }
    }
    return true;
}

void LoadPieceDefTables(CPieceDefs& defs) {
    WritePieceDefDefaults();
    for (int k : kPieceDefWriteOrder) LoadPieceDefs(PieceDefSubkey(k), defs.Table(k));
}
