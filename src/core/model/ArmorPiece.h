#pragma once
// One item the player owns: its line of item text, slot type, resists and bonus properties.
#include <cstdint>
#include <string>

class CArchive;

// Property index shared by pieces, suits, search limits and result columns. 9 is a hole.
enum {
    PROP_PHYSICAL = 0,
    PROP_FIRE = 1,
    PROP_COLD = 2,
    PROP_POISON = 3,
    PROP_ENERGY = 4,
    PROP_LUCK = 5,
    PROP_LMC = 6,
    PROP_LRC = 7,
    PROP_MR = 8,
    PROP_NONE = 9,
    PROP_DCI = 10,
    PROP_HCI = 11,
    PROP_HR = 12,
    PROP_SR = 13,
    PROP_COUNT = 14
};

// Slot types: single bits; pool list k holds type 1 << k.
enum {
    PIECE_HEADWEAR = 1,
    PIECE_GORGET = 2,
    PIECE_ARMS = 4,
    PIECE_GLOVES = 8,
    PIECE_CHEST = 16,
    PIECE_LEGS = 32,
    PIECE_RING = 64,
    PIECE_ROBE = 128,
    PIECE_CLOAK = 256,
    PIECE_SHIELD = 512,
    PIECE_BRACELET = 1024,
    PIECE_WEAPON = 2048
};
constexpr int SLOT_COUNT = 12;

// Type name of slot k ("head wear", "gorgets", ...).
const char* SlotTypeName(int k);
// Slot index k for a single-bit type, or -1 for any other value.
int SlotIndexOf(int32_t type);

// Keyword and value form of a property (null keyword for 9 and out-of-range indices).
const char* PropertyKeyword(int index);
bool PropertyIsPercent(int index);

// A player's mark on a pool piece: left out of searches, or taken by every suit in its slot. A piece
// carries at most one; pieces in suits carry none.
enum class PieceMark : uint8_t { None = 0, Excluded = 1, Pinned = 2 };

// The record marker that begins every stored piece.
constexpr int32_t PIECE_RECORD_MARKER = 30000;

class CArmorPiece {
public:
    CArmorPiece() = default;
    virtual ~CArmorPiece() = default;

    int ParseText(const std::string& line);
    int FindValue(int index) const;
    int GetProperty(int index) const;
    // Sets one of the thirteen values; 9 and out-of-range indices change nothing.
    void SetProperty(int index, int32_t value);
    int CalcTotalResist() const;
    std::string GetText() const { return m_strText; }
    std::string GetTypeName() const { return m_strTypeName; }
    static std::string FormatValue(int value);

    void Classify();
    int IsMedable() const;

    virtual void Serialize(CArchive& ar);

    int32_t m_nType = 0;
    int32_t m_nPhysical = 0;
    int32_t m_nFire = 0;
    int32_t m_nCold = 0;
    int32_t m_nPoison = 0;
    int32_t m_nEnergy = 0;
    int32_t m_nTotalResist = 0;
    int32_t m_nLuck = 0;
    int32_t m_nLMC = 0;
    int32_t m_nLRC = 0;
    int32_t m_nMR = 0;
    int32_t m_nSR = 0;
    int32_t m_nHR = 0;
    int32_t m_nDCI = 0;
    int32_t m_nHCI = 0;
    int32_t m_bMedable = 0;
    std::string m_strText;
    std::string m_strTypeName;
    // Not in the piece's record: the document stores the marks of its pool in a block of their own.
    PieceMark m_nMark = PieceMark::None;
    // The player corrected the values read from the text (the text stays as imported). Also not in the
    // record: the document keeps it in a block of its own.
    bool m_bEdited = false;

private:
    int32_t* Field(int index);
};
