#pragma once

#include "platform/foundation/TextAttributes.h"
#include "toolkit/richtext/attachments/ZVRichTextAttachment.h"

// The background and border of a whole paragraph across the view's width (code blocks).
class ZVRichTextParagraphBackground : public ZVRichTextAttachment {
public:
    ZVRichTextParagraphBackground(std::weak_ptr<platform::View> parent, Range range,
                                  const platform::TextAttributes& attributes);

    void resetFrame() override;
    void addFrame(const QRectF& frame) override;
    void draw(QPainter& painter) const override;
    QRectF boundingRect() const override { return rect_; }

private:
    std::optional<platform::Color> color_;
    std::optional<platform::Color> borderColor_;
    QRectF rect_;
};
