#include "AppState.h"

namespace {
CSettings* g_pSettings = nullptr;

CSettings& Fallback() {
    static CSettings fallback;
    return fallback;
}
}  // namespace

CCalcState& TheCalcState() {
    static CCalcState state;
    return state;
}

CSettings& TheSettings() {
    if (g_pSettings) return *g_pSettings;
    // The record's tables are the ones in force, whichever record is in use.
    static const bool registered = (SetThePieceDefs(&Fallback().m_pieceDefs), true);
    (void)registered;
    return Fallback();
}

void SetTheSettings(CSettings* settings) {
    g_pSettings = settings;
    SetThePieceDefs(&TheSettings().m_pieceDefs);
}
