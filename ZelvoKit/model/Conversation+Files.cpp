#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVFileArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kFilesKey = u"files"_s;
// Deleted files and link previews are left out by the list itself, also those whose flags were
// never set.
const QString kPostedFiles = u"(conversation_id = $id) and (message_nr > 0)"_s;

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
    if (!files_ || !file || file->isUrlPreview()) {
        return;
    }
    if (!files_->addItem(file)) {
        files_->applyChanges(QList<std::shared_ptr<File>>{file});
    }
    willChangeProperty(kFilesKey);
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
