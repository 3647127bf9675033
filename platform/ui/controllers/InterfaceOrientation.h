#pragma once

namespace platform {

// The numbers are the platform's: screens answer and compare masks as integers.
enum class InterfaceOrientation {
    Unknown = 0,
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeRight = 3,
    LandscapeLeft = 4,
};

namespace InterfaceOrientationMask {
constexpr unsigned Portrait = 1u << 1;
constexpr unsigned PortraitUpsideDown = 1u << 2;
constexpr unsigned LandscapeRight = 1u << 3;
constexpr unsigned LandscapeLeft = 1u << 4;
constexpr unsigned Landscape = LandscapeLeft | LandscapeRight;
constexpr unsigned All = Portrait | PortraitUpsideDown | Landscape;
constexpr unsigned AllButUpsideDown = Portrait | Landscape;
}  // namespace InterfaceOrientationMask

inline unsigned maskOf(InterfaceOrientation orientation) {
    return orientation == InterfaceOrientation::Unknown ? 0u
                                                        : 1u << static_cast<unsigned>(orientation);
}

inline bool isLandscape(InterfaceOrientation orientation) {
    return orientation == InterfaceOrientation::LandscapeLeft ||
           orientation == InterfaceOrientation::LandscapeRight;
}

}  // namespace platform
