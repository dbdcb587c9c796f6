#pragma once
// Name tables that decide a piece's slot from its item text; kept in the per-user store.
#include <array>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

// One table per slot type but weapons, indexed by slot k (type 1 << k), k = 0..10.
struct CPieceDefs {
    std::array<std::vector<std::string>, 11> m_arrTables;

    std::vector<std::string>& Table(int k) { return m_arrTables[size_t(k)]; }
    const std::vector<std::string>& Table(int k) const { return m_arrTables[size_t(k)]; }
};

constexpr const char* PIECEDEFS_SECTION = "PieceDefs\\";
// Longest item name the loader accepts (its buffers hold 255 bytes with the terminator).
constexpr size_t PIECEDEF_MAX_CHARS = 254;

// An item name as the tables keep it: without blanks at either end. None for a name that would be blank
// (it would match every text and file every item under its table) or longer than the loader takes.
std::optional<std::string> CleanItemName(std::string_view name);

// Store subkey of slot k ("Headwear", "Neckwear", ...); null for weapons.
const char* PieceDefSubkey(int k);
// The defaults of slot k, in order.
const std::vector<std::string>& PieceDefDefaults(int k);
// Slots in the order the defaults are written and the order the tables are tried when classifying.
extern const std::array<int, 11> kPieceDefWriteOrder;
extern const std::array<int, 11> kClassifyOrder;

// Makes sure every table key exists; fills only the keys this call created.
void WritePieceDefDefaults();
// Replaces the list with the names stored under the subkey.
void LoadPieceDefs(const std::string& subkey, std::vector<std::string>& list);
// The tables that file pasted items. The settings record of the window program, or of a command, registers
// its own; until then (and after null) a set holding the default names is used.
CPieceDefs& ThePieceDefs();
void SetThePieceDefs(CPieceDefs* defs);
