#pragma once

namespace platform {

// A stretch of text in UTF-16 units, as the text inputs and their delegates count.
struct TextRange {
    int location = 0;
    int length = 0;

    int end() const { return location + length; }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

}  // namespace platform
