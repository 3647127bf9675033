#pragma once

#include "MessageFlow/rows/cells/ZVMessageCell.h"

class ZVAvatarView;
class ZVRichText;

// A row that starts a poster's group: the avatar in the left column and, above the message, the
// poster's name with a "via" note and the time. Grouped rows keep the column, empty.
class ZVAvatarMessageCell : public ZVMessageCell {
public:
    static constexpr int kNameStyle = 3;
    static constexpr int kNoteStyle = 13;
    static constexpr int kSystemNameColorStyle = 17;
    static constexpr qreal kAvatarTop = 7;
    // The header's frame reaches below its line, so descenders are not clipped.
    static constexpr qreal kHeaderOverhang = 3;
    static constexpr qreal kFilesOnlyGap = 5;
    static constexpr qreal kBadgeInsetX = 5;
    static constexpr qreal kBadgeInsetY = 7;
    static constexpr qreal kPendingAvatarAlpha = 0.5;
    static inline const QString kEmailBadgeName = QStringLiteral("icon-email-avatar");
    static inline const QString kSystemName = QStringLiteral("Zelvo");
    static inline const QString kViaEmail = QStringLiteral("via email");
    static inline const QString kViaFormat = QStringLiteral("via %@");
    static inline const QString kViaHook = QStringLiteral("via hook");

    using ZVMessageCell::ZVMessageCell;
    ~ZVAvatarMessageCell() override;

    static qreal heightWithMessage(const std::shared_ptr<Message>& message,
                                   const ZVConversationCells& cells, bool groupedWithNext,
                                   bool groupedWithPrevious);
    // The header line of a message; the note after the name is the third run's text, if any.
    static platform::AttributedString headerText(const std::shared_ptr<Message>& shown);

    void setAvatarSize(int size) override;
    int avatarSize() const;
    void setGroupedWithPrevious(bool grouped) override;
    void setMessage(const std::shared_ptr<Message>& message) override;
    void setBackgroundColor(const QColor& color) override;

    const std::shared_ptr<ZVAvatarView>& avatar() const { return avatar_; }
    const std::shared_ptr<ZVRichText>& header() const { return headerText_; }
    const std::shared_ptr<platform::ImageView>& emailBadge() const { return email_; }

    QPainterPath highlightShape() const override;

protected:
    void setUp() override;
    QRectF layoutWithRect(const QRectF& rect) override;
    void updateEditIcon() override;

private:
    // Pinned and task views carry their own lines; the model's rule for them is the message's.
    bool headerAllowed() const;
    void updateHeaderVisibility();
    void updateAvatar(const Message& message);
    void updateEmailBadge(const Message& message);

    std::shared_ptr<ZVAvatarView> avatar_;
    std::shared_ptr<ZVRichText> headerText_;
    std::shared_ptr<platform::ImageView> email_;
};
