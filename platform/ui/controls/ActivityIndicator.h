#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/view/View.h"

#include <QtGui/QColor>

namespace platform {

// A spinning wheel of spokes that turns one step at a time on the scheduler's clock while it is
// animating. Hidden while stopped unless told otherwise.
class ActivityIndicator : public View {
public:
    // The numbers are the platform's.
    enum class Style { WhiteLarge = 0, White = 1, Gray = 2 };

    static constexpr int kSpokes = 12;
    // One turn a second.
    static constexpr double kStepInterval = 1.0 / kSpokes;
    static constexpr qreal kSmallSize = 20;
    static constexpr qreal kLargeSize = 37;

    explicit ActivityIndicator(Style style = Style::White);
    ~ActivityIndicator() override;

    Style style() const { return style_; }
    void setStyle(Style style);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    // Which spoke is brightest now: turns by one each step.
    int phase() const { return phase_; }

    // The style's size.
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    Style style_;
    QColor color_;
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
    int phase_ = 0;
    ScopedTimer timer_;
};

}  // namespace platform
