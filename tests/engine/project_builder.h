// The project builder moved to the test support; the frame benchmarks still
// include it by this name.
#pragma once

#include "support/project_builder.h"
