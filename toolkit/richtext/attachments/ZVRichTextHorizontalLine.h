#pragma once

#include "toolkit/richtext/attachments/ZVRichTextAttachment.h"

// A rule across the view at the height of its line.
class ZVRichTextHorizontalLine : public ZVRichTextAttachment {
public:
    static constexpr qreal kHeight = 8;

    ZVRichTextHorizontalLine(std::weak_ptr<platform::View> parent, Range range)
        : ZVRichTextAttachment(std::move(parent), range) {}

    void resetFrame() override { rect_ = {}; }
    void addFrame(const QRectF& frame) override { rect_ = frame; }
    void draw(QPainter& painter) const override;
    QSizeF size() const override { return {rect_.width(), kHeight}; }
    QRectF boundingRect() const override { return rect_; }

private:
    QRectF rect_;
};
