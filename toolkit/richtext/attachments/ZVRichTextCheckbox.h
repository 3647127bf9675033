#pragma once

#include "platform/foundation/TextAttributes.h"
#include "toolkit/richtext/attachments/ZVRichTextImageAttachment.h"

// A task's checkbox in the text; tapping it toggles it.
class ZVRichTextCheckbox : public ZVRichTextImageAttachment {
public:
    // Room after the box before the task's text.
    static constexpr qreal kSpacing = 5;

    ZVRichTextCheckbox(std::weak_ptr<platform::View> parent, Range range,
                       const platform::TextAttributes& attributes);

    QSizeF size() const override;
    bool containsPoint(QPointF point) const override { return frame().contains(point); }
    bool tapped() const override { return tapped_; }
    void setTapped(bool tapped) override;
    void draw(QPainter& painter) const override;

    bool checked() const { return checked_; }
    void setChecked(bool checked);

private:
    bool checked_ = false;
    bool tapped_ = false;
};
