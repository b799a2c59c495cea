#pragma once
#include "trend/run/B.h"
