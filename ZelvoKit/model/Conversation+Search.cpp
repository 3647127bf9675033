#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/model/ZVRecordKeys.h"
#include "ZelvoKit/model/ZVRepositorySession.h"

using zvrecord::kMessagesKey;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kSearchMatchMessages = u"searchMatchMessages"_s;
const QString kSearchInProgress = u"searchInProgress"_s;

}  // namespace

void Conversation::setSearchText(const QString& text) {
    if (text == searchText_ && text.isNull() == searchText_.isNull()) {
        return;
    }
    searchText_ = text;
    changeValueForKey(kSearchMatchMessages, [this] { searchMatchMessages_.reset(); });
    if (messages_) {
        // The message list filters by the text.
        changeValueForKey(kMessagesKey);
    }
}

void Conversation::runServerSearch() {
    const auto session = repositorySession();
    if (searchText_.isEmpty() || !session) {
        return;
    }
    const std::int64_t index = searchStarted();
    changeValueForKey(kSearchMatchMessages, [this] { searchMatchMessages_.reset(); });
    const std::weak_ptr<Conversation> weakSelf = self();
    const std::weak_ptr<ZVRepositorySession> weakSession = session;
    session->searchMessages(
        searchText_, conversationId(),
        [weakSelf, weakSession](const QString&, std::int64_t messageNr) {
            const auto self = weakSelf.lock();
            const auto session = weakSession.lock();
            if (!self || !session) {
                return;
            }
            session->conversationChanged(self);
            if (const auto message = self->messageByNumber(messageNr, true)) {
                self->addMatchingMessage(message);
            }
        },
        [weakSelf, index](std::int64_t) {
            if (const auto self = weakSelf.lock()) {
                self->searchEndedWithIndex(index);
            }
        },
        [weakSelf, index](const ZVErrorPtr&) {
            if (const auto self = weakSelf.lock()) {
                self->searchEndedWithIndex(index);
            }
        });
}

std::int64_t Conversation::searchStarted() {
    if (searchIndex_ == 0) {
        changeValueForKey(kSearchInProgress, [this] { ++searchIndex_; });
    } else {
        ++searchIndex_;
    }
    return searchIndex_;
}

void Conversation::searchEndedWithIndex(std::int64_t index) {
    // An older search ending while a newer one runs leaves the state running.
    if (searchIndex_ == index) {
        changeValueForKey(kSearchInProgress, [this] { searchIndex_ = 0; });
    }
}

int Conversation::searchState() const {
    if (searchIndex_ > 0) {
        return SearchRunning;
    }
    return searchMatchMessages_ ? SearchResults : SearchIdle;
}

void Conversation::addMatchingMessage(const std::shared_ptr<Message>& message) {
    willChangeProperty(kSearchMatchMessages);
    if (!searchMatchMessages_) {
        searchMatchMessages_ = std::make_shared<ZVMessageArray>(ZVMessageArray::SearchRank);
    }
    searchMatchMessages_->addMessage(message);
    addMessage(message);
}
