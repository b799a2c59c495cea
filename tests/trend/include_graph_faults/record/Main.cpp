// The recorder: takes the run model and the read-out, but not the run.
#include "trend/model/Rows.h"
#include "trend/readout/Figures.h"
#include "trend/run/A.h"
