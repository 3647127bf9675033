#pragma once

#include "toolkit/richtext/attachments/ZVRichTextBackground.h"

// A tappable link; while pressed, its glyphs get a light press highlight.
class ZVRichTextLink : public ZVRichTextBackground {
public:
    ZVRichTextLink(std::weak_ptr<platform::View> parent, Range range,
                   const platform::TextAttributes& attributes);

    bool continuesAttachment(const ZVRichTextAttachment& other) const override;
    bool tapped() const override { return tapped_; }
    void setTapped(bool tapped) override { tapped_ = tapped; }
    void draw(QPainter& painter) const override;
    bool containsPoint(QPointF point) const override;
    void copyToPasteboard() const override;

    const QString& url() const { return url_; }
    int urlIndex() const { return urlIndex_; }

private:
    QString url_;
    int urlIndex_ = 0;
    bool tapped_ = false;
};
