#include "toolkit/widgets/ZVBackgroundView.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <cmath>

using platform::TextAttribute::ForegroundColor;

namespace {

// Where the clouds sit, as fractions of the width (the third one's height is fixed).
constexpr qreal kCloud1X = 1.0 / 3;
constexpr qreal kCloud1Y = 0.6;
constexpr qreal kCloud3X = 0.7;
constexpr qreal kCloud3Y = 100;
// The label is measured again only when its width is off by more than this.
constexpr qreal kWidthTolerance = 0.5;
// The text is measured a little narrower than the label, so that it never wraps differently.
constexpr qreal kMeasureWidthLoss = 20;

QString cloudImageName(int index) {
    return QStringLiteral("icon-cloud-%1").arg(index + 1);
}

}  // namespace

ZVBackgroundView::ZVBackgroundView() {
    setBackgroundColor(platform::resolveColor(ZVColors::background()));
    for (int i = 0; i < kCloudCount; ++i) {
        clouds_[i] =
            std::make_shared<platform::ImageView>(platform::Images::named(cloudImageName(i)));
        addSubview(clouds_[i]);
    }
}

void ZVBackgroundView::preloadImages() {
    QStringList names;
    for (int i = 0; i < kCloudCount; ++i) {
        names.append(cloudImageName(i));
    }
    platform::Images::preload(names);
}

ZVBackgroundView::~ZVBackgroundView() = default;

void ZVBackgroundView::setText(const QString& text) {
    text_ = text;
    updateLabel();
}

void ZVBackgroundView::setLinkText(const QString& linkText) {
    linkText_ = linkText;
    updateLabel();
}

void ZVBackgroundView::updateLabel() {
    if (text_.isEmpty()) {
        setAttributedText(std::nullopt);
        return;
    }
    const platform::TextAttributes style = ZVTextStyles::attributesForStyle(kTextStyle);
    platform::TextAttributes body = style;
    body.insert(ForegroundColor, QVariant::fromValue(ZVColors::text()));
    platform::AttributedString message(text_, body);
    message.append(QStringLiteral("\n"), style);
    if (!linkText_.isEmpty()) {
        platform::TextAttributes link = style;
        link.insert(ForegroundColor, QVariant::fromValue(ZVColors::link()));
        link.insert(platform::TextAttribute::Link, kLinkValue);
        message.append(linkText_, link);
    }
    setAttributedText(message);
}

std::optional<platform::AttributedString> ZVBackgroundView::attributedText() const {
    if (!label_) {
        return std::nullopt;
    }
    return label_->attributedText();
}

void ZVBackgroundView::setAttributedText(const std::optional<platform::AttributedString>& text) {
    if (text && label_) {
        label_->setAttributedText(*text);
        setNeedsLayout();
        layoutIfNeeded();
        return;
    }
    if (text) {
        logo_ = std::make_shared<platform::ImageView>(
            platform::Images::named(QStringLiteral("icon-illustration-unread")));
        logo_->setAlpha(0);
        addSubview(logo_);
        label_ = std::make_shared<ZVRichText>();
        label_->setBackgroundColor(QColor());
        label_->setAttributedText(*text);
        label_->setAlpha(0);
        label_->setDelegate(delegate_);
        addSubview(label_);
        setNeedsLayout();
        layoutIfNeeded();
        platform::ViewAnimation::animate(kFadeDuration, [logo = logo_, label = label_] {
            logo->setAlpha(1);
            label->setAlpha(1);
        });
        return;
    }
    if (!label_) {
        return;
    }
    // Detached at once, so that a new message does not reuse views that are fading away.
    std::shared_ptr<platform::View> logo = std::move(logo_);
    std::shared_ptr<platform::View> label = std::move(label_);
    logo_.reset();
    label_.reset();
    platform::ViewAnimation::animate(
        kFadeDuration,
        [logo, label] {
            logo->setAlpha(0);
            label->setAlpha(0);
        },
        // The views' own layers keep this block until the fade ends: held weakly, or a fade that
        // never ends (the view dropped mid-way) keeps them for good.
        [weakLogo = std::weak_ptr<platform::View>(logo),
         weakLabel = std::weak_ptr<platform::View>(label)](bool) {
            for (const auto& weak : {weakLogo, weakLabel}) {
                if (const auto view = weak.lock()) {
                    view->removeFromSuperview();
                }
            }
        });
}

void ZVBackgroundView::setDelegate(std::weak_ptr<ZVRichTextDelegate> delegate) {
    delegate_ = std::move(delegate);
    if (label_) {
        label_->setDelegate(delegate_);
    }
}

void ZVBackgroundView::setContentInset(const platform::EdgeInsets& insets) {
    contentInset_ = insets;
    setNeedsLayout();
    layoutIfNeeded();
}

void ZVBackgroundView::layoutSubviews() {
    const qreal w = bounds().width();
    clouds_[0]->setCenter(QPointF(w * kCloud1X, w * kCloud1Y));
    clouds_[1]->setCenter(QPointF(0, w));
    clouds_[2]->setCenter(QPointF(w * kCloud3X, kCloud3Y));
    if (!label_) {
        return;
    }
    const QRectF r = contentInset_.inset(bounds());
    const qreal labelWidth = r.width() - 2 * kLabelInset;
    if (std::abs(label_->bounds().width() - labelWidth) > kWidthTolerance) {
        label_->sizeToFit();
    }
    const qreal h = ZVRichTextLayout::heightForText(
        label_->attributedText(), QSizeF(r.width() - kMeasureWidthLoss, kMeasureHeight));
    logo_->setCenter(QPointF(r.center().x(), r.center().y() - (h + kIllustrationGap) / 2));
    label_->setFrame(
        QRectF(r.x() + kLabelInset, logo_->frame().bottom() + kIllustrationGap, labelWidth, h));
}
