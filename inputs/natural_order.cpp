#include "inputs/natural_order.h"

#include <cctype>

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The digit run of `s` from `at` without its leading zeros; `at` moves past it.
std::string digitRun(const std::string& s, size_t& at)
{
    while (at < s.size() && s[at] == '0' && at + 1 < s.size() && isDigit(s[at + 1]))
        ++at;
    const size_t begin = at;
    while (at < s.size() && isDigit(s[at]))
        ++at;
    return s.substr(begin, at - begin);
}

// <0, 0 or >0 as `a` comes before, with or after `b` in natural order.
int naturalCompare(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::string x = digitRun(a, i), y = digitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y))
                return c;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

}  // namespace

bool naturalLess(const std::string& a, const std::string& b)
{
    const int c = naturalCompare(a, b);
    return c != 0 ? c < 0 : a < b;
}
