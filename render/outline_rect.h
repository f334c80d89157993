#pragma once

#include <opencv2/core/types_c.h>

// Outlines the rectangle with corners (x0, y0) and (x1, y1), inclusive and
// in either order, one pixel wide, by direct writes into an 8-bit
// three-channel image.  Only the colour's non-zero bytes are written.  A
// rectangle not wholly inside the image is not drawn at all.
void outlineRect(CvArr* image, int x0, int y0, int x1, int y1, CvScalar colour);
