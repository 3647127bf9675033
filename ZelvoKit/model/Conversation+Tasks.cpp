#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kTasksKey = u"tasks"_s;
const QString kVisibleTasksKey = u"visibleTasks"_s;

// Any tag from the to-do bit up makes a task; from the archive bit up an archived one.
constexpr std::uint32_t kFirstTaskTag = 1u << Message::TagTodo;
constexpr std::uint32_t kFirstArchivedTag = 1u << Message::TagArchived;
const QString kStoredTasks = u"(conversation_id = $id) and (tags >= $tag)"_s;
const QString kStoredTasksNotArchived =
    u"(conversation_id = $id) and (tags >= $tag) and (tags < $archived)"_s;

// The header sorts first among the archived rows of the board.
constexpr double kArchiveHeaderWeight = 99999999999.0;
constexpr std::uint32_t kArchiveHeaderTags = kFirstTaskTag | kFirstArchivedTag;
const QString kEmptyBody = u"<msg/>"_s;

}  // namespace

std::shared_ptr<ZVMessageArray> Conversation::loadTasksArchived(bool archived) {
    QVariantMap arguments{{u"tag"_s, QVariant::fromValue(qint64(kFirstTaskTag))}};
    if (!archived) {
        arguments.insert(u"archived"_s, QVariant::fromValue(qint64(kFirstArchivedTag)));
    }
    return std::make_shared<ZVMessageArray>(
        fetchStoredMessages(archived ? kStoredTasks : kStoredTasksNotArchived, arguments),
        ZVMessageArray::Pinboard);
}

const std::shared_ptr<ZVMessageArray>& Conversation::tasks() {
    if (!tasks_) {
        tasks_ = loadTasksArchived(false);
    }
    return tasks_;
}

void Conversation::loadTaskArchive() {
    if (!hasFlag(FlagTaskArchive)) {
        return;
    }
    willChangeProperties({kTasksKey, kVisibleTasksKey});
    visibleTasks_.reset();
    tasks_ = loadTasksArchived(true);
    scheduleNotifyPropertyChanges();
    // Archived tasks sort last: without one at the end the store has none to show.
    const auto last = tasks_->lastMessage();
    if (!last || !last->isArchived()) {
        setLoadRequest(ZVConversationLoadRequest::Tasks, 0);
    }
}

void Conversation::loadMoreTasks() {
    setLoadRequest(ZVConversationLoadRequest::Tasks, 0);
}

void Conversation::resetVisibleTasks() {
    visibleTasks_.reset();
    willChangeProperty(kVisibleTasksKey);
    scheduleNotifyPropertyChanges();
}

std::shared_ptr<Message> Conversation::createTaskArchiveHeader() {
    if (taskArchiveHeader_) {
        return taskArchiveHeader_;
    }
    const auto session = repositorySession();
    if (!session || !session->repository()) {
        return nullptr;
    }
    auto header =
        session->repository()->createMemoryObjectOfClass<Message>(QString(Message::kEntityName));
    if (!header) {
        return nullptr;
    }
    header->setConversationId(conversationId());
    if (session->profile()) {
        header->setAccountId(session->profile()->contactId());
    }
    header->setMessageNr(0);
    header->setPinWeightValue(kArchiveHeaderWeight);
    header->setMessageType(Message::TypeSeparator);
    header->setTags(kArchiveHeaderTags);
    header->setMessage(kEmptyBody);
    header->setConversation(self());
    taskArchiveHeader_ = header;
    return taskArchiveHeader_;
}

const std::shared_ptr<ZVMessageArray>& Conversation::visibleTasks() {
    if (visibleTasks_) {
        return visibleTasks_;
    }
    // Gathered in the walk's order and sorted once, stably: rows of equal weight keep the order
    // of the task list.
    ZVMessageArray::Messages visible;
    const std::shared_ptr<Message> header =
        hasFlag(FlagTaskArchive) ? createTaskArchiveHeader() : nullptr;
    if (header) {
        visible.push_back(header);
    }
    const bool archiveShown = header && header->representation()->expanded();
    bool expanded = true;
    for (const auto& message : *tasks()) {
        if (message->isDeletedMessage()) {
            continue;
        }
        // The whole archive, its separators too, hides behind its header.
        if (message->isArchived() && !archiveShown) {
            break;
        }
        if (message->isOfType(Message::TypeSeparator)) {
            expanded = message->representation()->expanded();
            visible.push_back(message);
            continue;
        }
        if (!expanded && message->isOfType(Message::TypeText) && !message->isArchived()) {
            continue;
        }
        visible.push_back(message);
    }
    visibleTasks_ = std::make_shared<ZVMessageArray>(std::move(visible), ZVMessageArray::Pinboard);
    return visibleTasks_;
}

void Conversation::mergeIntoPinsAndTasks(const std::shared_ptr<Message>& message) {
    const std::int64_t nr = message->messageNr();
    if (pinnedMessages_) {
        const bool listed = pinnedMessages_->indexOfMessageNr(nr) != ZVMessageArray::kNotFound;
        // Re-placed rather than added: a new weight or the archive moves a listed pin. A message
        // that stopped being a pin (deleted, or made a task) leaves the board even without the
        // unpin mark.
        if (message->isPinned() || listed) {
            willChangeProperty(u"pinnedMessages"_s);
            pinnedMessages_->removeMessageNr(nr);
            if (message->isPinned() && !message->isUnpin()) {
                pinnedMessages_->addMessage(message);
            }
        }
    }
    if (tasks_) {
        const bool listed = tasks_->indexOfMessageNr(nr) != ZVMessageArray::kNotFound;
        const bool task = message->isTask() && !message->isDeletedMessage();
        // The board's rows follow every change of the list, a new task's too.
        if (listed || task) {
            willChangeProperties({kTasksKey, kVisibleTasksKey});
            visibleTasks_.reset();
        }
        // Out and in again: an archived or re-weighed task changes its place.
        if (listed) {
            tasks_->removeMessageNr(nr);
        }
        if (task) {
            tasks_->addMessage(message);
        }
    }
}

void Conversation::removeFromBoards(std::int64_t messageNr) {
    if (pinnedMessages_ &&
        pinnedMessages_->indexOfMessageNr(messageNr) != ZVMessageArray::kNotFound) {
        willChangeProperty(u"pinnedMessages"_s);
        pinnedMessages_->removeMessageNr(messageNr);
    }
    if (tasks_ && tasks_->indexOfMessageNr(messageNr) != ZVMessageArray::kNotFound) {
        willChangeProperties({kTasksKey, kVisibleTasksKey});
        tasks_->removeMessageNr(messageNr);
        visibleTasks_.reset();
    }
}
