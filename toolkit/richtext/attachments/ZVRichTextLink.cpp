#include "toolkit/richtext/attachments/ZVRichTextLink.h"

#include "platform/ui/standins/input/Pasteboard.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/RichTextAttributes.h"

#include <QtGui/QPainter>

namespace {

constexpr double kPressWhite = 0.9;

}  // namespace

ZVRichTextLink::ZVRichTextLink(std::weak_ptr<platform::View> parent, Range range,
                               const platform::TextAttributes& attributes)
    : ZVRichTextBackground(std::move(parent), range, attributes),
      url_(attributes.value(platform::TextAttribute::Link).toString()),
      urlIndex_(attributes.value(ZVLinkIndexAttributeName).toInt()) {}

bool ZVRichTextLink::continuesAttachment(const ZVRichTextAttachment& other) const {
    const auto* link = dynamic_cast<const ZVRichTextLink*>(&other);
    return link != nullptr && link->urlIndex_ == urlIndex_;
}

void ZVRichTextLink::draw(QPainter& painter) const {
    ZVRichTextBackground::draw(painter);
    if (tapped_) {
        painter.fillPath(path(), platform::resolveColor(colorWithWhite(kPressWhite)));
    }
}

bool ZVRichTextLink::containsPoint(QPointF point) const {
    return path().contains(point);
}

void ZVRichTextLink::copyToPasteboard() const {
    if (const auto pasteboard = platform::Pasteboard::general()) {
        pasteboard->setString(url_);
    }
}
