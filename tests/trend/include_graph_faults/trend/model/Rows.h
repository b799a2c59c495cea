#pragma once
// The lowest folder: included from above, includes nothing of trend/.
#include <vector>
