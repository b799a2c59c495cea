// Cursor and value read-out of the Trend Graph window (placeholder until filled in).
#include "trend/Trendgph.h"

void TTrendDspForm::ShowCursorValues() {}
void TTrendDspForm::Image4MouseDown(int) {}
void TTrendDspForm::Button3Click() {}
void TTrendDspForm::Button4Click() {}
void TTrendDspForm::Button5Click() {}
