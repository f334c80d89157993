#pragma once

#include "core/sample.h"

#include <cstdint>

// Fills table[0 .. mask] so that a uniform index picks one of the n samples
// in proportion to its weight: entry e refers to the first sample whose
// running weight sum exceeds e * (total / mask).  Entries beyond the last
// sample (left when the sum stops short through rounding) refer to the
// first sample.
void fillSamplingTable(Sample** table, int32_t mask, Sample* samples, int n);
