#pragma once
// The one settings record: what steers a search and the results list, kept in the per-user store.
#include <array>
#include <cstdint>

#include "model/PieceDefs.h"

constexpr const char* SETTINGS_SECTION = "Settings";
constexpr int SETTINGS_COUNT = 32;
constexpr int COLUMN_COUNT = 16;
constexpr int STORED_COLUMN_COUNT = 13;  // columns 13 to 15 start at 50 at every start

class CSettings {
public:
    CSettings();

    // Reads all settings and the stored column widths (a missing width keeps the current one),
    // then writes the missing name tables' defaults and reloads all eleven tables.
    void LoadSettings();
    // Writes all settings and the 13 stored column widths.
    void SaveSettings() const;

    // The value of setting i (0..31, in declaration order) and its store name.
    int32_t& Value(int i);
    int32_t Value(int i) const { return const_cast<CSettings*>(this)->Value(i); }
    static const char* ValueName(int i);
    static int32_t DefaultValue(int i);
    // Index of the setting stored under the name (compared without regard to case), or -1.
    static int IndexOf(const char* name);
    // Slot switch of slot k (type 1 << k).
    int32_t& UseSlot(int k) { return Value(1 + k); }

    int32_t m_bBypassResistCap;
    int32_t m_bUseHeadWear;
    int32_t m_bUseGorgets;
    int32_t m_bUseArms;
    int32_t m_bUseGloves;
    int32_t m_bUseChestPieces;
    int32_t m_bUseLegs;
    int32_t m_bUseRings;
    int32_t m_bUseRobes;
    int32_t m_bUseCloaks;
    int32_t m_bUseShields;
    int32_t m_bUseBracelets;
    int32_t m_bUseWeapons;
    int32_t m_bDisplayDCI;
    int32_t m_bDisplayHCI;
    int32_t m_bDisplayLMC;
    int32_t m_bDisplayLRC;
    int32_t m_bDisplayLuck;
    int32_t m_bDisplayMR;
    int32_t m_bDisplayHR;
    int32_t m_bDisplaySR;
    int32_t m_bMedableOnly;
    int32_t m_nDCILimit;
    int32_t m_nHCILimit;
    int32_t m_nLMCLimit;
    int32_t m_nLRCLimit;
    int32_t m_nLuckLimit;
    int32_t m_nMRLimit;
    int32_t m_nHRLimit;
    int32_t m_nSRLimit;
    int32_t m_nLowerLimit;
    int32_t m_nSuitLimit;
    std::array<int32_t, COLUMN_COUNT> m_nColumnWidth;

    CPieceDefs m_pieceDefs;
};

// The process-wide record. The window program's main frame registers its own; otherwise a static one is used.
CSettings& TheSettings();
void SetTheSettings(CSettings* settings);

// The copy of the settings one run works with.
class CCalcParam {
public:
    CCalcParam() = default;
    virtual ~CCalcParam() = default;

    // Copies the 23 settings the search needs.
    void FillFrom(const CSettings& s);
    int32_t& UseSlot(int k);
    int32_t UseSlot(int k) const;

    void* m_pView = nullptr;  // the results view that started the run
    int32_t m_bBypassResistCap = 0;
    int32_t m_bUseHeadWear = 0;
    int32_t m_bUseGorgets = 0;
    int32_t m_bUseArms = 0;
    int32_t m_bUseGloves = 0;
    int32_t m_bUseChestPieces = 0;
    int32_t m_bUseLegs = 0;
    int32_t m_bUseRings = 0;
    int32_t m_bUseRobes = 0;
    int32_t m_bUseCloaks = 0;
    int32_t m_bUseShields = 0;
    int32_t m_bUseBracelets = 0;
    int32_t m_bUseWeapons = 0;
    int32_t m_bMedableOnly = 0;
    int32_t m_nDCILimit = 0;
    int32_t m_nHCILimit = 0;
    int32_t m_nLMCLimit = 0;
    int32_t m_nLRCLimit = 0;
    int32_t m_nLuckLimit = 0;
    int32_t m_nMRLimit = 0;
    int32_t m_nHRLimit = 0;
    int32_t m_nSRLimit = 0;
    int32_t m_nSuitLimit = 0;
};
