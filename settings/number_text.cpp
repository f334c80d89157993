#include "settings/number_text.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace {

// The text from its first character, or from after a leading '+' (not
// "+" alone, nor "+-"), which from_chars does not take.
const char* withoutPlus(const std::string& text)
{
    const char* first = text.data();
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        ++first;
    return first;
}

}  // namespace

std::optional<int64_t> parseInt64(const std::string& text)
{
    // from_chars takes no blanks and reports overflow.
    const char* first = withoutPlus(text);
    const char* last = text.data() + text.size();
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

std::optional<int> parseInt(const std::string& text)
{
    const auto value = parseInt64(text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<double> parseFiniteDouble(const std::string& text)
{
    const char* first = withoutPlus(text);
    const char* last = text.data() + text.size();
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<int>> parseIntList(const std::string& text, size_t count)
{
    std::vector<int> values;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        const auto value = parseInt(text.substr(start, comma - start));
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (values.size() != count)
        return std::nullopt;
    return values;
}
