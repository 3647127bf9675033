#pragma once

#include "MessageFlow/views/ZVTextMessageView.h"

namespace platform {
class Label;
}

// A text message under a "Subject: " line, shown when the table model says its subject differs
// from the one above it.
class ZVEmailMessageView : public ZVTextMessageView {
public:
    static constexpr int kSubjectStyle = 20;
    static constexpr qreal kSubjectGap = 5;
    static inline const QString kSubjectCaption = QStringLiteral("Subject: ");

    using ZVTextMessageView::ZVTextMessageView;
    ~ZVEmailMessageView() override;

    void setMessage(const std::shared_ptr<Message>& message) override;
    // Null or empty hides the line.
    void setSubject(const QString& subject);
    QRectF layoutWithRect(const QRectF& rect) override;

    const std::shared_ptr<platform::Label>& subjectLabel() const { return subjectLabel_; }
    const std::shared_ptr<platform::Label>& subjectText() const { return subjectText_; }

    static qreal heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                  const ZVMessageViewCells& cells);

private:
    std::shared_ptr<platform::Label> subjectLabel_;
    std::shared_ptr<platform::Label> subjectText_;
};
