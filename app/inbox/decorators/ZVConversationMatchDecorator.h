#pragma once

#include "app/inbox/decorators/ZVConversationDecorator.h"

// A conversation found by a search: the conversation's answers, with the topic and the member
// names that matched highlighted.
class ZVConversationMatchDecorator : public ZVConversationDecorator {
public:
    static inline const QString kMembersPrefix = QStringLiteral("Members: ");

    static bool acceptsItem(const ZVInboxRowItem& item) {
        return std::holds_alternative<std::shared_ptr<ZVConversationMatch>>(item);
    }

    ZVInboxRowItem item() const override;
    void setItem(const ZVInboxRowItem& item) override;
    platform::AttributedString title() const override;
    platform::AttributedString detailTitle() const override;

private:
    ZVWeakRowItem<ZVConversationMatch> match_;
};
