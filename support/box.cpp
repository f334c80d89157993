#include "support/box.h"

#include "settings/number_text.h"

#include <climits>
#include <cstdint>
#include <vector>

std::optional<std::string> boxRangeProblem(const Box& b)
{
    const auto outside = [](int64_t v) { return v < -kMaxBoxCoordinate || v > kMaxBoxCoordinate; };
    if (outside(b.x) || outside(b.y) || outside(int64_t{b.x} + b.width) || outside(int64_t{b.y} + b.height))
        return "the rectangle reaches beyond " + std::to_string(kMaxBoxCoordinate) +
               " pixels from column 0 or row 0, the largest coordinate the tracker keeps exactly";
    // The tracker keeps a rectangle's area in a 32-bit int.
    if (int64_t{b.width} * b.height > INT32_MAX)
        return std::string("the rectangle is too large");
    return std::nullopt;
}

std::optional<Box> parseBox(const std::string& text, std::string& why)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 4) {
        why = "expected four integers X,Y,W,H";
        return std::nullopt;
    }
    int v[4];
    static const char* const names[4] = {"X", "Y", "W", "H"};
    for (int i = 0; i < 4; ++i) {
        const auto value = parseInt(parts[i]);
        if (!value) {
            why = std::string(names[i]) + " is not an integer: '" + parts[i] + "'";
            return std::nullopt;
        }
        v[i] = *value;
    }
    if (v[2] <= 0 || v[3] <= 0) {
        why = "width and height must be positive";
        return std::nullopt;
    }
    const Box box{v[0], v[1], v[2], v[3]};
    if (const auto problem = boxRangeProblem(box)) {
        why = *problem;
        return std::nullopt;
    }
    return box;
}
