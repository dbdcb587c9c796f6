// A hostile per-user store: name tables and settings of any shape, then a load, imports and a save. The
// load may find the store refusing writes, new keys, or values after a few: every table whose key is then
// missing is at its defaults, and no key the load made is left without all of its defaults.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/calc/Settings.h"
#include "core/import/ItemTextParser.h"
#include "core/model/PieceDefs.h"
#include "core/model/ProfileStore.h"

namespace {
struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    std::string Str() {
        size_t len = Byte();
        if (len == 255) len = size_t(Byte()) * 4;  // long names exercise the 254-character limit
        std::string s;
        while (len-- && n) s += char(Byte());
        return s;
    }
    int32_t Int() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return int32_t(v);
    }
};
// Lets `budget` value writes through, then refuses them (a negative budget: all).
class CBudgetStore : public CMemoryProfileStore {
public:
    int budget = -1;
    bool WriteString(const std::string& section, const std::string& name, const std::string& value) override {
        if (budget == 0) return false;
        if (budget > 0) --budget;
        return CMemoryProfileStore::WriteString(section, name, value);
    }
};

const char* const kSections[] = {"Settings", "PieceDefs\\Headwear", "PieceDefs\\Neckwear", "PieceDefs\\Arms",
                                 "PieceDefs\\Gloves", "PieceDefs\\Legs", "PieceDefs\\Chest", "PieceDefs\\Rings",
                                 "PieceDefs\\Bracelets", "PieceDefs\\Robes", "PieceDefs\\Cloaks", "PieceDefs\\Shields"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBudgetStore store;
    // The last byte also says how the store fails during the first load.
    const uint8_t mode = size ? data[size - 1] : 0;
    Reader r{data, size};
    while (r.n) {
        uint8_t op = r.Byte();
        std::string section = kSections[op % 12];
        switch ((op >> 4) % 4) {
            case 0: {
                bool created;
                store.CreateKey(section, created);
                break;
            }
            case 1: {
                int idx = r.Byte() % (SETTINGS_COUNT + 14);
                std::string name = idx < SETTINGS_COUNT ? CSettings::ValueName(idx) : "Column" + std::to_string(idx - SETTINGS_COUNT);
                store.WriteInt("Settings", name, r.Int());
                break;
            }
            case 2: {
                std::string name = r.Str();
                store.WriteString(section, name, r.Str());
                break;
            }
            default:
                store.WriteString(section, r.Str(), std::string());
                break;
        }
    }
    SetProfileStore(&store);
    bool existed[11];
    for (int k = 0; k < 11; ++k) existed[k] = store.OpenKey(std::string(PIECEDEFS_SECTION) + PieceDefSubkey(k));
    store.failWrites = mode & 1;
    store.failCreate = mode & 2;
    if (mode & 4) store.budget = mode >> 3;
    CSettings settings;
    SetThePieceDefs(&settings.m_pieceDefs);
    settings.LoadSettings();
    store.failWrites = store.failCreate = false;
    store.budget = -1;
    for (int k = 0; k < 11; ++k) {
        const std::string section = std::string(PIECEDEFS_SECTION) + PieceDefSubkey(k);
        if (!store.OpenKey(section)) {
            if (settings.m_pieceDefs.Table(k) != PieceDefDefaults(k)) __builtin_trap();
        } else if (!existed[k]) {
            std::vector<std::pair<std::string, std::string>> values;
            store.EnumValues(section, values);
            if (values.size() != PieceDefDefaults(k).size()) __builtin_trap();
        }
    }
    auto pieces = ParseItemText("plate helm fire resist 5%\r\nGold Ring luck 40 \r\nleather tunic cold resist 3%\r\n",
                                [] { return true; });
    for (auto& p : pieces)
        if (p.piece->m_nType == 0 || (p.piece->m_nType & (p.piece->m_nType - 1))) __builtin_trap();
    settings.SaveSettings();
    CSettings reread;
    SetThePieceDefs(&reread.m_pieceDefs);
    reread.LoadSettings();
    for (int i = 0; i < SETTINGS_COUNT; ++i)
        if (reread.Value(i) != settings.Value(i)) __builtin_trap();
    SetThePieceDefs(nullptr);
    SetProfileStore(nullptr);
    return 0;
}
