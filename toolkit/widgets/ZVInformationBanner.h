#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/ui/view/View.h"

#include <memory>

class ZVRichText;

// A white card with a coloured stripe, holding an explanatory note at the top of a list. Its
// height follows the note.
class ZVInformationBanner : public platform::View {
public:
    static constexpr qreal kTextInset = 18;
    static constexpr qreal kStripeWidth = 5;
    static constexpr qreal kCardInset = 13;
    static constexpr qreal kCardRadius = 4;
    // The text's width is the banner's less both insets and the stripe.
    static constexpr qreal kTextWidthLoss = 2 * kTextInset + kStripeWidth;
    static constexpr qreal kTextHeightExtra = 2 * kTextInset;

    ZVInformationBanner();
    ~ZVInformationBanner() override;

    const platform::AttributedString& message() const;
    void setMessage(const platform::AttributedString& message);
    const std::shared_ptr<ZVRichText>& text() const { return text_; }
    // With a message, the height is the note's for the width plus the insets; else as asked.
    void setFrame(const QRectF& frame) override;

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<ZVRichText> text_;
};
