#pragma once

#include "MessageFlow/rows/accessories/ZVMessageAccessoryView.h"

namespace platform {
class Button;
}

// The bar under a message after which messages are missing: a "Load more messages" badge that
// asks the conversation to fill the gap, on a band and a rule that point at the gap.
class ZVMessageLoadMoreViewBottom : public ZVMessageAccessoryView {
public:
    static constexpr qreal kHeight = 27;
    static inline const QString kButtonTitle = QStringLiteral("Load more messages");
    static inline const QString kBandColorName = QStringLiteral("lighterGray");
    static constexpr qreal kArrowWidth = 10;
    static constexpr qreal kArrowHeight = 5;

    explicit ZVMessageLoadMoreViewBottom(std::weak_ptr<ZVMessageCell> cell, qreal height = kHeight);
    ~ZVMessageLoadMoreViewBottom() override;

    static qreal height() { return kHeight; }
    // The gap lies above the message (the top bar) or below it.
    virtual bool isTop() const { return false; }
    const std::shared_ptr<platform::Button>& button() const { return button_; }
    void buttonTapped();

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

protected:
    // How far the button sits above the bottom edge.
    virtual qreal buttonLift() const { return 0; }

private:
    std::shared_ptr<platform::Button> button_;
};
