#include "trend/window/Window.h"
#include "trend/window/Keys.h"
