// Test helper: the Windows tests include the sample pictures by this path,
// and with them the standard headers this file used to bring.
#pragma once
#include <cmath>
#include <cstring>
#include <vector>

#include "tools/samples/SamplePictures.h"
