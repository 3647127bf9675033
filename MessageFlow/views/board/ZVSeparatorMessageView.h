#pragma once

#include "MessageFlow/views/ZVMessageView.h"

namespace platform {
class Label;
}

// The row that heads the task archive on the tasks board, or another separator's text: one centred
// line in capitals.
class ZVSeparatorMessageView : public ZVMessageView {
public:
    static constexpr int kCaptionStyle = 18;
    static constexpr int kLineStyle = 4;
    static inline const QString kArchivedTasksText = QStringLiteral("ARCHIVED TASKS");

    explicit ZVSeparatorMessageView(std::weak_ptr<ZVMessageViewCell> cell);
    ~ZVSeparatorMessageView() override;

    const std::shared_ptr<platform::Label>& text() const { return text_; }
    void setBackgroundColor(const QColor& color);
    void setMessage(const std::shared_ptr<Message>& message) override;
    QRectF layoutWithRect(const QRectF& rect) override;

    static qreal heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                  const ZVMessageViewCells& cells);

private:
    std::shared_ptr<platform::Label> text_;
};
