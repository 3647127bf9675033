#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/ui/text/StyledText.h"

#include <functional>

namespace platform {

// Gives the placeholder character at `location` (with its attributes) its size, or nothing when
// it stands for no inline object.
using PlaceholderProvider =
    std::function<PlaceholderCallback(const TextAttributes& attributes, qsizetype location)>;

// Text without a font is drawn in the platform's default for attributed text.
inline constexpr qreal kDefaultAttributedFontSize = 12;

// The font a description names: its family through the font table (an installed family when the
// table does not know the name), made bold or italic when the description asks for it.
QFont resolveFont(const FontDescription& description);
QColor resolveColor(const Color& color);

// Attributed text with every attribute resolved for layout: fonts, colours, underline and strike
// (paragraph styles are taken as they are); each U+FFFC gets its size from `placeholders`.
StyledText resolveAttributedText(const AttributedString& text,
                                 const PlaceholderProvider& placeholders = {});

}  // namespace platform
