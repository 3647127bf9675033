#pragma once

#include "app/inbox/decorators/ZVInboxItemDecorator.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/ScopedTimer.h"

#include <QtCore/QStringList>

class Conversation;

// A conversation of a label. It watches the conversation and has its row refreshed once,
// kRefreshDelay after the first change of a burst.
class ZVConversationDecorator : public ZVInboxItemDecorator {
public:
    static constexpr platform::TimeInterval kRefreshDelay = 0.1;
    // What a row shows in place of a conversation that is gone.
    static inline const QString kNullText = QStringLiteral("<null>");

    // The conversation's keys whose change the row shows.
    static const QStringList& watchedKeys();
    static bool acceptsItem(const ZVInboxRowItem& item) {
        return std::holds_alternative<std::shared_ptr<Conversation>>(item);
    }

    ZVInboxRowItem item() const override;
    void setItem(const ZVInboxRowItem& item) override;

    // None once the conversation is gone (released or deleted).
    std::shared_ptr<Conversation> conversation() const;

    QString conversationId() const override;
    platform::AttributedString title() const override;
    platform::AttributedString detailTitle() const override;
    QString timestamp() const override;
    std::int64_t unreadCount() const override;
    bool isUnread() const override;
    bool isMuted() const override;
    bool isSnoozed() const override;
    bool isStarred() const override;
    bool isMention() const override;
    bool isEmail() const override;
    bool isFailed() const override;
    bool isArchived() const override;

protected:
    void setConversation(const std::shared_ptr<Conversation>& conversation);

private:
    // The conversation's answer, false once it is gone.
    bool ask(bool (Conversation::*test)() const) const;
    void propertyChanged();
    void callUpdate();

    ZVWeakRowItem<Conversation> conversation_;
    platform::Observation watching_;
    platform::ScopedTimer refresh_;
};
