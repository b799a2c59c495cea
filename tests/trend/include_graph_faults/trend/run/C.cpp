#include "trend/run/C.h"

// Around through B back to A.
#include "trend/run/A.h"
