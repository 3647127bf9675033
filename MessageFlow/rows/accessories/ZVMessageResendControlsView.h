#pragma once

#include "MessageFlow/rows/accessories/ZVMessageAccessoryView.h"

namespace platform {
class Button;
class Label;
}  // namespace platform

// The strip under the user's last message when its sending failed: "Sending failed" with RESEND
// and DELETE, on orange, pointing up at the message's avatar when the rows show avatars.
class ZVMessageResendControlsView : public ZVMessageAccessoryView {
public:
    static constexpr qreal kHeight = 48;
    static inline const QString kFailedText = QStringLiteral("Sending failed");
    static inline const QString kResendTitle = QStringLiteral("RESEND");
    static inline const QString kDeleteTitle = QStringLiteral("DELETE");
    static inline const QString kSeparatorText = QStringLiteral("|");
    static inline const QString kButtonColorName = QStringLiteral("alertButton");
    static constexpr int kLabelStyle = 19;
    static constexpr int kSeparatorStyle = 11;
    static constexpr qreal kSeparatorAlpha = 0.5;
    // The arrow's strip at the top, left uncoloured.
    static constexpr qreal kArrowStrip = 5;
    static constexpr qreal kArrowWidth = 10;
    static constexpr qreal kSideInset = 13;
    static constexpr qreal kVerticalInset = 10;
    static constexpr int kRowFlags = 17;

    explicit ZVMessageResendControlsView(std::weak_ptr<ZVMessageCell> cell);
    ~ZVMessageResendControlsView() override;

    static qreal height() { return kHeight; }
    const std::shared_ptr<platform::Label>& label() const { return label_; }
    const std::shared_ptr<platform::Button>& resendButton() const { return resendButton_; }
    const std::shared_ptr<platform::Button>& deleteButton() const { return deleteButton_; }
    const std::shared_ptr<platform::Label>& separator() const { return separator_; }
    // Where the arrow points (in the view), none when the rows show no avatars.
    std::optional<QRectF> arrowRect() const;

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<platform::Label> label_;
    std::shared_ptr<platform::Button> resendButton_;
    std::shared_ptr<platform::Button> deleteButton_;
    std::shared_ptr<platform::Label> separator_;
};
