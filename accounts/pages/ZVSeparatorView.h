#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>

namespace platform {
class Label;
}

// A hairline across the page with a short italic text in a gap at its centre.
class ZVSeparatorView : public platform::View {
public:
    static constexpr qreal kWidth = 100;
    static constexpr int kTextStyle = 20;
    // Room left and right of the text, together.
    static constexpr qreal kTextPadding = 40;

    explicit ZVSeparatorView(const QString& text);
    ~ZVSeparatorView() override;

    QString text() const;
    // Half the gap in the line around the centre.
    qreal gapHalfWidth() const;

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<platform::Label> label_;
};
