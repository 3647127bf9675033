#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/model/ConversationWriters.h"

const std::shared_ptr<ConversationWriters>& Conversation::writers() {
    if (!writers_) {
        writers_ = std::make_shared<ConversationWriters>(self());
    }
    return writers_;
}

void Conversation::resetWriters() {
    if (writers_) {
        // The object may be the caller; it keeps itself alive until it returns.
        writers_->reset();
        writers_.reset();
    }
}

void Conversation::updateActivityBy(const QString& accountId, bool writing,
                                    std::int64_t messageNr) {
    writers()->updateActivityBy(accountId, writing, messageNr);
}

void Conversation::setWritingStatus(bool writing, std::int64_t messageNr) {
    if (isNewConversation() || messageNr > lastMessageNr().value_or(0)) {
        return;
    }
    writers()->setWritingStatus(writing, messageNr);
    // Starting a new message moves the conversation up the inbox.
    if (writing && messageNr == 0) {
        bringToTop();
    }
}
