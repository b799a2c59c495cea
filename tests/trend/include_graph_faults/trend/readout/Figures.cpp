#include "trend/readout/Figures.h"

// A widget reached through a header of another folder.
#include "base/Look.h"
