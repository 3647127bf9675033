#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"
#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/AttributedString.h"

#include <QtCore/QDateTime>
#include <QtCore/QLatin1StringView>
#include <QtCore/QList>
#include <QtCore/QSizeF>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <cstdint>
#include <memory>
#include <optional>

class Message;
class ZVFileTransferTask;
class ZVJsonParser;
class ZVRepositorySession;
class ZVURLRepresentation;

// One attachment of a message, or one link preview of a message (a "preview" record). It keeps
// what the service says about the file, chooses the thumbnail, the preview URL and the preview size
// that screens show, and carries the upload of a file the user attached: from a local file, through
// the background upload, to the service's URL. Main thread only; the upload's calls arrive there.
class File : public ZVManagedObject, public ZVFileTransferDelegate {
public:
    static constexpr QLatin1StringView kEntityName{"File"};

    // Where a file stands on its way to the service.
    enum class Status : int {
        Uploading = 0,   // local, and an upload runs
        OnService = 1,   // the service's URL
        LocalIdle = 2,   // local, and no upload runs (not started, or failed)
        WithoutUrl = 3,  // no URL at all
    };

    // Message numbers from here up belong to messages the service has not stored yet.
    static constexpr std::int64_t kFirstLocalMessageNr = 1000000000;

    explicit File(const platform::EntityDescription& entity);
    ~File() override;

    static void describeAttributes(platform::EntityDescription& entity);

    // --- stored values ---

    QString conversationId() const { return stringValue(conversationId_); }
    void setConversationId(const QString& id) { setString(conversationId_, id); }
    std::int64_t messageNr() const { return integerValue(messageNr_); }
    void setMessageNr(std::int64_t messageNr) { setInteger(messageNr_, messageNr); }
    QString attachmentId() const { return stringValue(attachmentId_); }
    void setAttachmentId(const QString& id) { setString(attachmentId_, id); }
    QString accountId() const { return stringValue(accountId_); }
    void setAccountId(const QString& id) { setString(accountId_, id); }
    QDateTime postedTime() const { return dateValue(postedTime_); }
    QString fileName() const { return stringValue(fileName_); }
    void setFileName(const QString& name) { setString(fileName_, name); }
    std::int64_t fileSize() const { return integerValue(fileSize_); }
    void setFileSize(std::int64_t size) { setInteger(fileSize_, size); }
    QString fileType() const { return stringValue(fileType_); }
    QString fileSha256() const { return stringValue(fileSha256_); }
    void setFileSha256(const QString& hash) { setString(fileSha256_, hash); }
    QString fileUrl() const { return stringValue(fileUrl_); }
    void setFileUrl(const QString& url);
    std::int64_t width() const { return integerValue(width_); }
    std::int64_t height() const { return integerValue(height_); }
    void setImageSize(std::int64_t width, std::int64_t height);
    bool isAnimated() const { return boolValue(isAnimated_); }
    void setAnimated(bool animated) { setBool(isAnimated_, animated); }
    // JSON text of {"thumb_url_<pixels>": URL, ...}.
    QString thumbUrls() const { return stringValue(thumbUrls_); }
    void setThumbUrls(const QString& text) { setString(thumbUrls_, text); }
    QString origFileName() const { return stringValue(origFileName_); }
    std::int64_t origFileSize() const { return integerValue(origFileSize_); }
    bool isFileDeleted() const { return boolValue(isDeleted_); }
    void setFileDeleted(bool deleted) { setBool(isDeleted_, deleted); }
    QString deleterId() const { return stringValue(deleterId_); }
    bool isHidden() const { return boolValue(isHidden_); }
    bool isUrlPreview() const { return boolValue(isUrlPreview_); }
    QString urlTitle() const { return stringValue(urlTitle_); }
    QString urlDescription() const { return stringValue(urlDescription_); }

    // --- values in memory ---

    Status status() const;
    // Status 0 or 2: the file still has to reach the service.
    bool isPending() const;
    // The running upload's share done, from 0 to 1; 0 without one.
    float uploadProgress() const;
    const std::shared_ptr<ZVFileTransferTask>& uploadTask() const { return uploadTask_; }
    // Attaches a running upload (one that outlived the process, found again by its URL).
    void setUploadTask(std::shared_ptr<ZVFileTransferTask> task);
    // In points; zero when the file shows no image.
    QSizeF previewSize() const { return previewSize_; }
    // Null when there is none.
    const QString& thumbnailUrl() const { return thumbnailUrl_; }
    const QString& previewUrl() const { return previewUrl_; }
    // The name with a search match highlighted, set by the file list's filter.
    const platform::AttributedString& highlightedName() const { return highlightedName_; }
    void setHighlightedName(platform::AttributedString name) { highlightedName_ = std::move(name); }
    // The message the file is shown with; the preview size is made again for it.
    std::shared_ptr<Message> message() const { return message_.lock(); }
    void setMessage(const std::shared_ptr<Message>& message);
    // The full-size medium behind a resized upload.
    const QUrl& fullSizeUrl() const { return fullSizeUrl_; }
    void setFullSizeUrl(const QUrl& url) { fullSizeUrl_ = url; }

    // --- the entity ---

    const QStringList& keyFields() const override;
    void awakeFromFetch() override;

    // Reads a "file" or a "preview" record; returns the parser's error.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);

    // --- previews ---

    void calculatePreviewSize();
    void updatePreviewUrls();
    // By the name's extension: png, jpg, jpeg or gif.
    bool isImageFile() const;
    // An image small enough to show itself as its preview, and not a share waiting for upload.
    bool canUseOriginalForPreview() const;
    // The pixel sizes available, ascending: the image itself (when it may serve) and each
    // "thumb_url_<n>" key of `thumbUrls`. None without an image size.
    std::optional<QList<std::int64_t>> availableThumbnailSizesFromJson(
        const ZVJsonParser* thumbUrls) const;
    // The URL of the size nearest `size` pixels (a tie goes to the smaller); null for size 0 or
    // no sizes.
    QString previweUrlForSize(std::int64_t size, const QList<std::int64_t>& sizes,
                              ZVJsonParser* thumbUrls) const;
    // The record's "thumb_url_<n>" keys with their URLs, as compact JSON text.
    static QString extractThumbUrls(ZVJsonParser& parser);

    // --- local files ---

    // Takes a picked medium: its name, size and hash, its bytes written to an upload file, and
    // starts the upload.
    void setFromUrlRepresentation(const std::shared_ptr<ZVURLRepresentation>& representation);
    // The name of the local copy that an upload sends: two picks of the same name must not share
    // one, or a later upload of the first would send the bytes of the second; the same content
    // may.
    static QString uploadFileName(const QString& sha256, const QString& fileName);
    // Starts the upload unless one runs; a local file that has gone clears the URL instead.
    void retryUpload();
    // Takes another file's content (not its place in a message).
    void setFromFile(const File& other);
    // A new file in the store with this file's content; none when it cannot be made.
    std::shared_ptr<File> clone();
    // A file of no posted message goes from the store at once; one of a posted message is deleted
    // on the service and stays until the stream says it is gone.
    void deleteFile();

    // --- the upload ---

    void transferProgress(const std::shared_ptr<ZVFileTransferTask>& transfer,
                          float progress) override;
    void transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                        const ZVErrorPtr& error, const QByteArray& resumeData) override;
    void uploadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                         ZVJsonParser& response) override;

    std::shared_ptr<ZVRepositorySession> repositorySession() const;

private:
    void cancelUpload();
    void announce(const QString& key);
    std::shared_ptr<ZVFileTransferDelegate> selfAsDelegate();
    bool isLocalFile() const;

    int conversationId_;
    int messageNr_;
    int attachmentId_;
    int accountId_;
    int postedTime_;
    int fileName_;
    int fileSize_;
    int fileType_;
    int fileSha256_;
    int fileUrl_;
    int width_;
    int height_;
    int isAnimated_;
    int thumbUrls_;
    int origFileName_;
    int origFileSize_;
    int isDeleted_;
    int deleterId_;
    int isHidden_;
    int isUrlPreview_;
    int urlTitle_;
    int urlDescription_;

    std::shared_ptr<ZVFileTransferTask> uploadTask_;
    std::weak_ptr<Message> message_;
    QSizeF previewSize_{0, 0};
    QString thumbnailUrl_;
    QString previewUrl_;
    platform::AttributedString highlightedName_;
    QUrl fullSizeUrl_;
};
