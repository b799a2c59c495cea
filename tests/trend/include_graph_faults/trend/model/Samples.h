#pragma once
// A model file that draws: it includes the graph.
#include "trend/graph/Picture.h"
#include "trend/model/Rows.h"
