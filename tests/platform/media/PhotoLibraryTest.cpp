#include "platform/media/PhotoLibrary.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "tests/support/ImageBytes.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QRegularExpression>

#include <gtest/gtest.h>

using platform::Asset;
using platform::AssetsFilter;
using platform::AssetType;
using platform::ImageOrientation;
using platform::PhotoLibrary;
using platform::PhotoLibraryAuthorizationStatus;
using platform::PhotoLibraryError;

namespace {

using AssetPtr = PhotoLibrary::AssetPtr;

QString libraryPath(const QString& relative) {
    return QDir(PhotoLibrary::shared().directory()).filePath(relative);
}

QByteArray encode(const QImage& image, const char* format) {
    return zvtest::encodeImage(image, format);
}

// A JPEG whose orientation tag says how to turn it, as cameras write them.
QByteArray jpegWithOrientation(const QImage& image, int orientation) {
    QByteArray tiff("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18);
    tiff.append(char(0));
    tiff.append(char(orientation));
    tiff.append(QByteArray(6, '\0'));
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xff\xe1", 2);
    segment.append(char((payload.size() + 2) >> 8));
    segment.append(char((payload.size() + 2) & 0xff));
    segment.append(payload);
    QByteArray jpeg = encode(image, "JPEG");
    jpeg.insert(2, segment);
    return jpeg;
}

QImage solid(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

// Writes a file into the library, taken `minutesAgo` before the test clock's start.
void addFile(const QString& relative, const QByteArray& bytes, int minutesAgo = 0) {
    const QString path = libraryPath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    // Written out first, so that closing does not touch the time again.
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(
        file.setFileTime(platform::Scheduler::defaultVirtualStart().addSecs(-60LL * minutesAgo),
                         QFileDevice::FileModificationTime));
}

struct Answer {
    bool delivered = false;
    AssetPtr asset;
    std::vector<AssetPtr> assets;
    std::optional<PhotoLibraryError> error;
};

// Asks the library for one asset and delivers the answer, which never comes within the call.
Answer askForOneAsset(
    const std::function<void(std::function<void(AssetPtr)>, PhotoLibrary::FailureBlock)>& ask) {
    Answer answer;
    ask(
        [&](AssetPtr asset) {
            answer.delivered = true;
            answer.asset = std::move(asset);
        },
        [&](const PhotoLibraryError& error) {
            answer.delivered = true;
            answer.error = error;
        });
    EXPECT_FALSE(answer.delivered) << "answered within the call";
    platform::Scheduler::main().runPending();
    EXPECT_TRUE(answer.delivered);
    return answer;
}

Answer assetForURL(const QUrl& url) {
    return askForOneAsset([&](auto result, auto failure) {
        PhotoLibrary::shared().assetForURL(url, std::move(result), std::move(failure));
    });
}

Answer enumerate(AssetsFilter filter) {
    Answer answer;
    PhotoLibrary::shared().enumerateSavedPhotos(
        filter,
        [&](std::vector<AssetPtr> assets) {
            answer.delivered = true;
            answer.assets = std::move(assets);
        },
        [&](const PhotoLibraryError& error) {
            answer.delivered = true;
            answer.error = error;
        });
    platform::Scheduler::main().runPending();
    EXPECT_TRUE(answer.delivered);
    return answer;
}

Answer lastPhotoTaken() {
    return askForOneAsset([](auto result, auto failure) {
        PhotoLibrary::shared().lastPhotoTaken(std::move(result), std::move(failure));
    });
}

std::vector<QString> names(const std::vector<AssetPtr>& assets) {
    std::vector<QString> result;
    for (const AssetPtr& asset : assets)
        result.push_back(asset->defaultRepresentation()->filename());
    return result;
}

TEST(PhotoLibraryTest, AssetUrlFindsTheSameFileWithItsFacts) {
    const QByteArray jpeg = encode(solid(64, 48), "JPEG");
    addFile(QStringLiteral("100APPLE/IMG_0001.JPG"), jpeg);
    addFile(QStringLiteral("100APPLE/IMG_0002.PNG"), encode(solid(10, 30), "PNG"));
    EXPECT_EQ(PhotoLibrary::shared().directory(),
              QDir(platform::Paths::root()).filePath(QStringLiteral("Media/DCIM")));

    const Answer listed = enumerate(AssetsFilter::AllAssets);
    ASSERT_EQ(listed.assets.size(), 2u);
    const QUrl url = listed.assets[0]->url();
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("^assets-library://asset/asset\\.JPG\\?id=[0-9A-F-]{36}&ext=JPG$"))
            .match(url.toString())
            .hasMatch())
        << url.toString().toStdString();
    EXPECT_NE(listed.assets[1]->url(), url);
    EXPECT_TRUE(PhotoLibrary::isAssetsLibraryURL(url));

    const Answer found = assetForURL(url);
    ASSERT_TRUE(found.asset);
    EXPECT_EQ(found.asset->url(), url);
    EXPECT_EQ(found.asset->type(), AssetType::Photo);
    const auto representation = found.asset->defaultRepresentation();
    EXPECT_EQ(representation->filename(), QStringLiteral("IMG_0001.JPG"));
    EXPECT_EQ(representation->size(), jpeg.size());
    EXPECT_EQ(representation->dimensions(), QSize(64, 48));
    EXPECT_EQ(representation->orientation(), ImageOrientation::Up);
    EXPECT_EQ(representation->getBytes(0, representation->size()), jpeg);
    EXPECT_EQ(representation->getBytes(10, 5), jpeg.mid(10, 5));
    EXPECT_EQ(representation->getBytes(jpeg.size() - 3, 100), jpeg.right(3));
    EXPECT_EQ(representation->fullResolutionImage().size(), QSize(64, 48));
}

TEST(PhotoLibraryTest, OrientationIsReportedAndThePixelsAreLeftAsStored) {
    struct Case {
        int tag;
        ImageOrientation orientation;
    };
    const Case cases[] = {
        {1, ImageOrientation::Up},
        {2, ImageOrientation::UpMirrored},
        {3, ImageOrientation::Down},
        {4, ImageOrientation::DownMirrored},
        {5, ImageOrientation::LeftMirrored},
        {6, ImageOrientation::Right},
        {7, ImageOrientation::RightMirrored},
        {8, ImageOrientation::Left},
    };
    for (const Case& c : cases) {
        const QString name = QStringLiteral("IMG_%1.JPG").arg(c.tag);
        addFile(name, jpegWithOrientation(solid(40, 20), c.tag), c.tag);
    }

    const Answer listed = enumerate(AssetsFilter::AllPhotos);
    ASSERT_EQ(listed.assets.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        // The tag doubles as minutes ago, so the newest comes first in reverse.
        const Case& c = cases[std::size(cases) - 1 - i];
        const auto representation = listed.assets[i]->defaultRepresentation();
        EXPECT_EQ(representation->orientation(), c.orientation) << c.tag;
        EXPECT_EQ(representation->metadata().value(QStringLiteral("Orientation")).toInt(), c.tag);
        EXPECT_EQ(representation->dimensions(), QSize(40, 20));
        EXPECT_EQ(representation->fullResolutionImage().size(), QSize(40, 20));
    }
}

TEST(PhotoLibraryTest, AlbumIsOrderedByDateAndFiltered) {
    addFile(QStringLiteral("100APPLE/IMG_0003.JPG"), encode(solid(4, 4), "JPEG"), 10);
    addFile(QStringLiteral("100APPLE/IMG_0001.JPG"), encode(solid(4, 4), "JPEG"), 30);
    addFile(QStringLiteral("101APPLE/IMG_0002.PNG"), encode(solid(4, 4), "PNG"), 20);
    addFile(QStringLiteral("101APPLE/IMG_0004.MOV"), QByteArray("not really a movie"), 5);
    addFile(QStringLiteral("101APPLE/notes.txt"), QByteArray("not media"), 1);
    addFile(QStringLiteral("101APPLE/.hidden.jpg"), encode(solid(4, 4), "JPEG"), 1);

    EXPECT_EQ(names(enumerate(AssetsFilter::AllPhotos).assets),
              (std::vector<QString>{QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0002.PNG"),
                                    QStringLiteral("IMG_0003.JPG")}));
    EXPECT_EQ(names(enumerate(AssetsFilter::AllAssets).assets).back(),
              QStringLiteral("IMG_0004.MOV"));

    const std::vector<AssetPtr> videos = enumerate(AssetsFilter::AllVideos).assets;
    ASSERT_EQ(videos.size(), 1u);
    EXPECT_EQ(videos[0]->type(), AssetType::Video);
    const auto movie = videos[0]->defaultRepresentation();
    EXPECT_EQ(movie->getBytes(0, movie->size()), QByteArray("not really a movie"));
    EXPECT_EQ(movie->dimensions(), QSize(0, 0));
    EXPECT_TRUE(movie->fullResolutionImage().isNull());
    EXPECT_TRUE(movie->metadata().isEmpty());

    // The newest photo, not the newer video.
    const Answer last = lastPhotoTaken();
    ASSERT_TRUE(last.asset);
    EXPECT_EQ(last.asset->defaultRepresentation()->filename(), QStringLiteral("IMG_0003.JPG"));
    EXPECT_EQ(last.asset->date(), platform::Scheduler::defaultVirtualStart().addSecs(-600).toUTC());
}

TEST(PhotoLibraryTest, EmptyLibraryHasNoLastPhoto) {
    const Answer last = lastPhotoTaken();
    EXPECT_FALSE(last.asset);
    EXPECT_FALSE(last.error);
    EXPECT_TRUE(enumerate(AssetsFilter::AllAssets).assets.empty());
}

TEST(PhotoLibraryTest, UrlOfNoAssetFails) {
    addFile(QStringLiteral("IMG_0001.JPG"), encode(solid(4, 4), "JPEG"));
    const QUrl url = enumerate(AssetsFilter::AllAssets).assets.at(0)->url();
    const QUrl urls[] = {
        QUrl(QStringLiteral(
            "assets-library://asset/asset.JPG?id=00000000-0000-0000-0000-000000000000&ext=JPG")),
        QUrl(QStringLiteral("assets-library://asset/asset.JPG")),
        QUrl::fromLocalFile(libraryPath(QStringLiteral("IMG_0001.JPG"))),
    };
    for (const QUrl& other : urls) {
        const Answer answer = assetForURL(other);
        EXPECT_FALSE(answer.asset) << other.toString().toStdString();
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(answer.error->code(), PhotoLibraryError::DataUnavailable);
    }

    // A file gone after its URL was handed out.
    const auto representation = assetForURL(url).asset->defaultRepresentation();
    ASSERT_TRUE(QFile::remove(libraryPath(QStringLiteral("IMG_0001.JPG"))));
    PhotoLibraryError readError;
    EXPECT_TRUE(representation->getBytes(0, 10, &readError).isEmpty());
    EXPECT_EQ(readError.code(), PhotoLibraryError::DataUnavailable);
    EXPECT_EQ(assetForURL(url).error->code(), PhotoLibraryError::DataUnavailable);
}

TEST(PhotoLibraryTest, RefusedAccessFailsEveryRequest) {
    addFile(QStringLiteral("IMG_0001.JPG"), encode(solid(4, 4), "JPEG"));
    const QUrl url = enumerate(AssetsFilter::AllAssets).assets.at(0)->url();

    const std::pair<PhotoLibraryAuthorizationStatus, int> cases[] = {
        {PhotoLibraryAuthorizationStatus::Denied, PhotoLibraryError::AccessUserDenied},
        {PhotoLibraryAuthorizationStatus::Restricted, PhotoLibraryError::AccessGloballyDenied},
    };
    for (const auto& [status, code] : cases) {
        PhotoLibrary::shared().setAuthorizationStatus(status);
        const Answer found = assetForURL(url);
        const Answer last = lastPhotoTaken();
        EXPECT_FALSE(found.asset);
        EXPECT_FALSE(last.asset);
        ASSERT_TRUE(found.error && last.error);
        EXPECT_EQ(found.error->code(), code);
        EXPECT_EQ(last.error->code(), code);
        EXPECT_EQ(found.error->domain(), PhotoLibraryError::kDomain);
    }

    // Not yet asked: the first request grants access.
    PhotoLibrary::shared().setAuthorizationStatus(PhotoLibraryAuthorizationStatus::NotDetermined);
    EXPECT_TRUE(assetForURL(url).asset);
    EXPECT_EQ(PhotoLibrary::shared().authorizationStatus(),
              PhotoLibraryAuthorizationStatus::Authorized);
}

}  // namespace
