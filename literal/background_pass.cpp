#include "appearance/background_pass.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

void literal::runBackgroundPass(const BackgroundPass& p)
{
    const int rows = p.image->rows, cols = p.image->cols;
    const float threshold = p.threshold, rate = p.rate, keep = 1.0f - rate;
    const float* gain = p.gain;
    double sums[3] = {0.0, 0.0, 0.0};
    p.integral->row(0).setTo(0);
    p.unknownIntegral->row(0).setTo(0);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* f = p.image->ptr<uint8_t>(y);
        float* b = p.background->ptr<float>(y);
        uint8_t* known = p.known->ptr<uint8_t>(y);
        const uint8_t* learn = p.learn->ptr<uint8_t>(y);
        uint8_t* moving = p.foreground->ptr<uint8_t>(y);
        const int* movedAbove = p.integral->ptr<int>(y);
        const int* unknownAbove = p.unknownIntegral->ptr<int>(y);
        int* movedHere = p.integral->ptr<int>(y + 1);
        int* unknownHere = p.unknownIntegral->ptr<int>(y + 1);
        movedHere[0] = unknownHere[0] = 0;
        int movedInRow = 0, unknownInRow = 0;
        for (int x = 0; x < cols; ++x, f += 3, b += 3) {
            float difference = 0.0f;
            for (int c = 0; c < 3; ++c) {
                b[c] *= gain[c];
                difference = std::max(difference, std::fabs(static_cast<float>(f[c]) - b[c]));
            }
            const bool isKnown = known[x] != 0;
            const bool moved = isKnown && difference > threshold;
            const bool stillUnknown = p.stillUnknownCounts && !isKnown && difference <= threshold;
            movedInRow += moved || stillUnknown;
            unknownInRow += !isKnown && !stillUnknown;
            movedHere[x + 1] = movedAbove[x + 1] + movedInRow;
            unknownHere[x + 1] = unknownAbove[x + 1] + unknownInRow;
            moving[x] = moved || !isKnown ? 255 : 0;
            if (learn[x]) {
                for (int c = 0; c < 3; ++c)
                    b[c] = isKnown ? static_cast<float>(f[c]) * rate + b[c] * keep : static_cast<float>(f[c]);
                known[x] = 255;
            }
            for (int c = 0; c < 3; ++c)
                sums[c] += b[c];
        }
    }
    for (int c = 0; c < 3; ++c)
        p.sums[c] = sums[c];
}
