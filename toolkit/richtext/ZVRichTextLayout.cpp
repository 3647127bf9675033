#include "toolkit/richtext/ZVRichTextLayout.h"

#include "ZelvoKit/support/media/ImageUtils.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/TextFrame.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVTextStyles.h"

#include <cmath>

platform::AttributedString ZVRichTextLayout::extractAttachments(
    const platform::AttributedString& text, Attachments* attachments,
    std::weak_ptr<platform::View> parent) {
    std::optional<platform::AttributedString> substituted;
    qsizetype removed = 0;
    for (const platform::AttributedString::Run& run : text.runs()) {
        auto attachment = ZVRichTextAttachment::create(parent, {run.location - removed, run.length},
                                                       run.attributes);
        if (!attachment) {
            continue;
        }
        if (const auto substitution = attachment->createSubstitution()) {
            if (!substituted) {
                substituted = text;
            }
            substituted->replaceCharacters(run.location - removed, run.length, *substitution);
            removed += run.length - substitution->length();
        }
        if (attachments) {
            attachments->push_back(std::move(attachment));
        }
    }
    return substituted ? *substituted : text;
}

platform::StyledText ZVRichTextLayout::styledText(const platform::AttributedString& substituted,
                                                  const Attachments& attachments) {
    return platform::resolveAttributedText(
        substituted,
        [&attachments](const platform::TextAttributes& attributes,
                       qsizetype location) -> platform::PlaceholderCallback {
            if (!attributes.contains(ZVRichTextAttachment::kSubstitutionAttribute)) {
                return {};
            }
            for (const auto& attachment : attachments) {
                if (attachment->range().location == location) {
                    std::weak_ptr<ZVRichTextAttachment> weak = attachment;
                    return [weak] {
                        const auto held = weak.lock();
                        return held ? held->metrics() : platform::PlaceholderMetrics{};
                    };
                }
            }
            return {};
        });
}

qreal ZVRichTextLayout::heightForText(const platform::AttributedString& text, QSizeF size,
                                      bool* truncated) {
    Attachments attachments;
    const platform::AttributedString substituted = extractAttachments(text, &attachments, {});
    const platform::StyledText styled = styledText(substituted, attachments);
    int fitted = 0;
    const QSizeF suggested = platform::TextFrame::suggestedSize(styled, size, &fitted);
    if (truncated) {
        *truncated = fitted < styled.length();
    }
    qreal height = std::max<qreal>(std::ceil(suggested.height()),
                                   ZVTextStyles::lineHeightForStyle(kMinimumLineStyle));
    if (ScreenScale() <= kHighScale) {
        height += kLowScaleExtra;
    }
    return height;
}

qreal ZVRichTextLayout::heightForText(const platform::AttributedString& text, qreal width) {
    return heightForText(text, QSizeF(width, kDefaultHeightLimit));
}
