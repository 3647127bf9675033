#include "toolkit/richtext/attachments/ZVRichTextParagraphBackground.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/RichTextAttributes.h"

#include <QtGui/QPainter>

namespace {

constexpr qreal kEmptyHeight = 0.1;
// Half a line width in, so that the border's line falls on whole points.
constexpr qreal kInset = 0.5;
constexpr qreal kBorderWidth = 1.0;

std::optional<platform::Color> colorAttribute(const platform::TextAttributes& attributes,
                                              QLatin1StringView key) {
    const QVariant value = attributes.value(key);
    if (!value.canConvert<platform::Color>()) {
        return std::nullopt;
    }
    return value.value<platform::Color>();
}

}  // namespace

ZVRichTextParagraphBackground::ZVRichTextParagraphBackground(
    std::weak_ptr<platform::View> parent, Range range, const platform::TextAttributes& attributes)
    : ZVRichTextAttachment(std::move(parent), range),
      color_(colorAttribute(attributes, ZVParagraphBackgroundAttributeName)),
      borderColor_(colorAttribute(attributes, ZVParagraphBorderAttributeName)) {}

void ZVRichTextParagraphBackground::resetFrame() {
    rect_ = QRectF(0, 0, parentWidth(), 0);
}

void ZVRichTextParagraphBackground::addFrame(const QRectF& frame) {
    if (rect_.height() < kEmptyHeight) {
        rect_ = QRectF(frame.x(), frame.y(), rect_.width(), frame.height());
    } else {
        rect_ = rect_.united(QRectF(frame.x(), frame.y(), rect_.width(), frame.height()));
    }
}

void ZVRichTextParagraphBackground::draw(QPainter& painter) const {
    const QRectF box = QRectF(0, rect_.y(), parentWidth(), rect_.height())
                           .adjusted(kInset, kInset, -kInset, -kInset);
    if (color_) {
        painter.fillRect(box, platform::resolveColor(*color_));
    }
    if (borderColor_) {
        painter.save();
        painter.setPen(QPen(platform::resolveColor(*borderColor_), kBorderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
        painter.restore();
    }
}
