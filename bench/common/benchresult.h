#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// Prints one checked figure of a benchmark as a single tab-separated line that
// scripts/bench collects into its closing table. `measured` and `peer` are
// short texts such as "412.0 ms"; `value` is compared with `limit` (a ratio, or
// an absolute figure when there is no peer), and `unit` is appended to both
// ("x" for ratios).
namespace Lexora::Bench {

inline void printResult(const char *benchmark,
                        const char *figure,
                        const char *measured,
                        const char *peer,
                        double value,
                        double limit,
                        const char *unit)
{
    std::printf("@result\t%s\t%s: %s\t%s\t%.3g%s\t<= %g%s\t%s\n",
                benchmark,
                figure,
                measured,
                peer,
                value,
                unit,
                limit,
                unit,
                value <= limit ? "yes" : "NO");
    std::fflush(stdout);
}

// Formats a figure into a small buffer kept by the caller.
template<int Size, typename... Arguments>
const char *format(char (&buffer)[Size], const char *text, Arguments... arguments)
{
    std::snprintf(buffer, Size, text, arguments...);
    return buffer;
}

// The value below which `fraction` of the measurements lie (0.5: the median),
// the nearest measurement rather than an interpolation.
inline double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    std::size_t index = std::size_t(fraction * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

} // namespace Lexora::Bench
