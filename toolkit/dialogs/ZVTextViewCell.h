#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

namespace platform {
class Label;
}
class ZVTextView;

// A row of several lines of text input that grows with its text (never below 40 pt), with a
// placeholder shown while it is empty.
class ZVTextViewCell : public ZVDialogCell {
public:
    static constexpr qreal kMinimumHeight = 40;
    static constexpr QRectF kInitialTextViewFrame{10, 10, 300, 30};
    static constexpr QRectF kInitialFrame{0, 0, 320, 40};
    static constexpr int kTextStyle = 0;
    static constexpr int kPlaceholderStyle = 17;

    ZVTextViewCell();
    ~ZVTextViewCell() override;

    const std::shared_ptr<ZVTextView>& textView() const { return textView_; }
    QString placeholder() const;
    void setPlaceholder(const QString& placeholder);
    const std::shared_ptr<platform::Label>& placeholderLabel() const { return placeholder_; }

    // The height follows the text view's content height.
    void updateHeight();
    // Shows the placeholder only while there is one and the text view is empty.
    void notifyTextChange();

    void layoutSubviews() override;

private:
    std::shared_ptr<ZVTextView> textView_;
    std::shared_ptr<platform::Label> placeholder_;
    platform::Observation contentSize_;
};
