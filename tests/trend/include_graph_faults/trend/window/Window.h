#pragma once
#include "trend/model/Rows.h"
