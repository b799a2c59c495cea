#pragma once
#include "trend/run/C.h"
