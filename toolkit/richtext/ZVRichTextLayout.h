#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/ui/text/StyledText.h"
#include "toolkit/richtext/attachments/ZVRichTextAttachment.h"

#include <QtCore/QSizeF>

#include <memory>
#include <vector>

// Rich text made ready for a text frame: attachments taken from their runs (placeholders where
// they need room of their own) and heights measured without a view.
class ZVRichTextLayout {
public:
    using Attachments = std::vector<std::shared_ptr<ZVRichTextAttachment>>;

    static constexpr qreal kDefaultHeightLimit = 1900;
    static constexpr int kMinimumLineStyle = 5;
    // Low-resolution screens round text up a pixel row or more; room for it.
    static constexpr qreal kLowScaleExtra = 3;
    static constexpr qreal kHighScale = 1.99;

    ZVRichTextLayout() = delete;

    // The text with substitutions made (the same text when none was needed); `attachments`, when
    // given, receives the attachments in text order, with ranges in the returned text.
    static platform::AttributedString extractAttachments(const platform::AttributedString& text,
                                                         Attachments* attachments,
                                                         std::weak_ptr<platform::View> parent);
    // Resolved for layout, each placeholder sized by its attachment.
    static platform::StyledText styledText(const platform::AttributedString& substituted,
                                           const Attachments& attachments);

    // The height the text needs within `size`: at least a line of style 5, plus a little on a
    // low-resolution screen. `truncated`, when given, tells whether text was left over.
    static qreal heightForText(const platform::AttributedString& text, QSizeF size,
                               bool* truncated = nullptr);
    static qreal heightForText(const platform::AttributedString& text, qreal width);
};
