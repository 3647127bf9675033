#pragma once

#include "platform/foundation/TextAttributes.h"
#include "toolkit/richtext/attachments/ZVRichTextAttachment.h"

#include <QtGui/QPainterPath>

// A coloured background under a run (search hits); one stamped with a time fades out over the
// four seconds after it.
class ZVRichTextBackground : public ZVRichTextAttachment {
public:
    static constexpr double kFadeSeconds = 4.0;
    static constexpr int kFramesPerSecond = 25;

    ZVRichTextBackground(std::weak_ptr<platform::View> parent, Range range,
                         const platform::TextAttributes& attributes);

    void resetFrame() override;
    void addFrame(const QRectF& frame) override;
    void draw(QPainter& painter) const override;
    QRectF boundingRect() const override;
    bool animating() const override { return fading_ > 0; }
    void animate() override;

    const std::optional<platform::Color>& color() const { return color_; }
    int fading() const { return fading_; }

protected:
    const QPainterPath& path() const { return path_; }

private:
    std::optional<platform::Color> color_;
    QPainterPath path_;
    int fading_ = 0;
};
