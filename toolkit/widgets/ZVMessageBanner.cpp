#include "toolkit/widgets/ZVMessageBanner.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBranding.h"

namespace {

constexpr int kLabelStyle = 0;

}  // namespace

ZVMessageBanner::ZVMessageBanner()
    : View(QRectF(0, 0, kInitialWidth, kInitialHeight)),
      label_(std::make_shared<platform::Label>()),
      closeButton_(ZVBranding::buttonWithImage(QStringLiteral("icon-close-white"))) {
    const QColor background = platform::resolveColor(ZVColors::logo());
    setBackgroundColor(background);
    ZVTextStyles::styleLabel(*label_, kLabelStyle);
    label_->setTextColor(Qt::white);
    label_->setBackgroundColor(background);
    addSubview(label_);
    const qreal grow = kCloseButtonGrowth;
    closeButton_->setFrame(closeButton_->frame().adjusted(-grow, -grow, grow, grow));
    closeButton_->addTarget(platform::Control::TouchUpInside,
                            [this](platform::Control&) { closeClicked(); });
    addSubview(closeButton_);
}

ZVMessageBanner::~ZVMessageBanner() = default;

QString ZVMessageBanner::message() const {
    return label_->text();
}

void ZVMessageBanner::setMessage(const QString& message) {
    label_->setText(message);
}

void ZVMessageBanner::closeClicked() {
    if (auto delegate = delegate_.lock()) {
        delegate->bannerClosed(*this);
    }
}

void ZVMessageBanner::layoutSubviews() {
    const QRectF b = bounds();
    closeButton_->setCenter(QPointF(b.width() - b.height() / 2, b.height() / 2));
    label_->setFrame(QRectF(kLabelInset, kLabelInset, closeButton_->frame().x() - 2 * kLabelInset,
                            b.height() - 2 * kLabelInset));
}
