#include "platform/media/PhotoLibrary.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>
#include <QtCore/QUrlQuery>
#include <QtCore/QUuid>
#include <QtGui/QImageReader>

#include <algorithm>

namespace platform {

namespace {

const QString kScheme = QStringLiteral("assets-library");
const QString kUrlHost = QStringLiteral("asset");
const QString kIdKey = QStringLiteral("id");
const QString kExtensionKey = QStringLiteral("ext");
const QString kLibraryFolder = QStringLiteral("Media/DCIM");
// Identifiers are name-based UUIDs of the file's place in the library, so a URL handed out once
// finds the same file again without an index to keep.
const QUuid kIdentifierNamespace(QStringLiteral("6f1d7c2e-5b0a-4f43-9d8e-2a7c41b3e915"));

const QSet<QString> kPhotoExtensions = {
    QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
    QStringLiteral("gif"), QStringLiteral("heic"), QStringLiteral("heif"),
    QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("bmp"),
};
const QSet<QString> kVideoExtensions = {
    QStringLiteral("mov"),
    QStringLiteral("mp4"),
    QStringLiteral("m4v"),
};

// Camera orientation tags (1 to 8) as the reader reports them.
int exifOrientation(QImageIOHandler::Transformations transformation) {
    switch (transformation) {
        case QImageIOHandler::TransformationMirror:
            return 2;
        case QImageIOHandler::TransformationRotate180:
            return 3;
        case QImageIOHandler::TransformationFlip:
            return 4;
        case QImageIOHandler::TransformationFlipAndRotate90:
            return 5;
        case QImageIOHandler::TransformationRotate90:
            return 6;
        case QImageIOHandler::TransformationMirrorAndRotate90:
            return 7;
        case QImageIOHandler::TransformationRotate270:
            return 8;
        default:
            return 1;
    }
}

ImageOrientation imageOrientation(int exif) {
    switch (exif) {
        case 2:
            return ImageOrientation::UpMirrored;
        case 3:
            return ImageOrientation::Down;
        case 4:
            return ImageOrientation::DownMirrored;
        case 5:
            return ImageOrientation::LeftMirrored;
        case 6:
            return ImageOrientation::Right;
        case 7:
            return ImageOrientation::RightMirrored;
        case 8:
            return ImageOrientation::Left;
        default:
            return ImageOrientation::Up;
    }
}

std::optional<AssetType> assetType(const QString& suffix) {
    const QString lower = suffix.toLower();
    if (kPhotoExtensions.contains(lower))
        return AssetType::Photo;
    if (kVideoExtensions.contains(lower))
        return AssetType::Video;
    return std::nullopt;
}

QString identifier(const QString& relativePath) {
    return QUuid::createUuidV5(kIdentifierNamespace, relativePath.toUtf8())
        .toString(QUuid::WithoutBraces)
        .toUpper();
}

QUrl assetUrl(const QString& id, const QString& suffix) {
    const QString extension = suffix.toUpper();
    QUrl url;
    url.setScheme(kScheme);
    url.setHost(kUrlHost);
    url.setPath(QStringLiteral("/asset.") + extension);
    QUrlQuery query;
    query.addQueryItem(kIdKey, id);
    query.addQueryItem(kExtensionKey, extension);
    url.setQuery(query);
    return url;
}

struct ScannedAsset {
    QString id;
    PhotoLibrary::AssetPtr asset;
};

// Every asset below the folder, oldest first (ties by place, so the order is stable).
std::vector<ScannedAsset> scan(const QString& directory) {
    std::vector<ScannedAsset> found;
    if (directory.isEmpty())
        return found;
    const QDir root(directory);
    QDirIterator it(directory, QDir::Files, QDirIterator::Subdirectories);
    std::vector<std::pair<QString, QFileInfo>> files;
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (assetType(info.suffix()))
            files.emplace_back(root.relativeFilePath(info.filePath()), info);
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        const QDateTime da = a.second.lastModified().toUTC();
        const QDateTime db = b.second.lastModified().toUTC();
        return da != db ? da < db : a.first < b.first;
    });
    for (const auto& [relative, info] : files) {
        const QString id = identifier(relative);
        found.push_back(
            {id, std::make_shared<Asset>(info.filePath(), assetUrl(id, info.suffix()),
                                         *assetType(info.suffix()), info.lastModified().toUTC())});
    }
    return found;
}

bool passes(AssetsFilter filter, AssetType type) {
    switch (filter) {
        case AssetsFilter::AllPhotos:
            return type == AssetType::Photo;
        case AssetsFilter::AllVideos:
            return type == AssetType::Video;
        case AssetsFilter::AllAssets:
            return true;
    }
    return false;
}

}  // namespace

// --- PhotoLibraryError ------------------------------------------------------------------------

const QString PhotoLibraryError::kDomain = QStringLiteral("PhotoLibraryErrorDomain");

PhotoLibraryError::PhotoLibraryError(int code, QString description)
    : code_(code), localizedDescription_(std::move(description)) {}

QString PhotoLibraryError::description() const {
    return format(u"Error Domain=%@ Code=%ld \"%@\"", domain_, code_, localizedDescription_);
}

// --- AssetRepresentation ----------------------------------------------------------------------

AssetRepresentation::AssetRepresentation(QString path, QUrl url)
    : path_(std::move(path)), url_(std::move(url)) {}

QString AssetRepresentation::filename() const {
    return QFileInfo(path_).fileName();
}

qint64 AssetRepresentation::size() const {
    return QFileInfo(path_).size();
}

void AssetRepresentation::readHeader() const {
    if (headerRead_)
        return;
    headerRead_ = true;
    if (assetType(QFileInfo(path_).suffix()) != AssetType::Photo)
        return;
    QImageReader reader(path_);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return;
    dimensions_ = reader.size();
    exifOrientation_ = exifOrientation(reader.transformation());
}

QSize AssetRepresentation::dimensions() const {
    readHeader();
    return dimensions_.isValid() ? dimensions_ : QSize(0, 0);
}

ImageOrientation AssetRepresentation::orientation() const {
    readHeader();
    return imageOrientation(exifOrientation_);
}

QVariantMap AssetRepresentation::metadata() const {
    readHeader();
    if (!dimensions_.isValid())
        return {};
    return {
        {QStringLiteral("Orientation"), exifOrientation_},
        {QStringLiteral("PixelWidth"), dimensions_.width()},
        {QStringLiteral("PixelHeight"), dimensions_.height()},
    };
}

QByteArray AssetRepresentation::getBytes(qint64 offset, qint64 length,
                                         PhotoLibraryError* error) const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly) || offset < 0 || !file.seek(offset)) {
        if (error)
            *error =
                PhotoLibraryError(PhotoLibraryError::DataUnavailable,
                                  format(u"Cannot read %@: %@", filename(), file.errorString()));
        return {};
    }
    return file.read(std::max<qint64>(length, 0));
}

QImage AssetRepresentation::fullResolutionImage() const {
    if (assetType(QFileInfo(path_).suffix()) != AssetType::Photo)
        return {};
    QImageReader reader(path_);
    reader.setAutoTransform(false);
    return reader.read();
}

// --- Asset ------------------------------------------------------------------------------------

Asset::Asset(QString path, QUrl url, AssetType type, QDateTime date)
    : representation_(std::make_shared<AssetRepresentation>(std::move(path), std::move(url))),
      type_(type),
      date_(std::move(date)) {}

// --- PhotoLibrary -----------------------------------------------------------------------------

PhotoLibrary& PhotoLibrary::shared() {
    // Never destroyed, like the other process-wide objects.
    static PhotoLibrary* const instance = [] {
        auto* library = new PhotoLibrary();
        onResetSharedState([] { shared().reset(); });
        return library;
    }();
    return *instance;
}

void PhotoLibrary::reset() {
    directory_.clear();
    authorizationStatus_ = PhotoLibraryAuthorizationStatus::Authorized;
}

QString PhotoLibrary::directory() const {
    if (!directory_.isNull())
        return directory_;
    const QString root = Paths::root();
    return root.isEmpty() ? QString() : QDir(root).filePath(kLibraryFolder);
}

void PhotoLibrary::setDirectory(const QString& path) {
    directory_ = path;
}

PhotoLibraryAuthorizationStatus PhotoLibrary::authorizationStatus() const {
    return authorizationStatus_;
}

void PhotoLibrary::setAuthorizationStatus(PhotoLibraryAuthorizationStatus status) {
    authorizationStatus_ = status;
}

bool PhotoLibrary::isAssetsLibraryURL(const QUrl& url) {
    return url.scheme().compare(kScheme, Qt::CaseInsensitive) == 0;
}

void PhotoLibrary::deliver(std::function<void()> answer, FailureBlock failureBlock) {
    std::optional<PhotoLibraryError> refusal;
    switch (authorizationStatus_) {
        case PhotoLibraryAuthorizationStatus::Denied:
            refusal = PhotoLibraryError(PhotoLibraryError::AccessUserDenied,
                                        QStringLiteral("User denied access"));
            break;
        case PhotoLibraryAuthorizationStatus::Restricted:
            refusal = PhotoLibraryError(PhotoLibraryError::AccessGloballyDenied,
                                        QStringLiteral("Global denied access"));
            break;
        case PhotoLibraryAuthorizationStatus::NotDetermined:
            // The first request is where the platform asks; here the answer is always yes.
            authorizationStatus_ = PhotoLibraryAuthorizationStatus::Authorized;
            break;
        case PhotoLibraryAuthorizationStatus::Authorized:
            break;
    }
    if (refusal) {
        Scheduler::main().post([failureBlock = std::move(failureBlock), error = *refusal] {
            if (failureBlock)
                failureBlock(error);
        });
        return;
    }
    Scheduler::main().post(std::move(answer));
}

void PhotoLibrary::assetForURL(const QUrl& url, std::function<void(AssetPtr)> resultBlock,
                               FailureBlock failureBlock) {
    const QString id = QUrlQuery(url).queryItemValue(kIdKey).toUpper();
    const bool wellFormed = isAssetsLibraryURL(url) && !id.isEmpty();
    auto answer = [directory = directory(), id, wellFormed, url, resultBlock, failureBlock] {
        if (wellFormed) {
            for (const ScannedAsset& scanned : scan(directory)) {
                if (scanned.id == id) {
                    if (resultBlock)
                        resultBlock(scanned.asset);
                    return;
                }
            }
        }
        if (failureBlock)
            failureBlock(
                PhotoLibraryError(PhotoLibraryError::DataUnavailable,
                                  format(u"No asset in the photo library for %@", url.toString())));
    };
    deliver(std::move(answer), std::move(failureBlock));
}

void PhotoLibrary::enumerateSavedPhotos(AssetsFilter filter,
                                        std::function<void(std::vector<AssetPtr>)> resultBlock,
                                        FailureBlock failureBlock) {
    auto answer = [directory = directory(), filter, resultBlock = std::move(resultBlock)] {
        std::vector<AssetPtr> assets;
        for (const ScannedAsset& scanned : scan(directory))
            if (passes(filter, scanned.asset->type()))
                assets.push_back(scanned.asset);
        if (resultBlock)
            resultBlock(std::move(assets));
    };
    deliver(std::move(answer), std::move(failureBlock));
}

bool PhotoLibrary::hasPhotos() const {
    if (authorizationStatus() != PhotoLibraryAuthorizationStatus::Authorized)
        return false;
    const std::vector<ScannedAsset> assets = scan(directory());
    return std::any_of(assets.begin(), assets.end(), [](const ScannedAsset& scanned) {
        return passes(AssetsFilter::AllPhotos, scanned.asset->type());
    });
}

void PhotoLibrary::lastPhotoTaken(std::function<void(AssetPtr)> resultBlock,
                                  FailureBlock failureBlock) {
    enumerateSavedPhotos(
        AssetsFilter::AllPhotos,
        [resultBlock = std::move(resultBlock)](std::vector<AssetPtr> photos) {
            if (resultBlock)
                resultBlock(photos.empty() ? nullptr : photos.back());
        },
        std::move(failureBlock));
}

}  // namespace platform
