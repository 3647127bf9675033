#pragma once

#include "platform/foundation/AttributedString.h"
#include "toolkit/dialogs/ZVDialogCell.h"

class ZVRichText;

// A row of rich text as high as its text needs at the row's width.
class ZVRichTextCell : public ZVDialogCell {
public:
    static constexpr qreal kInset = 5;

    explicit ZVRichTextCell(Style style = Style::Default, QString reuseIdentifier = {});
    ~ZVRichTextCell() override;

    const platform::AttributedString& attributedText() const { return attributedText_; }
    // Measured at the cell's width as it is now.
    void setAttributedText(const platform::AttributedString& text);
    const std::shared_ptr<ZVRichText>& text() const { return text_; }

    void layoutSubviews() override;

private:
    std::shared_ptr<ZVRichText> text_;
    platform::AttributedString attributedText_;
};
