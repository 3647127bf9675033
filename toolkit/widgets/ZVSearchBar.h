#pragma once

#include "platform/ui/view/View.h"
#include "toolkit/widgets/ZVSearchBarDelegate.h"

#include <memory>

namespace platform {
class Button;
class ImageView;
class TextField;
}  // namespace platform

// The application's search field: a rounded white field with a search icon, a clear button and
// an optional close button that slides in from the right. Its owner hears it through the search
// bar delegate; every call carries one stand-in bar that is never shown, so that owners cannot
// tell it from the platform's bar.
class ZVSearchBar : public platform::View {
public:
    static constexpr qreal kWidth = 320;
    static constexpr qreal kHeight = 50;
    static constexpr qreal kHeaderHeight = 40;
    static constexpr qreal kInsetX = 13;
    static constexpr qreal kInsetY = 10;
    static constexpr qreal kHeaderInsetX = 1;
    static constexpr qreal kHeaderInsetY = 5;
    static constexpr qreal kCornerRadius = 16;
    static constexpr qreal kButtonGrowth = 5;
    static constexpr qreal kButtonSlack = 10;
    static constexpr qreal kGap = 5;
    static constexpr qreal kIconMargin = 10;
    static constexpr double kCloseDuration = 0.3;

    ZVSearchBar();
    ~ZVSearchBar() override;

    QString text() const;
    void setText(const QString& text);
    QString placeholder() const;
    void setPlaceholder(const QString& placeholder);
    void clearClicked();
    void cancelClicked();

    bool showIcons() const;
    void setShowIcons(bool show);
    bool showClose() const { return showClose_; }
    void setShowClose(bool show);
    bool showSeparator() const { return showSeparator_; }
    void setShowSeparator(bool show);
    bool headerStyle() const { return headerStyle_; }
    void setHeaderStyle(bool headerStyle);
    void setDelegate(std::weak_ptr<ZVSearchBarDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    bool becomeFirstResponder() override;
    bool isFirstResponder() const override;
    bool resignFirstResponder() override;

    const std::shared_ptr<platform::TextField>& textField() const { return textField_; }
    const std::shared_ptr<platform::ImageView>& image() const { return image_; }
    const std::shared_ptr<platform::View>& background() const { return background_; }
    const std::shared_ptr<platform::Button>& clearButton() const { return clearButton_; }
    const std::shared_ptr<platform::Button>& cancelButton() const { return cancelButton_; }
    // The bar every delegate call names.
    platform::View& dummySearchBar() const { return *dummySearchBar_; }

    QSizeF sizeThatFits(QSizeF size) const override;
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    class FieldDelegate;
    friend class FieldDelegate;

    void textFieldChanged();
    void fieldDidBeginEditing();
    void fieldDidEndEditing();
    // False refuses the change; the return key's line break runs the search instead.
    bool fieldShouldChange(const QString& replacement);
    void searchClicked();

    std::shared_ptr<platform::TextField> textField_;
    std::shared_ptr<platform::ImageView> image_;
    std::shared_ptr<platform::View> background_;
    std::shared_ptr<platform::Button> clearButton_;
    std::shared_ptr<platform::Button> cancelButton_;
    std::shared_ptr<FieldDelegate> fieldDelegate_;
    std::unique_ptr<platform::View> dummySearchBar_;
    std::weak_ptr<ZVSearchBarDelegate> delegate_;
    bool showClose_ = false;
    bool showSeparator_ = true;
    bool headerStyle_ = false;
};
