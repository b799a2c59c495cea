// A recording's picture: takes the palette, but not the rest of the graph.
#include "trend/graph/Picture.h"
#include "trend/graph/TracePalette.h"
#include "trend/model/Rows.h"

