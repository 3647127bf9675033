#include "MessageFlow/pages/ZVTasksViewController.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"

using namespace Qt::Literals::StringLiterals;

ZVTasksViewController::ZVTasksViewController(std::weak_ptr<ZVMessageBoard> board)
    : board_(std::move(board)) {
    const auto shown = board_.lock();
    if (!shown) {
        return;
    }
    shown->setMessageGrouping(kMessageGrouping);
    shown->setListStyle(true);
    shown->setEmptyText(emptyText());
    shown->setCreateNewText(createNewText());
    shown->setNewMessageModifier(kNewMessageModifier);
}

std::shared_ptr<Conversation> ZVTasksViewController::conversation() const {
    const auto shown = board_.lock();
    return shown ? shown->conversation() : nullptr;
}

QString ZVTasksViewController::createNewText() const {
    const auto tasks = conversation();
    return tasks && tasks->canPost() ? kCreateNewText : QString();
}

QStringList ZVTasksViewController::observeProps() const {
    return {u"visibleTasks"_s, u"isLoading"_s, u"can_post"_s};
}

std::shared_ptr<ZVMessageArray> ZVTasksViewController::messageSource() const {
    const auto shown = board_.lock();
    const auto tasks = shown ? shown->conversation() : nullptr;
    if (!tasks) {
        return nullptr;
    }
    // A search looks through every task, folded ones too.
    return shown->searchText().isEmpty() ? tasks->visibleTasks() : tasks->tasks();
}

bool ZVTasksViewController::canLoadMore() const {
    const auto tasks = conversation();
    // The horizon is absent until the first load and 0 once the service has no older tasks.
    return tasks && tasks->taskHorizon().value_or(-1) != 0;
}

void ZVTasksViewController::loadMore() {
    if (const auto tasks = conversation()) {
        tasks->loadMoreTasks();
    }
}

void ZVTasksViewController::didSelectMessage(const std::shared_ptr<Message>& message) {
    const auto shown = board_.lock();
    if (!shown || !message) {
        return;
    }
    if (message->isOfType(Message::TypeSeparator)) {
        const auto model = message->representation();
        model->setExpanded(!model->expanded());
        if (const auto tasks = shown->conversation()) {
            tasks->resetVisibleTasks();
        }
        return;
    }
    shown->notifyCellHeightChange(false);
}

void ZVTasksViewController::didObserveChange(const QString& key) {
    if (key == u"tasks"_s || key == u"visibleTasks"_s) {
        if (const auto shown = board_.lock()) {
            shown->updateSource();
        }
    }
}
