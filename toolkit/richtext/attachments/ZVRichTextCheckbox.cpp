#include "toolkit/richtext/attachments/ZVRichTextCheckbox.h"

#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/RichTextAttributes.h"

#include <QtGui/QPainter>

namespace {

const QString kNormalImage = QStringLiteral("icon-checkbox-normal");
const QString kSelectedImage = QStringLiteral("icon-checkbox-selected");
constexpr double kPressWhite = 0.9;

}  // namespace

ZVRichTextCheckbox::ZVRichTextCheckbox(std::weak_ptr<platform::View> parent, Range range,
                                       const platform::TextAttributes& attributes)
    : ZVRichTextImageAttachment(std::move(parent), range),
      checked_(attributes.value(ZVCheckboxAttributeName).toBool()) {}

QSizeF ZVRichTextCheckbox::size() const {
    const QSizeF image = platform::Images::pointSize(platform::Images::named(kNormalImage));
    return {image.width() + kSpacing, image.height()};
}

void ZVRichTextCheckbox::setTapped(bool tapped) {
    tapped_ = tapped;
    setParentNeedsDisplay();
}

void ZVRichTextCheckbox::setChecked(bool checked) {
    checked_ = checked;
    setParentNeedsDisplay();
}

void ZVRichTextCheckbox::draw(QPainter& painter) const {
    if (tapped_) {
        painter.fillRect(frame(), platform::resolveColor(colorWithWhite(kPressWhite)));
    }
    drawImage(painter, platform::Images::named(checked_ ? kSelectedImage : kNormalImage));
}
