#include "trend/window/Keys.h"
#include "trend/window/Window.h"
