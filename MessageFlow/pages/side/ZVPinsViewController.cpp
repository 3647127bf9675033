#include "MessageFlow/pages/side/ZVPinsViewController.h"

#include "ZelvoKit/model/Conversation.h"

using namespace Qt::Literals::StringLiterals;

ZVPinsViewController::ZVPinsViewController(std::weak_ptr<ZVMessageBoard> board)
    : board_(std::move(board)) {
    const auto shown = board_.lock();
    if (!shown) {
        return;
    }
    shown->setMessageGrouping(kMessageGrouping);
    shown->setEmptyText(emptyText());
    shown->setCreateNewText(createNewText());
    shown->setNewMessageModifier(kNewMessageModifier);
}

std::shared_ptr<Conversation> ZVPinsViewController::conversation() const {
    const auto shown = board_.lock();
    return shown ? shown->conversation() : nullptr;
}

QString ZVPinsViewController::createNewText() const {
    const auto pins = conversation();
    return pins && pins->canPost() ? kCreateNewText : QString();
}

QStringList ZVPinsViewController::observeProps() const {
    return {u"pinnedMessages"_s, u"isLoading"_s, u"can_post"_s};
}

std::shared_ptr<ZVMessageArray> ZVPinsViewController::messageSource() const {
    const auto pins = conversation();
    return pins ? pins->pinnedMessages() : nullptr;
}

bool ZVPinsViewController::canLoadMore() const {
    const auto pins = conversation();
    return pins && !pins->allPinsLoaded();
}

void ZVPinsViewController::loadMore() {
    if (const auto pins = conversation()) {
        pins->loadMorePins();
    }
}

void ZVPinsViewController::didObserveChange(const QString& key) {
    if (key == u"pinnedMessages"_s) {
        if (const auto shown = board_.lock()) {
            shown->updateSource();
        }
    }
}
