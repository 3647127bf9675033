#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// Times measured by hand in a benchmark, for the goal lines printed after the runs.

inline double milliseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The middle value (the upper one of an even count); 0 for none.
inline double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
