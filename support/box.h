#pragma once

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
