#include "toolkit/alerts/ZVAlertView.h"

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/scroll/ScrollView.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/AlertColors.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertInputView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/alerts/ZVArrowView.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"
#include "toolkit/richtext/ZVMessageParser.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/ZVTextStyles.h"

#include <cmath>

namespace {

constexpr int kTitleStyle = 2;
constexpr qreal kTitleLabelHeight = 20;
constexpr qreal kCornerRadius = 5;
constexpr qreal kShadowRadius = 10;
constexpr qreal kShadowOpacity = 0.3;
constexpr QPointF kShadowOffset{5, 5};
constexpr qreal kMeasureHeight = 9000;
constexpr qreal kWidthTolerance = 1;

QString okTitle() {
    return QStringLiteral("OK");
}

}  // namespace

ZVAlertView::ZVAlertView() : View(QRectF(0, 0, kDefaultWidth, kDefaultHeight)) {
    setBackgroundColor(Qt::transparent);
    layer().setShadowColor(Qt::black);
    layer().setShadowRadius(kShadowRadius);
    layer().setShadowOpacity(kShadowOpacity);
    layer().setShadowOffset(kShadowOffset);

    contentView_ = View::make(bounds());
    contentView_->setBackgroundColor(Qt::white);
    contentView_->layer().setCornerRadius(kCornerRadius);
    contentView_->setClipsToBounds(true);
    addSubview(contentView_);

    titleBackground_ = View::make();
    titleBackground_->setBackgroundColor(alertColor("logo"));
    titleBackground_->setHidden(true);
    contentView_->addSubview(titleBackground_);

    titleLabel_ = std::make_shared<platform::Label>();
    titleLabel_->setFont(ZVTextStyles::fontForStyle(kTitleStyle));
    titleLabel_->setTextColor(Qt::white);
    titleLabel_->setHidden(true);
    contentView_->addSubview(titleLabel_);

    textLabel_ = std::make_shared<ZVRichText>();
    textLabel_->setHidden(true);
    textLabel_->setUserInteractionEnabled(false);
    contentView_->addSubview(textLabel_);

    closeButton_ = platform::Button::make(platform::Button::Type::Custom);
    closeButton_->setImage(platform::Images::named(QStringLiteral("icon-close-white")),
                           platform::Button::Normal);
    closeButton_->sizeToFit();
    closeButton_->setTag(ZVAlertViewDelegate::kNoButton);
    closeButton_->addTarget(platform::Control::TouchUpInside,
                            [this](platform::Control&) { cancelTapped(); });
    contentView_->addSubview(closeButton_);
}

ZVAlertView::~ZVAlertView() = default;

std::shared_ptr<ZVAlertView> ZVAlertView::make(const QString& title, const QString& message,
                                               std::weak_ptr<ZVAlertViewDelegate> delegate,
                                               const QString& cancelButtonTitle,
                                               const QStringList& otherButtonTitles) {
    auto alert = std::make_shared<ZVAlertView>();
    alert->setUp(title, message, std::move(delegate), cancelButtonTitle, otherButtonTitles);
    return alert;
}

void ZVAlertView::setUp(const QString& title, const QString& message,
                        std::weak_ptr<ZVAlertViewDelegate> delegate,
                        const QString& cancelButtonTitle, const QStringList& otherButtonTitles) {
    setTitle(title);
    setMessage(message);
    delegate_ = std::move(delegate);
    buttons_.clear();
    if (!cancelButtonTitle.isNull()) {
        buttons_.append(cancelButtonTitle);
    }
    buttons_.append(otherButtonTitles);
    defaultButtonIndex_ = static_cast<int>(buttons_.size()) - 1;
}

std::shared_ptr<ZVAlertView> ZVAlertView::showMessage(const QString& message,
                                                      const QString& title) {
    // The text is the user's or the service's, never markup: escaped, it shows as it is.
    auto alert = make(title, message.toHtmlEscaped(), {}, QString(), {okTitle()});
    alert->show();
    return alert;
}

std::shared_ptr<ZVAlertView> ZVAlertView::showError(const ZVError& error, const QString& title) {
    return showMessage(error.localizedDescription(),
                       title.isNull() ? QStringLiteral("Request failed") : title);
}

bool ZVAlertView::alertViewShowing() {
    return ZVAlertViewManager::alertViewManager().currentAlertView() != nullptr;
}

std::shared_ptr<ZVConfirmationAlertView> ZVAlertView::confirmationWithTitle(
    const QString& title, const QString& message, const QString& confirmButtonTitle,
    std::function<void()> action) {
    return ZVConfirmationAlertView::make(title, message, confirmButtonTitle, std::move(action));
}

std::shared_ptr<ZVConfirmationAlertView> ZVAlertView::inputViewWithTitle(
    const QString& title, const QString& message, const QString& confirmButtonTitle,
    std::function<void(const QString& text)> action,
    const std::optional<platform::TextAttributes>& defaultAttributes, const QString& placeholder) {
    auto input = ZVAlertInputView::make(
        defaultAttributes.value_or(ZVTextStyles::attributesForStyle(0)), placeholder);
    std::weak_ptr<ZVAlertInputView> weakInput = input;
    auto alert = confirmationWithTitle(
        title, message, confirmButtonTitle, [weakInput, action = std::move(action)] {
            if (const auto input = weakInput.lock(); input && action) {
                action(input->text());
            }
        });
    alert->setViews({input});
    alert->setKeyboardSetting(kKeyboardPrompt);
    return alert;
}

std::shared_ptr<ZVConfirmationAlertView> ZVAlertView::showConfirmationWithTitle(
    const QString& title, const QString& message, const QString& confirmButtonTitle,
    std::function<void()> action) {
    auto alert = confirmationWithTitle(title, message, confirmButtonTitle, std::move(action));
    alert->show();
    return alert;
}

QString ZVAlertView::title() const {
    return titleLabel_->isHidden() ? QString() : titleLabel_->text();
}

void ZVAlertView::setTitle(const QString& title) {
    titleLabel_->setText(title);
    titleLabel_->setHidden(title.isNull());
}

void ZVAlertView::setMessage(const QString& message) {
    message_ = message;
    if (message.isEmpty()) {
        textLabel_->setHidden(true);
        return;
    }
    textLabel_->setAttributedText(ZVMessageParser::parseRichText(message));
    textLabel_->setHidden(false);
}

void ZVAlertView::setPointAtView(std::shared_ptr<platform::View> view) {
    pointAtView_ = std::move(view);
    updateArrow();
}

void ZVAlertView::setArrowAbove(bool above) {
    arrowAbove_ = above;
    updateArrow();
    performLayout();
}

void ZVAlertView::updateArrow() {
    if (arrow_) {
        arrow_->removeFromSuperview();
        arrow_.reset();
    }
    if (pointAtView_) {
        arrow_ = std::make_shared<ZVArrowView>(arrowAbove_, Qt::white);
        addSubview(arrow_);
    }
}

void ZVAlertView::setArrowPos(qreal pos) {
    arrowPos_ = pos;
    if (arrow_) {
        arrow_->setCenter(arrowPosForHeight(contentView_->frame().height()));
    }
}

void ZVAlertView::show() {
    ZVAlertViewManager& manager = ZVAlertViewManager::alertViewManager();
    if (const auto window = manager.keyWindow();
        window && std::abs(bounds().width() - kDefaultWidth) <= kWidthTolerance &&
        window->bounds().width() < kNarrowWindow) {
        setUntransformedFrame(
            QRectF(0, 0, window->bounds().width() - kNarrowWindowMargin, bounds().height()));
    }
    performLayout();
    manager.setCurrentAlertView(std::static_pointer_cast<ZVAlertView>(shared_from_this()));
    for (const auto& view : views_) {
        if (dynamic_cast<platform::TextField*>(view.get()) ||
            dynamic_cast<platform::TextView*>(view.get())) {
            view->becomeFirstResponder();
            break;
        }
    }
}

void ZVAlertView::hide() {
    ZVAlertViewManager::alertViewManager().hideAlertView(*this);
}

void ZVAlertView::setButton(int index, bool enabled) {
    if (index >= 0 && index < static_cast<int>(buttonViews_.size())) {
        buttonViews_[static_cast<std::size_t>(index)]->setEnabled(enabled);
    }
}

bool ZVAlertView::viewRequiresInset(const platform::View& view) const {
    if (dynamic_cast<const ZVAlertButton*>(&view)) {
        return false;
    }
    if (const auto* insetting = dynamic_cast<const ZVAlertViewInsetting*>(&view)) {
        return insetting->requiresInset();
    }
    return true;
}

void ZVAlertView::performLayout() {
    const qreal width = bounds().width();
    const bool hasTitle = !titleLabel_->isHidden();
    titleBackground_->setHidden(!hasTitle);
    closeButton_->setHidden(!buttons_.isEmpty());

    qreal y = 0;
    if (hasTitle) {
        titleBackground_->setFrame(QRectF(0, 0, width, kTitleBarHeight));
        // A title font taller than the 20-point line would not be drawn at all in it: the line
        // grows about the same middle instead.
        const qreal titleHeight =
            std::max(kTitleLabelHeight, titleLabel_->sizeThatFits(QSizeF(0, 0)).height());
        titleLabel_->setFrame(QRectF(kMargin, kMargin + (kTitleLabelHeight - titleHeight) / 2,
                                     width - 2 * kMargin, titleHeight));
        closeButton_->setCenter(
            QPointF(width - kMargin - closeButton_->bounds().width() / 2, kTitleBarHeight / 2));
        y = kTitleBarHeight;
    }
    layoutMessage(y, width);
    layoutViews(y, width);
    layoutButtons(y, width);
    setHeight(y);
    if (arrow_) {
        arrow_->setColor(arrowColor());
    }
}

void ZVAlertView::layoutMessage(qreal& y, qreal width) {
    if (messageScroll_) {
        // Laid out again: the message leaves the scroll view of the last layout.
        contentView_->insertSubviewAbove(textLabel_, titleLabel_.get());
        messageScroll_->removeFromSuperview();
        messageScroll_.reset();
    }
    if (textLabel_->isHidden()) {
        return;
    }
    const qreal textWidth = width - 2 * kMargin;
    const qreal height = ZVRichTextLayout::heightForText(textLabel_->attributedText(),
                                                         QSizeF(textWidth, kMeasureHeight));
    qreal block = height;
    if (height > kMaxMessageHeight) {
        messageScroll_ = std::make_shared<platform::ScrollView>(
            QRectF(kMargin, y + kMargin, textWidth, kMaxMessageHeight));
        contentView_->insertSubviewAbove(messageScroll_, textLabel_.get());
        textLabel_->setFrame(QRectF(0, 0, textWidth, height));
        messageScroll_->addSubview(textLabel_);
        messageScroll_->setContentSize(textLabel_->frame().size());
        block = kMaxMessageHeight;
    } else {
        textLabel_->setFrame(QRectF(kMargin, y + kMargin, textWidth, height));
    }
    y += kMargin + block + kMargin;
}

void ZVAlertView::layoutViews(qreal& y, qreal width) {
    if (views_.empty()) {
        return;
    }
    if (viewRequiresInset(*views_.front())) {
        y += kMargin;
    }
    std::optional<qreal> pageBreak;
    for (std::size_t i = 0; i < views_.size(); ++i) {
        const auto& view = views_[i];
        const bool inset = viewRequiresInset(*view);
        const qreal height = view->frame().height();
        contentView_->addSubview(view);
        view->setFrame(inset ? QRectF(kViewInset, y, width - 2 * kViewInset, height)
                             : QRectF(0, y, width, height));
        y += height;
        auto* button = dynamic_cast<ZVAlertButton*>(view.get());
        if (button && i == 0) {
            button->setSeparator(false);
        }
        if (button && button->isSeparator()) {
            pageBreak = y;
        }
        if (!button && inset) {
            y += kViewInset;
        }
    }
    if (pageBreak) {
        // The rows after the separator row wait below the card for the second page.
        y = *pageBreak;
    }
}

void ZVAlertView::layoutButtons(qreal& y, qreal width) {
    for (const auto& old : buttonViews_) {
        old->removeFromSuperview();
    }
    buttonViews_.clear();
    if (buttons_.isEmpty()) {
        return;
    }
    const qreal top = std::max(y, kButtonRowMinTop);
    const int count = static_cast<int>(buttons_.size());
    const qreal buttonWidth = width / count;
    for (int index = 0; index < count; ++index) {
        auto button = ZVAlertButton::alertButtonWithTitle(buttons_[index], QString());
        button->setTag(index);
        button->setIsDestructive(index == destructiveButtonIndex_);
        button->setIsDefault(index == defaultButtonIndex_);
        button->setFrame(QRectF(index * buttonWidth, top, buttonWidth, kButtonHeight));
        contentView_->addSubview(button);
        buttonViews_.push_back(std::move(button));
    }
    y = top + kButtonHeight;
}

QColor ZVAlertView::arrowColor() const {
    QColor color = Qt::white;
    if (!views_.empty()) {
        const auto& next = arrowAbove_ ? views_.front() : views_.back();
        const QColor background = next->backgroundColor();
        if (!viewRequiresInset(*next) && background.isValid() && background.alpha() != 0) {
            color = background;
        }
    }
    if (!titleLabel_->isHidden() && arrowAbove_) {
        color = alertColor("logo");
    }
    return color;
}

QRectF ZVAlertView::contentViewRectForHeight(qreal height) const {
    return QRectF(0, arrowAbove_ ? kArrowGap : 0, bounds().width(), height);
}

QRectF ZVAlertView::untransformedFrame() const {
    const QSizeF size = bounds().size();
    return QRectF(center() - QPointF(size.width() / 2, size.height() / 2), size);
}

void ZVAlertView::setUntransformedFrame(const QRectF& frame) {
    setBounds(QRectF(bounds().topLeft(), frame.size()));
    setCenter(frame.center());
}

QRectF ZVAlertView::frameForHeight(qreal height) const {
    const QRectF current = untransformedFrame();
    QRectF next(current.x(), current.y(), current.width(), height);
    if (pointAtView_ && !arrowAbove_) {
        // Above its view the card grows upwards, keeping the arrow on the view.
        next.moveTop(current.y() + current.height() - height);
    }
    return next;
}

QPointF ZVAlertView::arrowPosForHeight(qreal height) const {
    const qreal arrowHeight = arrow_ ? arrow_->bounds().height() : ZVArrowView::kHeight;
    return QPointF(bounds().center().x() + arrowPos_, arrowHeight / 2 + (arrowAbove_ ? 0 : height));
}

void ZVAlertView::setHeight(qreal height) {
    contentView_->setFrame(contentViewRectForHeight(height));
    setUntransformedFrame(frameForHeight(height));
    setArrowPos(arrowPos_);
}

void ZVAlertView::wasReplacedBy(ZVAlertView& replacement) {
    if (onReplaced_) {
        auto hook = onReplaced_;
        hook(replacement);
    }
}

void ZVAlertView::tellDelegate(int buttonIndex) {
    if (auto delegate = delegate_.lock()) {
        delegate->alertView(*this, buttonIndex);
    }
}
