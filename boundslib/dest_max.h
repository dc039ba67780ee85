// Transitional: the output family still includes the range rule from here until it moves to
// support/dest_max.h; remove this file then.
#pragma once

#include "support/dest_max.h"

namespace boundslib {
using support::dest_max_in_range;
}  // namespace boundslib
