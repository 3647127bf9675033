#include "accounts/settings/ZVAboutViewController.h"

#include "accounts/settings/ZVAboutBackground.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controllers/InterfaceOrientation.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBranding.h"

namespace {

std::shared_ptr<platform::Label> makeAboutLabel(const QString& text, int style, int lines) {
    auto label = std::make_shared<platform::Label>();
    ZVTextStyles::styleLabel(*label, style);
    label->setTextColor(Qt::white);
    label->setBackgroundColor(Qt::transparent);
    label->setTextAlignment(platform::TextAlignment::Center);
    label->setNumberOfLines(lines);
    label->setText(text);
    return label;
}

std::shared_ptr<platform::Button> makeAboutLink(const QString& title) {
    auto button = ZVBranding::createPlainButtonWithTitle(title);
    button->setTitleColor(Qt::white, platform::Button::Normal);
    button->setAlpha(ZVAboutViewController::kLinkAlpha);
    return button;
}

}  // namespace

QString ZVAboutViewController::versionText() {
    const auto& application = platform::Application::shared();
    return platform::format(u"Version %@", platform::format(u"%@.%@", application.shortVersion(),
                                                            application.buildVersion()));
}

ZVAboutViewController::ZVAboutViewController() {
    setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
    container_ = std::make_shared<platform::View>();
    logo_ = std::make_shared<platform::ImageView>(platform::Images::named(kLogoImage));
    logo_->sizeToFit();
    aboutText_ = makeAboutLabel(kAboutText, 0, 3);
    versionLabel_ = makeAboutLabel(versionText(), 2, 1);
    // Styled and given its band, but shown nowhere: the band stays as space.
    copyrightLabel_ = makeAboutLabel(QStringLiteral("Copyright \u00A9 Zelvo"), 0, 2);
    termsLabel_ = makeAboutLink(QStringLiteral("TERMS OF USE"));
    privacyLabel_ = makeAboutLink(QStringLiteral("PRIVACY POLICY"));
    termsLabel_->addTarget(platform::Control::TouchUpInside,
                           [this](platform::Control&) { showTerms(); });
    privacyLabel_->addTarget(platform::Control::TouchUpInside,
                             [this](platform::Control&) { showPrivacy(); });
    separator_ = makeAboutLabel(QStringLiteral("|"), 1, 1);
    separator_->setAlpha(kLinkAlpha);
    separator_->sizeToFit();
    line_ = std::make_shared<platform::View>();
    line_->setBackgroundColor(Qt::white);
    line_->setAlpha(kLinkAlpha);
    builtText_ = makeAboutLabel(kTagline, 0, 1);
    builtText_->setAlpha(kLinkAlpha);

    container_->addSubview(logo_);
    container_->addSubview(aboutText_);
    container_->addSubview(versionLabel_);
}

ZVAboutViewController::~ZVAboutViewController() = default;

void ZVAboutViewController::loadView() {
    auto background = ZVAboutBackground::make(weak_from_this());
    background->setUserInteractionEnabled(true);
    background->setBackAction([weak = weakSelf()] {
        if (const auto self = std::static_pointer_cast<ZVAboutViewController>(weak.lock())) {
            self->backTapped();
        }
    });
    for (const auto& view : std::initializer_list<std::shared_ptr<platform::View>>{
             separator_, termsLabel_, privacyLabel_, container_, line_, builtText_}) {
        background->addSubview(view);
    }
    setView(background);
}

void ZVAboutViewController::viewWillLayoutSubviews() {
    ZVViewController::viewWillLayoutSubviews();
    const QRectF bounds = view()->bounds();
    const qreal width = bounds.width();
    const qreal height = bounds.height();

    const QSizeF logoSize = logo_->frame().size();
    logo_->setCenter(QPointF(width / 2, logoSize.height() / 2));
    const qreal textWidth = width - 2 * kTextMargin;
    const QSizeF aboutSize = aboutText_->sizeThatFits(QSizeF(textWidth, 0));
    aboutText_->setFrame(
        QRectF(kTextMargin, logoSize.height() + kLogoGap, textWidth, aboutSize.height()));
    const QSizeF versionSize = versionLabel_->sizeThatFits(QSizeF(textWidth, 0));
    versionLabel_->setFrame(QRectF(kTextMargin, aboutText_->frame().bottom() + kLineGap, textWidth,
                                   versionSize.height()));
    copyrightBand_ = QRectF(kBandMargin, versionLabel_->frame().bottom() + kLineGap,
                            width - 2 * kBandMargin, 2 * ZVTextStyles::lineHeightForStyle(0));
    const qreal contentHeight = copyrightBand_.bottom() + kLineGap;
    container_->setFrame(QRectF(0, (height - contentHeight) / 2, width, contentHeight));

    const QSizeF separatorSize = separator_->frame().size();
    separator_->setCenter(QPointF(width / 2, height - kBottomMargin - separatorSize.height()));
    const qreal middleY = separator_->center().y();
    const QSizeF termsSize = termsLabel_->frame().size();
    termsLabel_->setFrame(QRectF(separator_->frame().left() - kLinkGap - termsSize.width(),
                                 middleY - termsSize.height() / 2, termsSize.width(),
                                 termsSize.height()));
    const QSizeF privacySize = privacyLabel_->frame().size();
    privacyLabel_->setFrame(QRectF(separator_->frame().right() + kLinkGap,
                                   middleY - privacySize.height() / 2, privacySize.width(),
                                   privacySize.height()));
    const qreal lineLeft = termsLabel_->frame().left();
    const qreal lineTop = std::min(termsLabel_->frame().top(), privacyLabel_->frame().top());
    line_->setFrame(
        QRectF(lineLeft, lineTop, privacyLabel_->frame().right() - lineLeft, kLineHeight));
    const qreal taglineHeight = ZVTextStyles::lineHeightForStyle(1);
    builtText_->setFrame(QRectF(line_->frame().left(),
                                line_->frame().top() - kLinkGap - taglineHeight,
                                line_->frame().width(), taglineHeight));
}

unsigned ZVAboutViewController::supportedInterfaceOrientations() const {
    return platform::InterfaceOrientationMask::Portrait;
}

void ZVAboutViewController::backTapped() {
    if (auto* presenting = presentingViewController()) {
        presenting->dismissViewController(true);
    }
}

void ZVAboutViewController::leaveFor(const QString& page, const QString& title) {
    backTapped();
    if (auto* globals = ZVGlobals::globals()) {
        globals->showUrlInInternalBrowser(page, title);
    }
}

void ZVAboutViewController::showTerms() {
    leaveFor(kTermsPage, QStringLiteral("Terms of Use"));
}

void ZVAboutViewController::showPrivacy() {
    leaveFor(kPrivacyPage, QStringLiteral("Privacy Policy"));
}
