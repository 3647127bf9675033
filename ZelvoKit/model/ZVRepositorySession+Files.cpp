#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/ZVFileViewServices.h"
#include "ZelvoKit/model/ZVRecordKeys.h"
#include "ZelvoKit/support/base/DataUtils.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"

using zvrecord::kAttachedUrl;
using zvrecord::kAttachmentId;
using zvrecord::kConversationId;
using zvrecord::kMessageNr;
using zvrecord::kRecordType;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kFileRecord = u"file"_s;

const QString kFileOfMessage =
    u"(conversation_id = $id) and (message_nr = $nr) and (attachment_id = $key)"_s;
const QString kFilesOfMessage = u"(conversation_id = $id) and (message_nr = $nr)"_s;
const QString kFileWithHash = u"file_sha256 = $hash"_s;

}  // namespace

// --- look-ups ---

std::shared_ptr<File> ZVRepositorySession::fileFromConversation(const QString& conversationId,
                                                                std::int64_t messageNr,
                                                                const QString& key) {
    if (!repository_) {
        return nullptr;
    }
    const auto files = repository_->fetchObjects<File>(
        QString(File::kEntityName), kFileOfMessage,
        {{u"id"_s, conversationId}, {u"nr"_s, QVariant::fromValue(messageNr)}, {u"key"_s, key}});
    return files && !files->empty() ? files->front() : nullptr;
}

QHash<QString, std::shared_ptr<File>> ZVRepositorySession::filesInMessageNr(
    std::int64_t messageNr, const QString& conversationId) {
    QHash<QString, std::shared_ptr<File>> byKey;
    if (!repository_) {
        return byKey;
    }
    const auto files = repository_->fetchObjects<File>(
        QString(File::kEntityName), kFilesOfMessage,
        {{u"id"_s, conversationId}, {u"nr"_s, QVariant::fromValue(messageNr)}});
    if (!files) {
        return byKey;
    }
    for (const auto& file : *files) {
        const QString attachmentId = file->attachmentId();
        byKey.insert(attachmentId.isEmpty() ? file->fileName() : attachmentId, file);
    }
    return byKey;
}

std::shared_ptr<File> ZVRepositorySession::fileByHash(const QString& hash) {
    if (!repository_ || hash.isEmpty()) {
        return nullptr;
    }
    const auto files = repository_->fetchObjects<File>(QString(File::kEntityName), kFileWithHash,
                                                       {{u"hash"_s, hash}});
    return files && !files->empty() ? files->front() : nullptr;
}

// --- local files ---

namespace {

// A new local file of the account, attached to no message yet.
std::shared_ptr<File> newLocalFile(ZVDataRepository& repository, const ZVUserProfile* profile) {
    auto file = repository.createObjectOfClass<File>(QString(File::kEntityName));
    if (file) {
        file->setMessageNr(0);
        file->setFileDeleted(false);
        file->setAnimated(false);
        if (profile) {
            file->setAccountId(profile->contactId());
        }
    }
    return file;
}

}  // namespace

void ZVRepositorySession::fileWithLocalUrl(const QUrl& localUrl,
                                           std::function<void(std::shared_ptr<File>)> onSuccess,
                                           std::function<void(const ZVErrorPtr&)> onError) {
    const bool resize = !(
        profile() && profile()->isClientFlagSet(QString(ZVUserProfile::NoResizePostedImagesFlag)));
    const std::weak_ptr<ZVRepositorySession> weak =
        std::static_pointer_cast<ZVRepositorySession>(shared_from_this());
    ZVURLLoader::loader().representationForUrl(
        localUrl,
        [weak, localUrl, resize, onSuccess,
         onError](const std::shared_ptr<ZVURLRepresentation>& representation) {
            const auto self = weak.lock();
            const auto file = self && self->repository_
                                  ? newLocalFile(*self->repository_, self->profile().get())
                                  : nullptr;
            if (!file) {
                if (onError) {
                    onError(ZVError::errorWithCode(ZVError::InvalidData));
                }
                return;
            }
            if (resize && representation->resized()) {
                file->setFullSizeUrl(localUrl);
                file->setFromUrlRepresentation(representation->resized());
            } else {
                file->setFromUrlRepresentation(representation);
            }
            file->awakeFromFetch();
            if (onSuccess) {
                onSuccess(file);
            }
        },
        [onError](const ZVErrorPtr& error) {
            if (onError) {
                onError(error);
            }
        });
}

std::shared_ptr<void> ZVRepositorySession::pickFileWithCompletion(
    std::function<void(std::shared_ptr<File>)> completion, bool preferFrontCamera) {
    const std::weak_ptr<ZVRepositorySession> weak =
        std::static_pointer_cast<ZVRepositorySession>(shared_from_this());
    return ZVFileViewServices::menuOnFilePicked(
        [weak, completion](const QUrl& localUrl) {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->fileWithLocalUrl(
                localUrl,
                [completion](std::shared_ptr<File> file) {
                    ZVFileViewServices::associateLocalUrl(file->fileUrl(), file->fileSha256());
                    if (completion) {
                        completion(std::move(file));
                    }
                },
                nullptr);
        },
        preferFrontCamera);
}

std::shared_ptr<File> ZVRepositorySession::fileWithData(const QByteArray& data,
                                                        const QString& name) {
    const auto transfers = ZVApi::api().fileTransfers();
    if (!transfers || !repository_) {
        return nullptr;
    }
    const QString hash = sha256(data);
    const QUrl written = transfers->createUploadFileWithName(File::uploadFileName(hash, name),
                                                             shared_from_this(), data);
    const auto file = written.isEmpty() ? nullptr : newLocalFile(*repository_, profile().get());
    if (!file) {
        return nullptr;
    }
    file->setFileName(name);
    file->setFileSize(data.size());
    file->setFileSha256(hash);
    file->setFileUrl(written.toString());
    file->awakeFromFetch();
    file->retryUpload();
    return file;
}

// --- records ---

ZVErrorPtr ZVRepositorySession::handleFile(ZVJsonParser& record) {
    const QString conversationId = record.extractString(kConversationId);
    const std::optional<std::int64_t> messageNr = record.extractInt(kMessageNr);
    const QString key = record.extractString(
        record.extractString(kRecordType) == kFileRecord ? kAttachmentId : kAttachedUrl);
    if (ZVErrorPtr error = record.error()) {
        return error;
    }
    std::shared_ptr<File> file = fileFromConversation(conversationId, *messageNr, key);
    if (ZVErrorPtr error = createOrUpdateObject(file, QString(File::kEntityName), record)) {
        return error;
    }
    notifyFileChanged(file);
    if (const auto conversation = conversationChangedWithId(conversationId)) {
        conversation->addFile(file);
    }
    return nullptr;
}

ZVErrorPtr ZVRepositorySession::handlePreview(ZVJsonParser& record) {
    return handleFile(record);
}

void ZVRepositorySession::notifyFileChanged(const std::shared_ptr<File>&) {}
