#include "MessageFlow/pages/ZVWritersView.h"

#include "MessageFlow/pages/ZVMessageRowMetrics.h"
#include "MessageFlow/pages/ZVWritersViewAnimation.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/style/ZVTextStyles.h"

#include <algorithm>

ZVWritersView::ZVWritersView(std::weak_ptr<ZVMessageRowMetrics> cells)
    : View(QRectF(0, 0, kWidth, kHeight)),
      cells_(std::move(cells)),
      animation_(platform::View::make<ZVWritersViewAnimation>(
          QRectF(0, 0, kDotsWidth, ZVWritersViewAnimation::kBubbleSize))),
      label_(platform::View::make<platform::Label>()) {
    ZVTextStyles::styleLabel(*label_, kTextStyle);
    addSubview(label_);
    addSubview(animation_);
}

ZVWritersView::~ZVWritersView() = default;

QString ZVWritersView::label() const {
    return label_->text();
}

void ZVWritersView::setLabel(const QString& text) {
    label_->setText(text);
    setNeedsLayout();
}

void ZVWritersView::layoutSubviews() {
    label_->sizeToFit();
    const QSizeF fitted = label_->frame().size();
    qreal indent = 0;
    qreal spacing = 0;
    if (const auto cells = cells_.lock()) {
        const int avatarSize = cells->avatarSize();
        indent = avatarSize == 1 ? kSmallAvatarIndent : (avatarSize == 2 ? kLargeAvatarIndent : 0);
        spacing = cells->screenEdgeSpacing();
    }
    const QSizeF dots = animation_->frame().size();
    const qreal room = std::max<qreal>(0, bounds().width() - kRightMargin - indent - dots.width());
    const QRectF text(indent + spacing, 0, std::min(fitted.width(), room), fitted.height());
    label_->setFrame(text);
    animation_->setFrame(QRectF(QPointF(text.right() + kDotsGap,
                                        text.y() + (text.height() - dots.height()) / 2 + kDotsDrop),
                                dots));
}
