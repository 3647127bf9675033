#include "app/inbox/decorators/ZVMessageDecorator.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/style/AttributedStringUtils.h"

ZVInboxRowItem ZVMessageDecorator::item() const {
    return message_.item();
}

void ZVMessageDecorator::setItem(const ZVInboxRowItem& item) {
    ZVInboxItemDecorator::setItem(item);
    message_.set(item);
}

QString ZVMessageDecorator::guid() const {
    const auto message = message_.lock();
    return message ? message->guid() : QString();
}

QString ZVMessageDecorator::conversationId() const {
    const auto message = message_.lock();
    return message ? message->conversationId() : QString();
}

platform::AttributedString ZVMessageDecorator::title() const {
    const auto message = message_.lock();
    const auto conversation = message ? message->conversation() : nullptr;
    return platform::AttributedString(conversation ? conversation->topicText() : QString());
}

platform::AttributedString ZVMessageDecorator::detailTitle() const {
    const auto message = message_.lock();
    if (!message) {
        return {};
    }
    const auto representation =
        std::dynamic_pointer_cast<ZVRichMessageRepresentation>(message->representation());
    if (!representation) {
        return {};
    }
    return extractHighlightedFragmentFitInLength(representation->searchMatchText(),
                                                 kFragmentLength);
}

QString ZVMessageDecorator::timestamp() const {
    const auto message = message_.lock();
    return message ? ZVLocalization::formatDate(message->postedTime(), true) : QString();
}
