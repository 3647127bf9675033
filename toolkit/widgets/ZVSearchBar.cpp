#include "toolkit/widgets/ZVSearchBar.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBranding.h"

using platform::resolveColor;

namespace {

constexpr int kFieldStyle = 0;
const QString kLineBreak = QStringLiteral("\n");

}  // namespace

class ZVSearchBar::FieldDelegate : public platform::TextFieldDelegate {
public:
    explicit FieldDelegate(ZVSearchBar& bar) : bar_(bar) {}
    void textFieldDidBeginEditing(platform::TextField&) override { bar_.fieldDidBeginEditing(); }
    void textFieldDidEndEditing(platform::TextField&) override { bar_.fieldDidEndEditing(); }
    bool textFieldShouldChangeCharacters(platform::TextField&, platform::TextRange,
                                         const QString& replacement) override {
        return bar_.fieldShouldChange(replacement);
    }
    // This field's return key does not arrive as a typed line break: it searches all the same.
    bool textFieldShouldReturn(platform::TextField&) override {
        bar_.searchClicked();
        return false;
    }

private:
    ZVSearchBar& bar_;
};

ZVSearchBar::ZVSearchBar()
    : textField_(std::make_shared<platform::TextField>()),
      image_(std::make_shared<platform::ImageView>(
          platform::Images::named(QStringLiteral("icon-search")))),
      background_(platform::View::make()),
      clearButton_(ZVBranding::buttonWithImage(QStringLiteral("icon-search-close"))),
      cancelButton_(ZVBranding::createPlainButtonWithTitle(QStringLiteral("CLOSE"))),
      fieldDelegate_(std::make_shared<FieldDelegate>(*this)),
      dummySearchBar_(std::make_unique<platform::View>()) {
    setBackgroundColor(resolveColor(ZVColors::background()));

    background_->setBackgroundColor(Qt::white);
    background_->layer().setCornerRadius(kCornerRadius);
    background_->layer().setBorderColor(resolveColor(ZVColors::border()));
    background_->layer().setBorderWidth(1);
    addSubview(background_);

    textField_->setReturnKeyType(platform::ReturnKeyType::Search);
    textField_->setFont(ZVTextStyles::fontForStyle(kFieldStyle));
    textField_->setDelegate(fieldDelegate_);
    textField_->addTarget(platform::Control::EditingChanged,
                          [this](platform::Control&) { textFieldChanged(); });
    addSubview(textField_);

    image_->sizeToFit();
    addSubview(image_);

    const qreal grow = kButtonGrowth;
    clearButton_->setFrame(clearButton_->frame().adjusted(-grow, -grow, grow, grow));
    clearButton_->addTarget(platform::Control::TouchUpInside,
                            [this](platform::Control&) { clearClicked(); });
    clearButton_->setHidden(true);
    addSubview(clearButton_);

    cancelButton_->setTitleColor(resolveColor(ZVColors::text()), platform::Button::Normal);
    cancelButton_->addTarget(platform::Control::TouchUpInside,
                             [this](platform::Control&) { cancelClicked(); });
    cancelButton_->setHidden(true);
    addSubview(cancelButton_);
}

ZVSearchBar::~ZVSearchBar() = default;

QString ZVSearchBar::text() const {
    return textField_->text();
}

void ZVSearchBar::setText(const QString& text) {
    textField_->setText(text);
    textFieldChanged();
}

QString ZVSearchBar::placeholder() const {
    return textField_->placeholder();
}

void ZVSearchBar::setPlaceholder(const QString& placeholder) {
    textField_->setPlaceholder(placeholder);
}

void ZVSearchBar::clearClicked() {
    setText(QStringLiteral(""));
}

void ZVSearchBar::cancelClicked() {
    if (auto delegate = delegate_.lock()) {
        delegate->searchBarCancelButtonClicked(*dummySearchBar_);
    }
}

void ZVSearchBar::searchClicked() {
    if (auto delegate = delegate_.lock()) {
        delegate->searchBarSearchButtonClicked(*dummySearchBar_);
    }
}

bool ZVSearchBar::showIcons() const {
    return !image_->isHidden();
}

void ZVSearchBar::setShowIcons(bool show) {
    image_->setHidden(!show);
    clearButton_->setHidden(!show || text().isEmpty());
    setNeedsLayout();
}

void ZVSearchBar::setShowClose(bool show) {
    if (show == showClose_) {
        return;
    }
    layoutIfNeeded();
    showClose_ = show;
    if (show) {
        cancelButton_->setHidden(false);
    }
    platform::ViewAnimation::animate(
        kCloseDuration,
        [this] {
            setNeedsLayout();
            layoutIfNeeded();
        },
        [button = cancelButton_, show](bool) {
            if (!show) {
                button->setHidden(true);
            }
        });
}

void ZVSearchBar::setShowSeparator(bool show) {
    showSeparator_ = show;
    setNeedsDisplay();
}

void ZVSearchBar::setHeaderStyle(bool headerStyle) {
    headerStyle_ = headerStyle;
    if (headerStyle) {
        cancelButton_->setTitleColor(Qt::white, platform::Button::Normal);
    }
    setNeedsLayout();
}

bool ZVSearchBar::becomeFirstResponder() {
    return textField_->becomeFirstResponder();
}

bool ZVSearchBar::isFirstResponder() const {
    return textField_->isFirstResponder();
}

bool ZVSearchBar::resignFirstResponder() {
    return textField_->resignFirstResponder() || View::resignFirstResponder();
}

void ZVSearchBar::textFieldChanged() {
    if (auto delegate = delegate_.lock()) {
        delegate->searchBarTextDidChange(*dummySearchBar_, text());
    }
    clearButton_->setHidden(text().isEmpty());
    setNeedsLayout();
}

void ZVSearchBar::fieldDidBeginEditing() {
    layoutIfNeeded();
    if (auto delegate = delegate_.lock()) {
        delegate->searchBarTextDidBeginEditing(*dummySearchBar_);
    }
}

void ZVSearchBar::fieldDidEndEditing() {
    if (auto delegate = delegate_.lock()) {
        delegate->searchBarTextDidEndEditing(*dummySearchBar_);
    }
}

bool ZVSearchBar::fieldShouldChange(const QString& replacement) {
    if (replacement == kLineBreak) {
        searchClicked();
        return false;
    }
    return true;
}

QSizeF ZVSearchBar::sizeThatFits(QSizeF /*size*/) const {
    return {kWidth, headerStyle_ ? kHeaderHeight : kHeight};
}

void ZVSearchBar::layoutSubviews() {
    QRectF r = headerStyle_
                   ? bounds().adjusted(kHeaderInsetX, kHeaderInsetY, -kHeaderInsetX, -kHeaderInsetY)
                   : bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    const qreal closeWidth = cancelButton_->bounds().width();
    if (showClose_) {
        cancelButton_->setCenter(CGRectExtractRight(r, closeWidth + kButtonSlack).center());
        CGRectExtractRight(r, kGap);
    } else {
        // Just outside the field, where it slides in from.
        cancelButton_->setCenter(QPointF(r.right() + kGap + closeWidth / 2, r.center().y()));
    }
    background_->setFrame(r);
    if (!clearButton_->isHidden()) {
        clearButton_->setCenter(
            CGRectExtractRight(r, clearButton_->bounds().width() + kButtonSlack).center());
    }
    if (image_->isHidden()) {
        r.adjust(kIconMargin, 0, -kIconMargin, 0);
    } else {
        CGRectExtractLeft(r, kIconMargin);
        image_->setCenter(CGRectExtractLeft(r, image_->bounds().width()).center());
        CGRectExtractLeft(r, kGap);
    }
    textField_->setFrame(r);
}

void ZVSearchBar::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    if (showSeparator_) {
        drawSeparator(painter, bounds(), false, true);
    }
}
