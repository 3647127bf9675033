#pragma once

#include "platform/ui/controls/EdgeInsets.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/Control.h"

#include <map>
#include <memory>

namespace platform {

// A control showing an image and a title side by side, centred, each chosen for the control's
// state. A system button draws its title and template images in the tint colour and dims them
// while pressed; a custom button shows exactly what it is given.
class Button : public Control {
public:
    // The numbers are the platform's.
    enum class Type { Custom = 0, System = 1 };
    // State bits; a value missing for a state falls back to the normal state's.
    enum State : unsigned {
        Normal = 0,
        Highlighted = 1u << 0,
        Disabled = 1u << 1,
        Selected = 1u << 2
    };

    static constexpr qreal kDefaultTitleFontSize = 15;
    // A system button's title and image while pressed, when no colour was given for that.
    static constexpr qreal kSystemHighlightedAlpha = 0.2;
    static const QColor kSystemDisabledColor;

    explicit Button(Type type = Type::Custom, const QRectF& frame = {});

    static std::shared_ptr<Button> make(Type type, const QRectF& frame = {});

    Type buttonType() const { return type_; }
    unsigned state() const;

    void setTitle(const QString& title, unsigned state);
    // The title given for exactly `state`, else the normal state's (null when none).
    QString titleForState(unsigned state) const;
    void setTitleColor(const QColor& color, unsigned state);
    // The colour given for exactly `state`, else the normal one; a system button without one for
    // `state` shows the normal colour (its tint by default) greyed when disabled, faint while
    // pressed; a custom button's title is white by default.
    QColor titleColorForState(unsigned state) const;
    void setImage(const QImage& image, unsigned state);
    QImage imageForState(unsigned state) const;

    QString currentTitle() const { return titleForState(state()); }
    QColor currentTitleColor() const { return titleColorForState(state()); }
    QImage currentImage() const { return imageForState(state()); }

    QColor tintColor() const { return tintColor_; }
    void setTintColor(const QColor& color);

    EdgeInsets contentEdgeInsets() const { return contentInsets_; }
    void setContentEdgeInsets(const EdgeInsets& insets);
    // Move the title or the image within its place: each is centred in its place less its insets.
    EdgeInsets titleEdgeInsets() const { return titleInsets_; }
    void setTitleEdgeInsets(const EdgeInsets& insets);
    EdgeInsets imageEdgeInsets() const { return imageInsets_; }
    void setImageEdgeInsets(const EdgeInsets& insets);

    // Made with the button; its font and line breaking are the caller's to set.
    const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
    const std::shared_ptr<ImageView>& imageView() const { return imageView_; }

    QRectF contentRectForBounds(const QRectF& bounds) const;
    QRectF titleRectForContentRect(const QRectF& contentRect) const;
    QRectF imageRectForContentRect(const QRectF& contentRect) const;

    void setEnabled(bool enabled) override;
    void setHighlighted(bool highlighted) override;
    void setSelected(bool selected) override;
    void layoutSubviews() override;
    // The image and the title side by side with the content insets (the title's and image's
    // insets do not count).
    QSizeF sizeThatFits(QSizeF size) const override;

private:
    template <typename T>
    static T lookUp(const std::map<unsigned, T>& values, unsigned state);
    // A system button's look of `color` in `state`: grey when disabled, faint while pressed.
    static QColor systemColor(QColor color, unsigned state);
    QSizeF titleSize() const;
    QSizeF imageSize() const;
    void updateContent();

    Type type_;
    std::map<unsigned, QString> titles_;
    std::map<unsigned, QColor> titleColors_;
    std::map<unsigned, QImage> images_;
    QColor tintColor_ = ImageView::kDefaultTint;
    EdgeInsets contentInsets_;
    EdgeInsets titleInsets_;
    EdgeInsets imageInsets_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<ImageView> imageView_;
};

}  // namespace platform
