#pragma once

#include "MessageFlow/views/ZVBaseMessageView.h"

namespace platform {
class Label;
}

// A pinned message on the pin colour, with a line that says who created, last edited, deleted or
// is editing it. On a board a collapsed pin shows no such line.
class ZVPinnedMessageView : public ZVBaseMessageView {
public:
    static constexpr qreal kMargin = 10;
    static constexpr qreal kCornerRadius = 4;
    static constexpr int kStatusStyle = 20;
    static inline const QString kSendingText = QStringLiteral("Sending");
    static inline const QString kLockedByFormat = QStringLiteral("Locked by %@");
    static inline const QString kCreatedByFormat = QStringLiteral("Created by %@");
    static inline const QString kDeletedByFormat = QStringLiteral("Deleted by %@");
    static inline const QString kLastEditByFormat = QStringLiteral("Last edit by %@");

    explicit ZVPinnedMessageView(std::weak_ptr<ZVMessageViewCell> cell);
    ~ZVPinnedMessageView() override;

    const std::shared_ptr<platform::Label>& statusText() const { return statusText_; }

    void setBackgroundColor(const QColor& color) override;
    void setMessage(const std::shared_ptr<Message>& message) override;
    void updateStatusTextWithMessage(const Message& message);
    QRectF layoutWithRect(const QRectF& rect) override;

    static qreal heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                  const ZVMessageViewCells& cells);

private:
    std::shared_ptr<platform::Label> statusText_;
};
