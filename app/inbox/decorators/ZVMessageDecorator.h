#pragma once

#include "app/inbox/decorators/ZVInboxItemDecorator.h"

// A message found by the service's search: the conversation's topic over a short fragment of the
// message around the hit.
class ZVMessageDecorator : public ZVInboxItemDecorator {
public:
    // Characters of the message shown around the highlighted hit.
    static constexpr qsizetype kFragmentLength = 30;

    static bool acceptsItem(const ZVInboxRowItem& item) {
        return std::holds_alternative<std::shared_ptr<Message>>(item);
    }

    ZVInboxRowItem item() const override;
    void setItem(const ZVInboxRowItem& item) override;
    std::shared_ptr<Message> message() const { return message_.lock(); }

    QString guid() const override;
    QString conversationId() const override;
    platform::AttributedString title() const override;
    platform::AttributedString detailTitle() const override;
    QString timestamp() const override;

private:
    ZVWeakRowItem<Message> message_;
};
