#pragma once

#include "app/inbox/cells/ZVAvatarCell.h"

// The "Create new conversation" row at the end of the inbox list.
class ZVNewConversationCell : public ZVAvatarCell {
public:
    static inline const QString kText = QStringLiteral("Create new conversation");
    static constexpr int kTextStyle = 6;
    // Left-aligned, vertically centred, sized to fit.
    static constexpr int kTextFlags = 529;

    explicit ZVNewConversationCell(Style style = Style::Default, QString reuseIdentifier = {});

    void setAvatarSize(int size) override;
    QRectF layoutWithRect(const QRectF& rect) override;
};
