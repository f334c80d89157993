#pragma once

#include <optional>
#include <string>

// The two box types that the demo, the command, its file formats and its
// scoring share: a rectangle by its top-left corner and its size, covering
// [x, x + width) x [y, y + height), in whole pixels or in real numbers.

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

inline bool operator==(const Box& a, const Box& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

struct RealBox {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// "X,Y,W,H", as the command takes a box.
inline std::string boxText(const Box& b)
{
    return std::to_string(b.x) + "," + std::to_string(b.y) + "," + std::to_string(b.width) + "," +
           std::to_string(b.height);
}

// Box coordinates, edges included, lie within +-2^24 pixels: the tracker
// keeps positions as floats, which hold every whole number up to 2^24
// exactly, and the drawing keeps its corners within the same range.
constexpr int kMaxBoxCoordinate = 1 << 24;

// Why a box cannot be tracked: its edges beyond kMaxBoxCoordinate, or an
// area that does not fit the tracker's 32-bit ints.  Nothing for a box
// that can.
std::optional<std::string> boxRangeProblem(const Box& box);

// "X,Y,W,H" with integers, W and H positive, within boxRangeProblem's
// range.  On failure, `why` says what is wrong.
std::optional<Box> parseBox(const std::string& text, std::string& why);
