#pragma once

// Strict number parsers for settings and options given as text: the whole
// text must be the number, within the type's range; a leading '+' is
// accepted as people write it.  Each returns nothing for a malformed or
// out-of-range text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

std::optional<int64_t> parseInt64(const std::string& text);
std::optional<int> parseInt(const std::string& text);
std::optional<double> parseFiniteDouble(const std::string& text);
// `count` integers separated by commas.
std::optional<std::vector<int>> parseIntList(const std::string& text, size_t count);
