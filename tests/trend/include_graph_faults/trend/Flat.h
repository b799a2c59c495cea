#pragma once
// Lies in no folder of trend/.
