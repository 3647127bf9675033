#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVFileArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"

#include <algorithm>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kMessagesKey;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kFilesKey = u"files"_s;
const QString kPinnedMessagesKey = u"pinnedMessages"_s;
// Deleted files and link previews are left out by the list itself, also those whose flags were
// never set.
const QString kPostedFiles = u"(conversation_id = $id) and (message_nr > 0)"_s;
// Pins the service weighed; unpinned and task messages among them are left out by the test of
// each message.
const QString kWeighedMessages = u"(conversation_id = $id) and (pin_weight > 0)"_s;

}  // namespace

const std::shared_ptr<ZVFileArray>& Conversation::files() {
    if (files_) {
        return files_;
    }
    files_ = std::make_shared<ZVFileArray>();
    const auto session = repositorySession();
    const auto& repository = session ? session->repository() : nullptr;
    QList<std::shared_ptr<File>> posted;
    if (repository) {
        if (const auto stored = repository->fetchObjects<File>(
                QString(File::kEntityName), kPostedFiles, {{u"id"_s, conversationId()}})) {
            for (const auto& file : *stored) {
                if (!file->isUrlPreview()) {
                    posted.append(file);
                }
            }
        }
    }
    files_->addFromArray(posted);
    if (!files_->isFilled()) {
        files_->populateFromArray({});
    }
    return files_;
}

void Conversation::addFile(const std::shared_ptr<File>& file) {
    if (!file) {
        return;
    }
    if (files_ && !file->isUrlPreview()) {
        if (!files_->addItem(file)) {
            files_->applyChanges(QList<std::shared_ptr<File>>{file});
        }
        willChangeProperty(kFilesKey);
    }
    // Files and previews both show inside their message.
    if (messages_) {
        if (const auto message = messages_->messageByNr(file->messageNr())) {
            message->updateRepresentation();
            willChangeProperty(kMessagesKey);
        }
    }
}

void Conversation::deleteFile(const QString& attachmentId, std::int64_t messageNr) {
    if (!files_) {
        return;
    }
    const auto& listed = files_->items();
    const auto found = std::find_if(listed.begin(), listed.end(), [&](const auto& file) {
        return file->messageNr() == messageNr && file->attachmentId() == attachmentId;
    });
    if (found != listed.end()) {
        const std::shared_ptr<File> file = *found;
        willChangeProperty(kFilesKey);
        files_->removeItem(file);
    }
}

void Conversation::loadMoreFiles() {
    if (!allFilesLoaded()) {
        setLoadRequest(ZVConversationLoadRequest::Files, 0);
    }
}

// --- pins ---

const std::shared_ptr<ZVMessageArray>& Conversation::pinnedMessages() {
    if (pinnedMessages_) {
        return pinnedMessages_;
    }
    pinnedMessages_ = std::make_shared<ZVMessageArray>(ZVMessageArray::Pinboard);
    for (const auto& message : fetchStoredMessages(kWeighedMessages, {})) {
        if (message->isPinned() && !message->isArchived()) {
            pinnedMessages_->addMessage(message);
        }
    }
    // Pins the search brought that the store may not weigh yet.
    if (searchMatchMessages_) {
        for (const auto& message : *searchMatchMessages_) {
            if (message->isPinned() && pinnedMessages_->indexOfMessageNr(message->messageNr()) ==
                                           ZVMessageArray::kNotFound) {
                pinnedMessages_->addMessage(message);
            }
        }
    }
    return pinnedMessages_;
}

void Conversation::notifyPinnedMessageChange(const std::shared_ptr<Message>& message) {
    if (!messages_ || !message) {
        return;
    }
    willChangeProperty(kMessagesKey);
    if (pinnedMessages_) {
        willChangeProperty(kPinnedMessagesKey);
        // Out first: a pin taken back from the archive sorts elsewhere and would be listed twice.
        pinnedMessages_->removeMessageNr(message->messageNr());
        if (message->isPinned()) {
            pinnedMessages_->addMessage(message);
        }
    }
    notifyPropertyChanges();
}

void Conversation::loadMorePins() {
    if (!allPinsLoaded()) {
        setLoadRequest(ZVConversationLoadRequest::Pins, 0);
    }
}
