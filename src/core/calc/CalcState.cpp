#include "CalcState.h"

CCalcState& TheCalcState() {
    static CCalcState state;
    return state;
}
