#pragma once

#include <QtCore/QLatin1StringView>

// Attribute keys of rich text shared by the text styles, the message parser and the rich-text
// view; the values are the keys' stored names and must not change.
inline constexpr QLatin1StringView ZVLinkIndexAttributeName{"ZVLinkIndexAttributeName"};
inline constexpr QLatin1StringView ZVEmoticonAttributeName{"ZVEmoticonName"};
inline constexpr QLatin1StringView ZVEmoticonSizeAttributeName{"ZVEmoticonSize"};
inline constexpr QLatin1StringView ZVHorizontalLineAttributeName{"ZVHorizontalLine"};
inline constexpr QLatin1StringView ZVFadingHighlightAttributeName{"ZVFadingHighlight"};
inline constexpr QLatin1StringView ZVParagraphBackgroundAttributeName{
    "ZVParagraphBackgroundAttributeName"};
inline constexpr QLatin1StringView ZVParagraphBorderAttributeName{"ZVParagraphBorderAttributeName"};
inline constexpr QLatin1StringView ZVCheckboxAttributeName{"ZVCheckbox"};
