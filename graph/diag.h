#pragma once

// The diagnostic lines moved to diag/; this name stays only while code being changed
// elsewhere (the solvers, the tests) still includes it.
#include "diag/diag.h"
