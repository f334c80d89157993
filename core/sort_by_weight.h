#pragma once

#include "core/sample.h"

#include <cstddef>

// Sorts a[0 .. total-1] by descending weight with a non-recursive three-way
// quicksort.  Not stable: the order it leaves for equal weights decides
// which samples resampling copies.  `aux` is ignored.
void sortByWeight(Sample** a, size_t total, int aux);
