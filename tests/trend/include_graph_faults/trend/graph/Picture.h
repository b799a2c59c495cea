#pragma once
#include "trend/model/Rows.h"

#include <QImage>
