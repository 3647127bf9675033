#pragma once

#include <compare>

namespace platform {

// A row of a table: its section and its place in that section.
struct IndexPath {
    int section = 0;
    int row = 0;

    auto operator<=>(const IndexPath&) const = default;
};

}  // namespace platform
