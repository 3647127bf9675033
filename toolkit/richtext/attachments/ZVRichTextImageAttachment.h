#pragma once

#include "toolkit/richtext/attachments/ZVRichTextAttachment.h"

#include <QtGui/QImage>

// A picture in the line (emoticons, checkboxes), standing on the baseline with a small descent.
class ZVRichTextImageAttachment : public ZVRichTextAttachment {
public:
    static constexpr qreal kDescent = 2;

    using ZVRichTextAttachment::ZVRichTextAttachment;

    qreal descent() const override { return kDescent; }
    void addFrame(const QRectF& frame) override { frame_ = frame; }
    QRectF boundingRect() const override { return frame_; }
    const QRectF& frame() const { return frame_; }

protected:
    // Bottom-left aligned in the frame.
    void drawImage(QPainter& painter, const QImage& image) const;

private:
    QRectF frame_;
};
