#include "trend/window/Keys.h"
