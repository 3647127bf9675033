#pragma once

#include "platform/foundation/TextAttributes.h"
#include "toolkit/richtext/attachments/ZVRichTextImageAttachment.h"

// An emoticon drawn as the application's picture of its kind, in place of its typed code.
class ZVRichTextEmoticon : public ZVRichTextImageAttachment {
public:
    // Null when the resources hold no picture for the kind: the code then stays text.
    static std::shared_ptr<ZVRichTextEmoticon> make(std::weak_ptr<platform::View> parent,
                                                    Range range,
                                                    const platform::TextAttributes& attributes);
    // "ic_el_<kind without its first letter>" for large emoticons, else "ic_e_...".
    static QString imageName(const QString& kind, bool large);

    ZVRichTextEmoticon(std::weak_ptr<platform::View> parent, Range range, QString name,
                       QImage image);

    QSizeF size() const override;
    void draw(QPainter& painter) const override { drawImage(painter, image_); }
    const QString& name() const { return name_; }

private:
    QString name_;
    QImage image_;
};
