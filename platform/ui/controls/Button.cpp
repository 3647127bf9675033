#include "platform/ui/controls/Button.h"

#include "platform/ui/resources/Images.h"

namespace platform {

namespace {

const QColor kCustomTitleColor(Qt::white);

// `size` centred on the centre of `slot` made smaller by `insets`: insets move what they inset.
QRectF centredIn(const QRectF& slot, const EdgeInsets& insets, QSizeF size) {
    const QPointF centre = insets.inset(slot).center();
    return {centre - QPointF(size.width() / 2, size.height() / 2), size};
}

}  // namespace

const QColor Button::kSystemDisabledColor(0x99, 0x99, 0x99);

Button::Button(Type type, const QRectF& frame)
    : Control(frame),
      type_(type),
      titleLabel_(View::make<Label>()),
      imageView_(View::make<ImageView>()) {
    FontDescription font;
    font.pointSize = kDefaultTitleFontSize;
    titleLabel_->setFont(font);
    titleLabel_->setLineBreakMode(LineBreakMode::TruncatingMiddle);
    titleLabel_->setTextAlignment(TextAlignment::Center);
    imageView_->setContentMode(ContentMode::Center);
    if (type_ == Type::System) {
        imageView_->setRenderingMode(ImageRenderingMode::AlwaysTemplate);
    }
    addSubview(imageView_);
    addSubview(titleLabel_);
    updateContent();
}

std::shared_ptr<Button> Button::make(Type type, const QRectF& frame) {
    return std::make_shared<Button>(type, frame);
}

unsigned Button::state() const {
    unsigned state = Normal;
    if (isHighlighted()) {
        state |= Highlighted;
    }
    if (!isEnabled()) {
        state |= Disabled;
    }
    if (isSelected()) {
        state |= Selected;
    }
    return state;
}

template <typename T>
T Button::lookUp(const std::map<unsigned, T>& values, unsigned state) {
    auto it = values.find(state);
    if (it == values.end()) {
        it = values.find(Normal);
    }
    return it == values.end() ? T() : it->second;
}

void Button::setTitle(const QString& title, unsigned state) {
    titles_[state] = title;
    updateContent();
}

QString Button::titleForState(unsigned state) const {
    return lookUp(titles_, state);
}

void Button::setTitleColor(const QColor& color, unsigned state) {
    titleColors_[state] = color;
    updateContent();
}

QColor Button::titleColorForState(unsigned state) const {
    if (const auto it = titleColors_.find(state); it != titleColors_.end()) {
        return it->second;
    }
    const QColor normal = lookUp(titleColors_, Normal);
    if (type_ == Type::Custom) {
        return normal.isValid() ? normal : kCustomTitleColor;
    }
    return systemColor(normal.isValid() ? normal : tintColor_, state);
}

QColor Button::systemColor(QColor color, unsigned state) {
    if ((state & Disabled) != 0) {
        return kSystemDisabledColor;
    }
    if ((state & Highlighted) != 0) {
        color.setAlphaF(color.alphaF() * kSystemHighlightedAlpha);
    }
    return color;
}

void Button::setImage(const QImage& image, unsigned state) {
    images_[state] = image;
    updateContent();
}

QImage Button::imageForState(unsigned state) const {
    return lookUp(images_, state);
}

void Button::setTintColor(const QColor& color) {
    tintColor_ = color;
    updateContent();
}

void Button::setContentEdgeInsets(const EdgeInsets& insets) {
    contentInsets_ = insets;
    setNeedsLayout();
}

void Button::setTitleEdgeInsets(const EdgeInsets& insets) {
    titleInsets_ = insets;
    setNeedsLayout();
}

void Button::setImageEdgeInsets(const EdgeInsets& insets) {
    imageInsets_ = insets;
    setNeedsLayout();
}

void Button::setEnabled(bool enabled) {
    Control::setEnabled(enabled);
    updateContent();
}

void Button::setHighlighted(bool highlighted) {
    Control::setHighlighted(highlighted);
    updateContent();
}

void Button::setSelected(bool selected) {
    Control::setSelected(selected);
    updateContent();
}

void Button::updateContent() {
    const unsigned current = state();
    const QString title = titleForState(current);
    if (titleLabel_->text() != title) {
        titleLabel_->setText(title);
    }
    titleLabel_->setTextColor(titleColorForState(current));
    titleLabel_->setHidden(title.isEmpty());
    const QImage image = imageForState(current);
    imageView_->setImage(image);
    imageView_->setHidden(image.isNull());
    imageView_->setTintColor(systemColor(tintColor_, current));
    setNeedsLayout();
}

QSizeF Button::titleSize() const {
    return titleLabel_->text().isEmpty() ? QSizeF(0, 0) : titleLabel_->sizeThatFits({0, 0});
}

QSizeF Button::imageSize() const {
    const QImage image = currentImage();
    return image.isNull() ? QSizeF(0, 0) : Images::pointSize(image);
}

QRectF Button::contentRectForBounds(const QRectF& bounds) const {
    return contentInsets_.inset(bounds);
}

QRectF Button::imageRectForContentRect(const QRectF& contentRect) const {
    const QSizeF image = imageSize();
    const qreal group = image.width() + titleSize().width();
    const qreal left = std::max(contentRect.left(), contentRect.center().x() - group / 2);
    const QRectF slot(left, contentRect.top(), image.width(), contentRect.height());
    return centredIn(slot, imageInsets_, image);
}

QRectF Button::titleRectForContentRect(const QRectF& contentRect) const {
    const QSizeF image = imageSize();
    const QSizeF title = titleSize();
    const qreal group = image.width() + title.width();
    const qreal left =
        std::max(contentRect.left(), contentRect.center().x() - group / 2) + image.width();
    // The title keeps its natural width while it fits, then shrinks to what the content leaves.
    const qreal room = std::max<qreal>(0, contentRect.right() - left - titleInsets_.horizontal());
    const qreal width = std::min(title.width(), room);
    const QRectF slot(left, contentRect.top(), width, contentRect.height());
    return centredIn(slot, titleInsets_, QSizeF(width, title.height()));
}

void Button::layoutSubviews() {
    const QRectF content = contentRectForBounds(bounds());
    imageView_->setFrame(imageRectForContentRect(content));
    titleLabel_->setFrame(titleRectForContentRect(content));
}

QSizeF Button::sizeThatFits(QSizeF /*size*/) const {
    const QSizeF image = imageSize();
    const QSizeF title = titleSize();
    return {image.width() + title.width() + contentInsets_.horizontal(),
            std::max(image.height(), title.height()) + contentInsets_.vertical()};
}

}  // namespace platform
