#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>

namespace platform {
class ActivityIndicator;
}
class ZVRichText;

// A strip of one paragraph of explanatory text at an end of a message table, with an optional
// spinner right after the text and optional separators above and below. Its height follows its
// text and width.
class ZVTableMessage : public platform::View {
public:
    static constexpr int kTextStyle = 13;
    static constexpr qreal kDefaultMarginWidth = 13;
    static constexpr qreal kVerticalInset = 5;
    static constexpr qreal kSpinnerGap = 5;

    ZVTableMessage();
    ~ZVTableMessage() override;

    QString text() const;
    void setText(const QString& text);
    bool activity() const { return activityIndicator_ != nullptr; }
    void setActivity(bool activity);
    qreal marginWidth() const { return marginWidth_; }
    void setMarginWidth(qreal width) { marginWidth_ = width; }
    bool separatorAbove() const { return separatorAbove_; }
    void setSeparatorAbove(bool above) { separatorAbove_ = above; }
    bool separatorBelow() const { return separatorBelow_; }
    void setSeparatorBelow(bool below) { separatorBelow_ = below; }

    const std::shared_ptr<ZVRichText>& textView() const { return text_; }
    const std::shared_ptr<platform::ActivityIndicator>& activityIndicator() const {
        return activityIndicator_;
    }

    // With text, the height is the text's at the frame's width less the margins, plus the insets.
    void setFrame(const QRectF& frame) override;
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<ZVRichText> text_;
    std::shared_ptr<platform::ActivityIndicator> activityIndicator_;
    qreal marginWidth_ = kDefaultMarginWidth;
    bool separatorAbove_ = false;
    bool separatorBelow_ = false;
};
