#pragma once

#include "MessageFlow/rows/accessories/ZVMessageAccessoryView.h"

#include <QtCore/QDateTime>

namespace platform {
class Label;
}

// The day line above the first message of a day: the date centred on a thin rule.
class ZVMessageDateView : public ZVMessageAccessoryView {
public:
    static constexpr qreal kHeight = 66;
    static constexpr int kTextStyle = 18;
    static constexpr qreal kLabelPadding = 5;
    static constexpr qreal kLineInset = 13;

    explicit ZVMessageDateView(std::weak_ptr<ZVMessageCell> cell);
    ~ZVMessageDateView() override;

    static qreal height() { return kHeight; }
    const QDateTime& date() const { return date_; }
    void setDate(const QDateTime& date);
    // The label takes the colour too, so that it hides the rule behind the text.
    void setBackgroundColor(const QColor& color) override;

    const std::shared_ptr<platform::Label>& text() const { return text_; }
    const std::shared_ptr<platform::View>& separator() const { return separator_; }
    void layoutSubviews() override;

private:
    std::shared_ptr<platform::Label> text_;
    std::shared_ptr<platform::View> separator_;
    QDateTime date_;
};
