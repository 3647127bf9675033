#pragma once

#include "MessageFlow/views/ZVBaseMessageView.h"

#include <QtCore/QStringList>

class ZVAvatarView;

namespace platform {
class Label;
}

// A task in an outlined box: who created it and when, to whom it is assigned, and on the boards
// the assignees' avatars at the right of its first line. A collapsed task on a board is one line.
class ZVTaskMessageView : public ZVBaseMessageView {
public:
    static constexpr qreal kMargin = 10;
    static constexpr qreal kCornerRadius = 4;
    static constexpr qreal kBorderWidth = 1;
    static constexpr int kStatusStyle = 20;
    // The line the avatars and a collapsed task's text stand in.
    static constexpr int kFirstLineStyle = 4;
    static constexpr int kAvatarSize = 1;
    static constexpr qreal kAvatarGap = 5;
    static inline const QString kCreatedFormat = QStringLiteral("Created by %@ (%@)");
    static inline const QString kAssignedFormat = QStringLiteral("Assigned to %@");

    explicit ZVTaskMessageView(std::weak_ptr<ZVMessageViewCell> cell);
    ~ZVTaskMessageView() override;

    const std::shared_ptr<platform::Label>& createdLabel() const { return createdLabel_; }
    const std::shared_ptr<platform::Label>& assignedLabel() const { return assignedLabel_; }
    const std::vector<std::shared_ptr<ZVAvatarView>>& assigneeAvatars() const {
        return assigneeAvatars_;
    }

    void setBackgroundColor(const QColor& color) override;
    // Space-separated account ids.
    void setAssignees(const QString& accountIds);
    void updateStatusTextWithMessage(const Message& message);
    void setMessage(const std::shared_ptr<Message>& message) override;
    QRectF layoutWithRect(const QRectF& rect) override;

    static qreal heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                  const ZVMessageViewCells& cells);
    static QStringList assigneeIdsOf(const QString& accountIds);

private:
    std::shared_ptr<platform::Label> createdLabel_;
    std::shared_ptr<platform::Label> assignedLabel_;
    std::vector<std::shared_ptr<ZVAvatarView>> assigneeAvatars_;
};
