#include "toolkit/richtext/attachments/ZVRichTextAttachment.h"

#include "platform/ui/view/View.h"
#include "toolkit/richtext/attachments/ZVRichTextBackground.h"
#include "toolkit/richtext/attachments/ZVRichTextCheckbox.h"
#include "toolkit/richtext/attachments/ZVRichTextEmoticon.h"
#include "toolkit/richtext/attachments/ZVRichTextHorizontalLine.h"
#include "toolkit/richtext/attachments/ZVRichTextLink.h"
#include "toolkit/richtext/attachments/ZVRichTextParagraphBackground.h"
#include "toolkit/style/RichTextAttributes.h"

namespace {

// Below a square point there is nothing to give room to.
constexpr qreal kMinimumArea = 1.0;

}  // namespace

ZVRichTextAttachment::ZVRichTextAttachment(std::weak_ptr<platform::View> parent, Range range)
    : parent_(std::move(parent)), range_(range) {}

ZVRichTextAttachment::~ZVRichTextAttachment() = default;

std::shared_ptr<ZVRichTextAttachment> ZVRichTextAttachment::create(
    std::weak_ptr<platform::View> parent, Range range, const platform::TextAttributes& attributes) {
    if (attributes.contains(platform::TextAttribute::Link)) {
        return std::make_shared<ZVRichTextLink>(std::move(parent), range, attributes);
    }
    if (attributes.contains(ZVEmoticonAttributeName)) {
        return ZVRichTextEmoticon::make(std::move(parent), range, attributes);
    }
    if (attributes.contains(platform::TextAttribute::BackgroundColor)) {
        return std::make_shared<ZVRichTextBackground>(std::move(parent), range, attributes);
    }
    if (attributes.contains(ZVParagraphBackgroundAttributeName)) {
        return std::make_shared<ZVRichTextParagraphBackground>(std::move(parent), range,
                                                               attributes);
    }
    if (attributes.contains(ZVHorizontalLineAttributeName)) {
        return std::make_shared<ZVRichTextHorizontalLine>(std::move(parent), range);
    }
    if (attributes.contains(ZVCheckboxAttributeName)) {
        return std::make_shared<ZVRichTextCheckbox>(std::move(parent), range, attributes);
    }
    return nullptr;
}

bool ZVRichTextAttachment::continuesAttachment(const ZVRichTextAttachment&) const {
    return false;
}

void ZVRichTextAttachment::setTapped(bool) {}

void ZVRichTextAttachment::addFrame(const QRectF&) {}

void ZVRichTextAttachment::draw(QPainter&) const {}

bool ZVRichTextAttachment::containsPoint(QPointF) const {
    return false;
}

std::optional<platform::AttributedString> ZVRichTextAttachment::createSubstitution() {
    const QSizeF room = size();
    if (room.width() * room.height() < kMinimumArea) {
        return std::nullopt;
    }
    range_.length = 1;
    return platform::AttributedString(QString(kPlaceholderCharacter),
                                      {{kSubstitutionAttribute, true}});
}

platform::PlaceholderMetrics ZVRichTextAttachment::metrics() const {
    const QSizeF room = size();
    return {room.width(), room.height() - descent(), descent()};
}

qreal ZVRichTextAttachment::parentWidth() const {
    const auto view = parent();
    return view ? view->bounds().width() : 0;
}

void ZVRichTextAttachment::setParentNeedsDisplay() const {
    if (const auto view = parent()) {
        view->setNeedsDisplay();
    }
}
