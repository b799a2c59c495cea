// Trend data file and printing of the Trend Graph window (placeholder until filled in).
#include "trend/Trendgph.h"

void TTrendDspForm::Button6Click() {}
void TTrendDspForm::Button7Click() {}
void TTrendDspForm::Button8Click() {}
