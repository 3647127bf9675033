#pragma once

#include "MessageFlow/rows/accessories/ZVMessageAccessoryView.h"

namespace platform {
class Button;
}

// "NEW MESSAGES" on an orange rule, above the first message the user has not read.
class ZVMessageNewIndicatorView : public ZVMessageAccessoryView {
public:
    static constexpr qreal kHeight = 44;
    static inline const QString kTitle = QStringLiteral("NEW MESSAGES");
    static constexpr qreal kLineInset = 13;

    explicit ZVMessageNewIndicatorView(std::weak_ptr<ZVMessageCell> cell);
    ~ZVMessageNewIndicatorView() override;

    static qreal height() { return kHeight; }
    const std::shared_ptr<platform::Button>& button() const { return button_; }

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<platform::Button> button_;
};
