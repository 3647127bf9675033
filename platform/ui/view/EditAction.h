#pragma once

#include <QtCore/QLatin1StringView>

namespace platform {

// The names of the edit actions that text inputs answer for and the edit menu offers, written as
// the platform's selectors; screens add their own names ("quote:") beside these.
namespace EditAction {
inline constexpr QLatin1StringView Cut{"cut:"};
inline constexpr QLatin1StringView Copy{"copy:"};
inline constexpr QLatin1StringView Paste{"paste:"};
inline constexpr QLatin1StringView Select{"select:"};
inline constexpr QLatin1StringView SelectAll{"selectAll:"};
inline constexpr QLatin1StringView Delete{"delete:"};
// Looking a word up.
inline constexpr QLatin1StringView Define{"define:"};
}  // namespace EditAction

}  // namespace platform
