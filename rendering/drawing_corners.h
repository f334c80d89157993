#pragma once

// The integer rectangle the drawing uses for a sample or an estimate: a
// box of the target's base size scaled by (scaleX, scaleY) around
// (posX, posY).  W = float(scaleX * baseWidth), X0 = round(posX - 0.5 W)
// with halves to even, X1 = trunc(X0 + W - 1); the same in y.  Corners are
// inclusive and kept within +-2^24 pixels, far outside any image, so that
// a runaway estimate still converts safely (NaN gives 0).
struct DrawingCorners {
    int x0, y0, x1, y1;
};

DrawingCorners drawingCorners(float posX, float posY, float scaleX, float scaleY, float baseWidth,
                              float baseHeight);

// A coordinate truncated toward zero to int within the same +-2^24 range.
int truncateCoordinate(double v);
