#pragma once

#include "MessageFlow/rows/accessories/ZVMessageLoadMoreViewBottom.h"

namespace platform {
class Label;
}

// The bar above a message before which messages are missing, with a line that says how much time
// the gap spans.
class ZVMessageLoadMoreViewTop : public ZVMessageLoadMoreViewBottom {
public:
    static constexpr qreal kHeight = 90;
    static constexpr qreal kButtonLift = 5;
    static constexpr qreal kLabelHeight = 22;
    static constexpr int kTextStyle = 18;
    static inline const QString kUnknownIntervalText = QStringLiteral("More messages");
    static inline const QString kIntervalFormat = QStringLiteral("%@ of messages");

    explicit ZVMessageLoadMoreViewTop(std::weak_ptr<ZVMessageCell> cell);
    ~ZVMessageLoadMoreViewTop() override;

    static qreal height() { return kHeight; }
    bool isTop() const override { return true; }
    double interval() const { return interval_; }
    // Seconds between the message and the one before the gap.
    void setInterval(double interval);
    const std::shared_ptr<platform::Label>& label() const { return label_; }

    void layoutSubviews() override;

protected:
    qreal buttonLift() const override { return kButtonLift; }

private:
    std::shared_ptr<platform::Label> label_;
    double interval_ = 0;
};
