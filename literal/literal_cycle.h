#pragma once

// The tracker's steps as first written: one straightforward loop each, no
// memo, no compact table, one thread.  Tests and benchmarks compare the
// tracker against them; the programs never use them.

#include "core/hue_histogram.h"
#include "core/tavo.h"

#include <opencv2/core/types_c.h>

namespace literal {

// HueHistogram::accumulate: one 1.0f added per counted byte.
bool accumulate(HueHistogram& h, const CvMat* plane, int x, int y, int width, int height);
// Target::measure: every bin filled, normalised and compared.
float measure(Target& t, CvRect rect, const CvMat* plane);
// tavo::measureSamples(n): every sample of the selected window measured,
// through the target's appearance model when it has one.
void measureSamples(tavo& tracker, int n);

// tavo::runJointStage with every full sampling table filled
// (literal/sampling_table.h), and tavo::jointMove drawing from them.
void runJointStage(tavo& tracker, int iterations);
void jointMove(tavo& tracker, int iterations);

// outlineRect: the image resolved again for every outline.
void outlineRect(CvArr* image, int x0, int y0, int x1, int y1, CvScalar colour);

// tavo::track and tavo::draw made of the steps above.
int track(tavo& tracker);
void draw(tavo& tracker, CvMat* image);

}  // namespace literal
