#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QSize>
#include <QtCore/QString>
#include <QtCore/QUrl>
#include <QtCore/QVariantMap>
#include <QtGui/QImage>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// A failure of the photo library: a value, with the platform's codes.
class PhotoLibraryError {
public:
    enum Code : int {
        Unknown = -1,
        // The asset is not (or no longer) in the library, or its file cannot be read.
        DataUnavailable = -3310,
        AccessUserDenied = -3311,
        AccessGloballyDenied = -3312,
    };

    static const QString kDomain;

    PhotoLibraryError() = default;
    PhotoLibraryError(int code, QString description);

    const QString& domain() const { return domain_; }
    int code() const { return code_; }
    const QString& localizedDescription() const { return localizedDescription_; }
    // "Error Domain=%@ Code=%ld \"%@\"", for "%@" in log lines.
    QString description() const;

private:
    QString domain_ = kDomain;
    int code_ = Unknown;
    QString localizedDescription_;
};

enum class AssetType { Photo, Video };

enum class AssetsFilter { AllPhotos, AllVideos, AllAssets };

// How a stored picture is turned to be shown, with the platform's numbers.
enum class ImageOrientation : int {
    Up = 0,
    Down = 1,
    Left = 2,
    Right = 3,
    UpMirrored = 4,
    DownMirrored = 5,
    LeftMirrored = 6,
    RightMirrored = 7,
};

enum class PhotoLibraryAuthorizationStatus : int {
    NotDetermined = 0,
    Restricted = 1,
    Denied = 2,
    Authorized = 3,
};

// The stored file of an asset. Its facts are read from the file when first asked for. One thread
// at a time, any thread.
class AssetRepresentation {
public:
    explicit AssetRepresentation(QString path, QUrl url);

    QUrl url() const { return url_; }
    QString filename() const;
    // Bytes of the file; 0 when it is gone.
    qint64 size() const;
    // Pixels as stored, before the orientation is applied; empty for a video or an undecodable
    // picture.
    QSize dimensions() const;
    ImageOrientation orientation() const;
    double scale() const { return 1.0; }
    // For a picture: "Orientation" (1 to 8, as cameras record it), "PixelWidth", "PixelHeight".
    QVariantMap metadata() const;

    // Up to `length` bytes from `offset`; fewer at the end of the file. An unreadable file gives
    // empty bytes and sets `error`.
    QByteArray getBytes(qint64 offset, qint64 length, PhotoLibraryError* error = nullptr) const;
    // The picture as stored (not turned by the orientation); null for a video or when the file
    // cannot be decoded.
    QImage fullResolutionImage() const;

private:
    void readHeader() const;

    QString path_;
    QUrl url_;
    mutable bool headerRead_ = false;
    mutable QSize dimensions_;
    mutable int exifOrientation_ = 1;
};

// One photo or video of the library.
class Asset {
public:
    Asset(QString path, QUrl url, AssetType type, QDateTime date);

    // "assets-library://asset/asset.JPG?id=<identifier>&ext=JPG"; the identifier stays the same
    // while the file keeps its place in the library.
    QUrl url() const { return representation_->url(); }
    AssetType type() const { return type_; }
    // When it was taken (the file's modification time).
    QDateTime date() const { return date_; }
    std::shared_ptr<AssetRepresentation> defaultRepresentation() const { return representation_; }

private:
    std::shared_ptr<AssetRepresentation> representation_;
    AssetType type_;
    QDateTime date_;
};

// The user's photo library, backed by a folder: every picture ("jpg", "jpeg", "png", "gif",
// "heic", "heif", "tif", "tiff", "bmp") and video ("mov", "mp4", "m4v") below it, hidden files
// left out, is an asset of the saved-photos album, ordered by date.
//
// Main thread. As on the phone, answers come later, posted to the main scheduler, never from
// within the call.
class PhotoLibrary {
public:
    using AssetPtr = std::shared_ptr<Asset>;
    using FailureBlock = std::function<void(const PhotoLibraryError&)>;

    static PhotoLibrary& shared();

    // "<root>/Media/DCIM" unless set; a null path goes back to it.
    QString directory() const;
    void setDirectory(const QString& path);

    // Authorized unless set: there is no one to ask on a desktop. Denied and restricted access
    // fail every request.
    PhotoLibraryAuthorizationStatus authorizationStatus() const;
    void setAuthorizationStatus(PhotoLibraryAuthorizationStatus status);

    static bool isAssetsLibraryURL(const QUrl& url);

    // The asset of an "assets-library" URL. A URL of no asset of the library fails with
    // DataUnavailable.
    void assetForURL(const QUrl& url, std::function<void(AssetPtr)> resultBlock,
                     FailureBlock failureBlock);
    // The saved-photos album through the filter, oldest first.
    void enumerateSavedPhotos(AssetsFilter filter,
                              std::function<void(std::vector<AssetPtr>)> resultBlock,
                              FailureBlock failureBlock);
    // Whether the album holds a photo the user may reach now (access granted): whether offering
    // "the last photo" can come to anything. Answered at once, for building menus.
    bool hasPhotos() const;
    // The newest photo, or null when the album holds none.
    void lastPhotoTaken(std::function<void(AssetPtr)> resultBlock, FailureBlock failureBlock);

    PhotoLibrary(const PhotoLibrary&) = delete;
    PhotoLibrary& operator=(const PhotoLibrary&) = delete;

private:
    PhotoLibrary() = default;
    void reset();
    // The answer, or the failure when access is not granted, delivered later on the main thread.
    void deliver(std::function<void()> answer, FailureBlock failureBlock);

    QString directory_;
    PhotoLibraryAuthorizationStatus authorizationStatus_ =
        PhotoLibraryAuthorizationStatus::Authorized;
};

}  // namespace platform
