#include "toolkit/richtext/attachments/ZVRichTextEmoticon.h"

#include "platform/ui/resources/Images.h"
#include "toolkit/style/RichTextAttributes.h"

std::shared_ptr<ZVRichTextEmoticon> ZVRichTextEmoticon::make(
    std::weak_ptr<platform::View> parent, Range range, const platform::TextAttributes& attributes) {
    const QString name = attributes.value(ZVEmoticonAttributeName).toString();
    QImage image = platform::Images::named(
        imageName(name, attributes.value(ZVEmoticonSizeAttributeName).toBool()));
    if (image.isNull()) {
        return nullptr;
    }
    return std::make_shared<ZVRichTextEmoticon>(std::move(parent), range, name, std::move(image));
}

QString ZVRichTextEmoticon::imageName(const QString& kind, bool large) {
    return (large ? QStringLiteral("ic_el_") : QStringLiteral("ic_e_")) + kind.mid(1);
}

ZVRichTextEmoticon::ZVRichTextEmoticon(std::weak_ptr<platform::View> parent, Range range,
                                       QString name, QImage image)
    : ZVRichTextImageAttachment(std::move(parent), range),
      name_(std::move(name)),
      image_(std::move(image)) {}

QSizeF ZVRichTextEmoticon::size() const {
    return platform::Images::pointSize(image_);
}
