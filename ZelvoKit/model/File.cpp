#include "ZelvoKit/model/File.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferTask.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/DataUtils.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "ZelvoKit/support/media/ZVURLRepresentation.h"
#include "platform/foundation/Application.h"

#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <algorithm>
#include <cmath>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kAccountId;
using zvrecord::kAttachedUrl;
using zvrecord::kAttachmentId;
using zvrecord::kConversationId;
using zvrecord::kFileUrl;
using zvrecord::kIsDeleted;
using zvrecord::kMessageNr;
using zvrecord::kPostedTime;
using zvrecord::kRecordType;
using zvrecord::kThumbUrls;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kFileName = u"file_name"_s;
const QString kFileSize = u"file_size"_s;
const QString kFileType = u"file_type"_s;
const QString kFileSha256 = u"file_sha256"_s;
const QString kWidth = u"width"_s;
const QString kHeight = u"height"_s;
const QString kIsAnimated = u"is_animated"_s;
const QString kOrigFileName = u"orig_file_name"_s;
const QString kOrigFileSize = u"orig_file_size"_s;
const QString kDeleterId = u"deleter_id"_s;
const QString kIsHidden = u"is_hidden"_s;
const QString kIsUrlPreview = u"is_url_preview"_s;
const QString kUrlTitle = u"url_title"_s;
const QString kUrlDescription = u"url_description"_s;

const QString kPreviewRecord = u"preview"_s;
const QString kTitle = u"title"_s;
const QString kDescription = u"description"_s;

const QString kStatusKey = u"status"_s;
const QString kUploadProgressKey = u"uploadProgress"_s;

// The attachment id of a message's single file: deleting it deletes the message.
const QString kWholeMessageAttachment = u"file"_s;
const QString kThumbUrlPrefix = u"thumb_url_"_s;
// A share whose file still waits for its upload names it so.
const QString kPendingShareUrlPrefix = u"zelvo-upload"_s;

const QString kUploadUrl = u"files[0]/upload_url"_s;
const QString kUploadSha256 = u"files[0]/file_sha256"_s;
const QString kUploadFileType = u"files[0]/file_type"_s;
const QString kUploadWidth = u"files[0]/width"_s;
const QString kUploadHeight = u"files[0]/height"_s;

// Sides below this many pixels show no image preview.
constexpr std::int64_t kMinPreviewSide = 40;
constexpr double kMaxPreviewWidth = 575;
// The narrow width left beside the avatars of a small phone.
constexpr double kMaxPreviewWidthBesideAvatars = 520;
constexpr double kMaxPreviewHeight = 800;
constexpr double kNarrowScreenWidth = 330;
// The thumbnail is the 50-pixel one, or the 100-pixel one on a screen of this scale and above.
constexpr double kHighScreenScale = 1.99;
constexpr std::int64_t kThumbnailSide = 50;
constexpr std::int64_t kHighScaleThumbnailSide = 100;
// Hex digits of the content hash that tell the upload files of equally named picks apart.
constexpr qsizetype kUploadNameHashLength = 16;
// The largest file shown in full as its own preview.
constexpr std::int64_t kMaxOriginalGifSize = 5242880;
constexpr std::int64_t kMaxOriginalImageSize = 524288;

// The attributes read through the base from every record.
const QStringList& commonFields() {
    static const QStringList fields{kConversationId, kMessageNr,  kIsDeleted, kDeleterId,
                                    kIsAnimated,     kFileSha256, kIsHidden};
    return fields;
}

// The attributes of a file's content, which a preview without an image lacks.
const QStringList& contentFields() {
    static const QStringList fields{kFileSha256, kFileName, kFileSize,     kFileUrl,     kFileType,
                                    kWidth,      kHeight,   kOrigFileName, kOrigFileSize};
    return fields;
}

QString extension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
}

}  // namespace

File::File(const platform::EntityDescription& entity)
    : ZVManagedObject(entity),
      conversationId_(entity.attributeIndex(kConversationId)),
      messageNr_(entity.attributeIndex(kMessageNr)),
      attachmentId_(entity.attributeIndex(kAttachmentId)),
      accountId_(entity.attributeIndex(kAccountId)),
      postedTime_(entity.attributeIndex(kPostedTime)),
      fileName_(entity.attributeIndex(kFileName)),
      fileSize_(entity.attributeIndex(kFileSize)),
      fileType_(entity.attributeIndex(kFileType)),
      fileSha256_(entity.attributeIndex(kFileSha256)),
      fileUrl_(entity.attributeIndex(kFileUrl)),
      width_(entity.attributeIndex(kWidth)),
      height_(entity.attributeIndex(kHeight)),
      isAnimated_(entity.attributeIndex(kIsAnimated)),
      thumbUrls_(entity.attributeIndex(kThumbUrls)),
      origFileName_(entity.attributeIndex(kOrigFileName)),
      origFileSize_(entity.attributeIndex(kOrigFileSize)),
      isDeleted_(entity.attributeIndex(kIsDeleted)),
      deleterId_(entity.attributeIndex(kDeleterId)),
      isHidden_(entity.attributeIndex(kIsHidden)),
      isUrlPreview_(entity.attributeIndex(kIsUrlPreview)),
      urlTitle_(entity.attributeIndex(kUrlTitle)),
      urlDescription_(entity.attributeIndex(kUrlDescription)) {}

File::~File() = default;

void File::describeAttributes(platform::EntityDescription& entity) {
    // A file just picked belongs to no conversation or attachment yet; records always name both.
    AttributeOptions key;
    key.indexed = true;
    entity.addAttribute(kConversationId, AttributeType::String, key);
    AttributeOptions number = key;
    number.optional = false;
    entity.addAttribute(kMessageNr, AttributeType::Integer64, number);
    entity.addAttribute(kAttachmentId, AttributeType::String, key);
    entity.addAttribute(kAccountId, AttributeType::String);
    entity.addAttribute(kPostedTime, AttributeType::Date);
    entity.addAttribute(kFileName, AttributeType::String);
    entity.addAttribute(kFileSize, AttributeType::Integer64);
    entity.addAttribute(kFileType, AttributeType::String);
    AttributeOptions indexed;
    indexed.indexed = true;
    entity.addAttribute(kFileSha256, AttributeType::String, indexed);
    entity.addAttribute(kFileUrl, AttributeType::String);
    entity.addAttribute(kWidth, AttributeType::Integer32);
    entity.addAttribute(kHeight, AttributeType::Integer32);
    entity.addAttribute(kIsAnimated, AttributeType::Boolean);
    entity.addAttribute(kThumbUrls, AttributeType::String);
    entity.addAttribute(kOrigFileName, AttributeType::String);
    entity.addAttribute(kOrigFileSize, AttributeType::Integer64);
    entity.addAttribute(kIsDeleted, AttributeType::Boolean);
    entity.addAttribute(kDeleterId, AttributeType::String);
    entity.addAttribute(kIsHidden, AttributeType::Boolean);
    entity.addAttribute(kIsUrlPreview, AttributeType::Boolean);
    entity.addAttribute(kUrlTitle, AttributeType::String);
    entity.addAttribute(kUrlDescription, AttributeType::String);
}

const QStringList& File::keyFields() const {
    static const QStringList keys{kConversationId, kMessageNr, kAttachmentId};
    return keys;
}

std::shared_ptr<ZVRepositorySession> File::repositorySession() const {
    return std::dynamic_pointer_cast<ZVRepositorySession>(session());
}

void File::setFileUrl(const QString& url) {
    if (url.isNull()) {
        setNull(fileUrl_);
    } else {
        setString(fileUrl_, url);
    }
}

void File::setImageSize(std::int64_t width, std::int64_t height) {
    setInteger(width_, width);
    setInteger(height_, height);
}

// --- status ---

bool File::isLocalFile() const {
    return ZVURLLoader::isLocalURL(fileUrl());
}

File::Status File::status() const {
    if (fileUrl().isEmpty()) {
        return Status::WithoutUrl;
    }
    if (!isLocalFile()) {
        return Status::OnService;
    }
    return uploadTask_ ? Status::Uploading : Status::LocalIdle;
}

bool File::isPending() const {
    const Status current = status();
    return current == Status::Uploading || current == Status::LocalIdle;
}

float File::uploadProgress() const {
    return uploadTask_ ? uploadTask_->progress() : 0.0F;
}

void File::setUploadTask(std::shared_ptr<ZVFileTransferTask> task) {
    uploadTask_ = std::move(task);
}

void File::setMessage(const std::shared_ptr<Message>& message) {
    message_ = message;
    calculatePreviewSize();
}

void File::announce(const QString& key) {
    willChangeProperty(key);
    scheduleNotifyPropertyChanges();
}

// --- reading ---

void File::awakeFromFetch() {
    ZVManagedObject::awakeFromFetch();
    calculatePreviewSize();
    updatePreviewUrls();
}

ZVErrorPtr File::deserializeFromJson(ZVJsonParser& parser) {
    setFields(commonFields(), parser);
    const bool preview = parser.extractString(kRecordType) == kPreviewRecord;
    if (isUrlPreview() != preview || isNull(isUrlPreview_)) {
        willChangeProperty(kIsUrlPreview);
        setBool(isUrlPreview_, preview);
    }
    if (preview) {
        const QString url = parser.extractString(kAttachedUrl);
        if (!url.isNull() && url != attachmentId()) {
            willChangeProperty(kAttachmentId);
            setAttachmentId(url);
        }
        setString(urlDescription_, parser.extractString(kDescription, QString()));
        setString(urlTitle_, parser.extractString(kTitle, QString()));
    } else {
        setFields({kAttachmentId, kAccountId, kPostedTime}, parser);
    }
    // A link preview without an image has no file to describe.
    if (!preview || !fileSha256().isEmpty()) {
        setFields(contentFields(), parser);
        const QString thumbs = extractThumbUrls(parser);
        if (thumbs != thumbUrls()) {
            willChangeProperty(kThumbUrls);
            setThumbUrls(thumbs);
        }
    }
    awakeFromFetch();
    return parser.error();
}

QString File::extractThumbUrls(ZVJsonParser& parser) {
    QStringList keys;
    parser.enumerateKeys([&keys](const QString& key) {
        if (key.startsWith(kThumbUrlPrefix)) {
            keys.append(key);
        }
    });
    QJsonObject urls;
    for (const QString& key : std::as_const(keys)) {
        const QString url = parser.extractString(key);
        if (!url.isNull()) {
            urls.insert(key, url);
        }
    }
    return QString::fromUtf8(QJsonDocument(urls).toJson(QJsonDocument::Compact));
}

// --- previews ---

void File::calculatePreviewSize() {
    previewSize_ = QSizeF(0, 0);
    const double w = static_cast<double>(width());
    const double h = static_cast<double>(height());
    if (isNull(width_) || isNull(height_) || w < kMinPreviewSide || h < kMinPreviewSide) {
        return;
    }
    const platform::Application& application = platform::Application::shared();
    double maxWidth = kMaxPreviewWidth;
    if (application.screenSize().width() <= kNarrowScreenWidth) {
        const auto owner = session();
        const auto profile = owner ? owner->profile() : nullptr;
        if (profile && profile->avatarsEnabled()) {
            maxWidth = kMaxPreviewWidthBesideAvatars;
        }
    }
    const double factor =
        std::min({maxWidth / w, kMaxPreviewHeight / h, 1.0}) / application.screenScale();
    previewSize_ = QSizeF(std::ceil(w * factor), std::ceil(w * factor / (w / h)));
}

bool File::isImageFile() const {
    static const QStringList imageExtensions{u"png"_s, u"jpg"_s, u"jpeg"_s, u"gif"_s};
    return imageExtensions.contains(extension(fileName()));
}

bool File::canUseOriginalForPreview() const {
    if (!isImageFile() || fileUrl().startsWith(kPendingShareUrlPrefix)) {
        return false;
    }
    const std::int64_t limit =
        extension(fileName()) == u"gif"_s ? kMaxOriginalGifSize : kMaxOriginalImageSize;
    return fileSize() <= limit;
}

std::optional<QList<std::int64_t>> File::availableThumbnailSizesFromJson(
    const ZVJsonParser* thumbUrls) const {
    if (isNull(width_) || isNull(height_)) {
        return std::nullopt;
    }
    QList<std::int64_t> sizes;
    if (canUseOriginalForPreview()) {
        sizes.append(std::max(width(), height()));
    }
    if (thumbUrls) {
        thumbUrls->enumerateKeys([&sizes](const QString& key) {
            if (key.startsWith(kThumbUrlPrefix)) {
                sizes.append(key.mid(kThumbUrlPrefix.size()).toLongLong());
            }
        });
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

QString File::previweUrlForSize(std::int64_t size, const QList<std::int64_t>& sizes,
                                ZVJsonParser* thumbUrls) const {
    if (size == 0 || sizes.isEmpty()) {
        return {};
    }
    std::optional<std::int64_t> chosen;
    for (const std::int64_t candidate : sizes) {
        if (candidate <= size) {
            chosen = candidate;
            continue;
        }
        if (!chosen || candidate - size < size - *chosen) {
            chosen = candidate;
        }
        break;
    }
    if (*chosen == std::max(width(), height()) && canUseOriginalForPreview()) {
        return fileUrl();
    }
    const QString url =
        thumbUrls ? thumbUrls->extractString(kThumbUrlPrefix + QString::number(*chosen), QString())
                  : QString();
    return url.isNull() ? fileUrl() : url;
}

void File::updatePreviewUrls() {
    const QString text = thumbUrls();
    if (text.isNull()) {
        return;
    }
    ZVJsonParser parsed = ZVJsonParser::jsonParserForString(text);
    ZVJsonParser* reader = &parsed;
    if (parsed.error()) {
        ZVLogError(u"File <%s>: %@", fileUrl(), parsed.error());
        reader = nullptr;
    }
    const auto sizes = availableThumbnailSizesFromJson(reader);
    if (!sizes || sizes->isEmpty()) {
        return;
    }
    const double scale = platform::Application::shared().screenScale();
    thumbnailUrl_ = previweUrlForSize(
        scale > kHighScreenScale ? kHighScaleThumbnailSide : kThumbnailSide, *sizes, reader);
    const double longerSide = std::max(previewSize_.width(), previewSize_.height());
    previewUrl_ = previweUrlForSize(static_cast<std::int64_t>(longerSide * scale), *sizes, reader);
}

// --- local files ---

QString File::uploadFileName(const QString& sha256, const QString& fileName) {
    return sha256.left(kUploadNameHashLength) + u'-' + fileName;
}

std::shared_ptr<ZVFileTransferDelegate> File::selfAsDelegate() {
    const auto self = std::static_pointer_cast<File>(shared_from_this());
    return std::shared_ptr<ZVFileTransferDelegate>(
        self, static_cast<ZVFileTransferDelegate*>(self.get()));
}

void File::cancelUpload() {
    if (uploadTask_) {
        // The task may hold the last other reference to this file.
        const auto keepAlive = shared_from_this();
        const auto task = std::move(uploadTask_);
        uploadTask_.reset();
        task->cancelForDelegate(this);
    }
}

void File::setFromUrlRepresentation(const std::shared_ptr<ZVURLRepresentation>& representation) {
    cancelUpload();
    const QByteArray data = representation->data().value_or(QByteArray());
    setFileName(representation->fileName());
    setFileSize(representation->fileSize());
    const QString hash = sha256(data);
    setFileSha256(hash);
    const QString localName = uploadFileName(hash, representation->fileName());
    const auto transfers = ZVApi::api().fileTransfers();
    const QUrl written =
        transfers ? transfers->createUploadFileWithName(localName, session(), data) : QUrl();
    setFileUrl(written.isEmpty() ? QString() : written.toString());
    const QSizeF imageSize = representation->imageSize();
    setImageSize(static_cast<std::int64_t>(imageSize.width()),
                 static_cast<std::int64_t>(imageSize.height()));
    if (!fileUrl().isEmpty()) {
        QJsonObject thumbs;
        thumbs.insert(kThumbUrlPrefix + QString::number(static_cast<int>(kMaxPreviewWidth)),
                      fileUrl());
        setThumbUrls(QString::fromUtf8(QJsonDocument(thumbs).toJson(QJsonDocument::Compact)));
        awakeFromFetch();
        retryUpload();
    }
}

void File::retryUpload() {
    if (uploadTask_ || fileUrl().isEmpty()) {
        return;
    }
    const QUrl localUrl(fileUrl());
    if (!localUrl.isLocalFile() || !QFileInfo::exists(localUrl.toLocalFile())) {
        announce(kStatusKey);
        setFileUrl(QString());
        return;
    }
    const auto transfers = ZVApi::api().fileTransfers();
    if (!transfers) {
        return;
    }
    uploadTask_ = transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), localUrl,
                                           fileName(), session(), selfAsDelegate());
    if (uploadTask_) {
        announce(kStatusKey);
    }
}

void File::setFromFile(const File& other) {
    setFileSha256(other.fileSha256());
    setFileName(other.fileName());
    setFileUrl(other.fileUrl());
    setImageSize(other.width(), other.height());
    setFileSize(other.fileSize());
    setString(fileType_, other.fileType());
    setAnimated(other.isAnimated());
    setThumbUrls(other.thumbUrls());
    setFileDeleted(false);
    awakeFromFetch();
}

std::shared_ptr<File> File::clone() {
    const auto owner = repositorySession();
    const auto& repository = owner ? owner->repository() : nullptr;
    const auto copy =
        repository ? repository->createObjectOfClass<File>(QString(kEntityName)) : nullptr;
    if (!copy) {
        ZVLogError(u"File::clone() failed");
        return nullptr;
    }
    copy->setFromFile(*this);
    return copy;
}

void File::deleteFile() {
    cancelUpload();
    const std::int64_t number = messageNr();
    const auto owner = repositorySession();
    if (number == 0 || number >= kFirstLocalMessageNr) {
        if (owner && owner->repository()) {
            owner->repository()->deleteObject(shared_from_this());
        }
        return;
    }
    if (!owner) {
        return;
    }
    if (attachmentId() == kWholeMessageAttachment) {
        owner->deleteMessageNr(number, conversationId(), nullptr, nullptr);
    } else {
        owner->deleteAttachment(attachmentId(), number, conversationId(), nullptr, nullptr);
    }
}

// --- the upload ---

void File::transferProgress(const std::shared_ptr<ZVFileTransferTask>& transfer, float) {
    if (transfer && transfer == uploadTask_) {
        announce(kUploadProgressKey);
    }
}

void File::transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer, const ZVErrorPtr&,
                          const QByteArray&) {
    if (!transfer || transfer != uploadTask_) {
        return;
    }
    announce(kStatusKey);
    uploadTask_.reset();
}

void File::uploadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                           ZVJsonParser& response) {
    if (!transfer || transfer != uploadTask_) {
        return;
    }
    // A reply that lacks a value keeps the local one, so the file stays sendable from its copy.
    const QString url = response.extractString(kUploadUrl);
    if (!url.isNull()) {
        setFileUrl(url);
    }
    const QString hash = response.extractString(kUploadSha256);
    if (!hash.isNull()) {
        setFileSha256(hash);
    }
    const QString type = response.extractString(kUploadFileType);
    if (!type.isNull()) {
        setString(fileType_, type);
    }
    setImageSize(response.extractInt(kUploadWidth, width()),
                 response.extractInt(kUploadHeight, height()));
    announce(kStatusKey);
    uploadTask_.reset();
    awakeFromFetch();
    // The message waiting for this file may go now.
    if (messageNr() >= kFirstLocalMessageNr && status() == Status::OnService) {
        const auto shown = message();
        const auto owner = repositorySession();
        const auto conversation =
            shown && shown->conversation()
                ? shown->conversation()
                : (owner ? owner->conversationFromId(conversationId()) : nullptr);
        if (const auto queue = conversation ? conversation->messageQueue(false) : nullptr) {
            queue->attemptSend();
        }
    }
}
