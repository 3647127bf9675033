#include "ZelvoKit/support/media/ZVURLLoader.h"

#include "ZelvoKit/support/media/ImageUtils.h"
#include "ZelvoKit/support/media/ZVFileURLRepresentation.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "platform/media/PhotoLibrary.h"
#include "tests/ZelvoKit/support/GifEncoder.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QBuffer>
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QThread>
#include <QtGui/QImageReader>
#include <QtGui/QPainter>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::PhotoLibrary;
using platform::PhotoLibraryError;

namespace {

constexpr double kScreenScale = 2;
// No picture, no thumbnail, no reduced copy.
constexpr QSize kNone(0, 0);

enum class Source { File, Library };

QImage solid(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

// Red on the left half, blue on the right.
QImage halves(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    return image;
}

QByteArray encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

QByteArray gif(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    return zvtest::GifEncoder::encode({{image, std::nullopt}});
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QUrl libraryUrl(const QString& name) {
    std::vector<PhotoLibrary::AssetPtr> assets;
    bool answered = false;
    PhotoLibrary::shared().enumerateSavedPhotos(
        platform::AssetsFilter::AllAssets,
        [&](std::vector<PhotoLibrary::AssetPtr> found) {
            assets = std::move(found);
            answered = true;
        },
        [&](const PhotoLibraryError&) { answered = true; });
    platform::Scheduler::main().runUntil([&] { return answered; });
    for (const auto& asset : assets)
        if (asset->defaultRepresentation()->filename() == name)
            return asset->url();
    ADD_FAILURE() << "no asset named " << name.toStdString();
    return {};
}

// Puts the bytes where the source finds them and returns the URL to ask for.
QUrl place(Source source, const QString& name, const QByteArray& bytes) {
    if (source == Source::File) {
        const QString path = zvtest::makeTempDir(QStringLiteral("picked")) + u'/' + name;
        writeFile(path, bytes);
        return QUrl::fromLocalFile(path);
    }
    writeFile(QDir(PhotoLibrary::shared().directory()).filePath(name), bytes);
    return libraryUrl(name);
}

struct Outcome {
    ZVURLRepresentationPtr representation;
    ZVErrorPtr error;
    int answers = 0;
    bool answeredAtOnce = false;
};

// Asks the loader and waits for the answer, noting whether it came within the call.
Outcome load(const QUrl& url) {
    Outcome outcome;
    ZVURLLoader::loader().representationForUrl(
        url,
        [&](const ZVURLRepresentationPtr& representation) {
            outcome.representation = representation;
            ++outcome.answers;
        },
        [&](const ZVErrorPtr& error) {
            outcome.error = error;
            ++outcome.answers;
        });
    outcome.answeredAtOnce = outcome.answers > 0;
    platform::Scheduler::main().runUntil([&] { return outcome.answers > 0; });
    return outcome;
}

QImage decode(const QByteArray& bytes, QByteArray* format = nullptr,
              QImageIOHandler::Transformations* transformation = nullptr) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    if (format)
        *format = reader.format();
    const QImage image = reader.read();
    if (transformation)
        *transformation = reader.transformation();
    return image;
}

bool near(QRgb pixel, QColor expected) {
    constexpr int kTolerance = 40;
    return std::abs(qRed(pixel) - expected.red()) <= kTolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= kTolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= kTolerance;
}

class ZVURLLoaderTest : public testing::Test {
protected:
    void SetUp() override { platform::Application::shared().setScreenScale(kScreenScale); }
};

TEST_F(ZVURLLoaderTest, PicturesGetAThumbnailAndOnlyLargeOnesAReducedCopy) {
    struct Case {
        Source source;
        QString name;
        QByteArray bytes;
        QSize imageSize;
        QSize thumbnail;
        QSize reduced;
        QByteArray reducedFormat;
    };
    const Case cases[] = {
        {Source::File,
         u"wide photo.png"_s,
         encode(solid(2000, 1000), "PNG"),
         {2000, 1000},
         {576, 288},
         {1024, 512},
         "png"},
        {Source::File,
         u"tall.JPG"_s,
         encode(solid(800, 2000), "JPEG"),
         {800, 2000},
         {231, 576},
         {410, 1024},
         "jpeg"},
        {Source::File,
         u"plain.png"_s,
         encode(solid(1024, 800), "PNG"),
         {1024, 800},
         {576, 450},
         kNone,
         {}},
        // Not a picture to this loader, however large.
        {Source::File, u"anim.gif"_s, gif(1200, 600), kNone, kNone, kNone, {}},
        {Source::File, u"notes.txt"_s, QByteArray("hello"), kNone, kNone, kNone, {}},
        {Source::Library,
         u"IMG_0001.PNG"_s,
         encode(solid(2000, 1000), "PNG"),
         {2000, 1000},
         {576, 288},
         {1024, 512},
         "png"},
        {Source::Library,
         u"IMG_0002.jpeg"_s,
         encode(solid(1024, 800), "JPEG"),
         {1024, 800},
         {576, 450},
         kNone,
         {}},
        // The library shows every photo, but only pictures of the known kinds are reduced.
        {Source::Library, u"IMG_0003.GIF"_s, gif(1200, 600), {1200, 600}, {576, 288}, kNone, {}},
        {Source::Library, u"clip.mov"_s, QByteArray(64, 'v'), kNone, kNone, kNone, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const Outcome outcome = load(place(c.source, c.name, c.bytes));
        ASSERT_TRUE(outcome.representation);
        ASSERT_FALSE(outcome.error);
        // A file is read in the call; a photo answers later.
        EXPECT_EQ(outcome.answeredAtOnce, c.source == Source::File);

        const ZVURLRepresentation& loaded = *outcome.representation;
        EXPECT_EQ(loaded.data(), c.bytes);
        EXPECT_EQ(loaded.fileName(), c.name);
        EXPECT_EQ(loaded.fileSize(), c.bytes.size());
        EXPECT_EQ(loaded.imageSize(), QSizeF(c.imageSize));
        EXPECT_EQ(loaded.thumbnail().size(), c.thumbnail);

        if (c.reduced.isEmpty()) {
            EXPECT_FALSE(loaded.resized());
            continue;
        }
        ASSERT_TRUE(loaded.resized());
        const ZVURLRepresentation& reduced = *loaded.resized();
        ASSERT_TRUE(reduced.data());
        QByteArray format;
        EXPECT_EQ(decode(*reduced.data(), &format).size(), c.reduced);
        EXPECT_EQ(format, c.reducedFormat);
        EXPECT_EQ(reduced.imageSize(), QSizeF(c.reduced));
        EXPECT_EQ(reduced.fileSize(), reduced.data()->size());
        EXPECT_EQ(reduced.fileName(), c.name);
        EXPECT_FALSE(reduced.resized());
    }
}

TEST_F(ZVURLLoaderTest, APhotoTakenTurnedIsShownAndReducedUpright) {
    // Stored on its side: turned a quarter clockwise, red comes on top and blue below.
    const QByteArray sideways =
        ImageToJpeg(halves(1600, 800), {{QLatin1String(kImageMetadataOrientation), 6}});
    for (const Source source : {Source::File, Source::Library}) {
        SCOPED_TRACE(source == Source::File ? "file" : "library");
        const Outcome outcome = load(place(source, u"turned.jpg"_s, sideways));
        ASSERT_TRUE(outcome.representation);
        const ZVURLRepresentation& loaded = *outcome.representation;

        EXPECT_EQ(loaded.imageSize(), QSizeF(800, 1600));
        const QImage& thumbnail = loaded.thumbnail();
        ASSERT_EQ(thumbnail.size(), QSize(288, 576));
        EXPECT_TRUE(near(thumbnail.pixel(144, 20), Qt::red));
        EXPECT_TRUE(near(thumbnail.pixel(144, 556), Qt::blue));

        ASSERT_TRUE(loaded.resized() && loaded.resized()->data());
        // The copy's pixels are upright, so no reader needs a tag to show it right.
        QImageIOHandler::Transformations transformation;
        const QImage reduced = decode(*loaded.resized()->data(), nullptr, &transformation);
        EXPECT_EQ(transformation, QImageIOHandler::TransformationNone);
        ASSERT_EQ(reduced.size(), QSize(512, 1024));
        EXPECT_TRUE(near(reduced.pixel(256, 40), Qt::red));
        EXPECT_TRUE(near(reduced.pixel(256, 984), Qt::blue));
    }
}

TEST_F(ZVURLLoaderTest, RequestsForAPhotoThatIsLoadingAreAnsweredInTheirOrderOnTheMainThread) {
    const QUrl url = place(Source::Library, u"IMG_0010.png"_s, encode(solid(300, 200), "PNG"));
    std::vector<int> order;
    std::vector<ZVURLRepresentationPtr> answers;
    const auto handler = [&](int request) {
        return [&, request](const ZVURLRepresentationPtr& representation) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            order.push_back(request);
            answers.push_back(representation);
        };
    };
    ZVURLLoader::loader().representationForUrl(url, handler(1), nullptr);
    ZVURLLoader::loader().representationForUrl(url, handler(2), nullptr);
    EXPECT_TRUE(order.empty());

    ASSERT_TRUE(platform::Scheduler::main().runUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(answers[0], answers[1]);

    // Loaded: a later request is answered within the call, with the same representation.
    ZVURLLoader::loader().representationForUrl(url, handler(3), nullptr);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(answers[2], answers[0]);
}

TEST_F(ZVURLLoaderTest, AFileIsReadAgainOnlyAfterTheCacheIsReset) {
    const QUrl url = place(Source::File, u"draft.txt"_s, "first");
    const Outcome first = load(url);
    writeFile(url.toLocalFile(), "second version");

    const Outcome cached = load(url);
    EXPECT_EQ(cached.representation, first.representation);
    EXPECT_EQ(cached.representation->data(), QByteArray("first"));

    ZVURLLoader::loader().resetCache();
    const Outcome fresh = load(url);
    ASSERT_TRUE(fresh.representation);
    EXPECT_NE(fresh.representation, first.representation);
    EXPECT_EQ(fresh.representation->data(), QByteArray("second version"));
    EXPECT_EQ(fresh.representation->fileSize(), 14);
}

TEST_F(ZVURLLoaderTest, AFailedLoadAnswersEveryErrorHandlerNowAndLater) {
    const QString folder = zvtest::makeTempDir(QStringLiteral("picked"));
    writeFile(folder + u"/inner/x.txt"_s, "x");
    const QUrl denied = place(Source::Library, u"IMG_0020.png"_s, encode(solid(10, 10), "PNG"));

    struct Case {
        const char* name;
        QUrl url;
        QString domain;
        int code;
        std::function<void()> prepare;
    };
    const Case cases[] = {
        {"missing file",
         QUrl::fromLocalFile(folder + u"/gone.png"_s),
         ZVFileURLRepresentation::FileReadingDomain,
         ZVFileURLRepresentation::FileReadNoSuchFile,
         {}},
        // Its attributes can be read but its contents cannot; nobody may be left waiting.
        {"folder",
         QUrl::fromLocalFile(folder + u"/inner"_s),
         ZVFileURLRepresentation::FileReadingDomain,
         ZVFileURLRepresentation::FileReadUnknown,
         {}},
        {"photo not in the library",
         QUrl(
             u"assets-library://asset/asset.JPG?id=00000000-0000-0000-0000-000000000000&ext=JPG"_s),
         PhotoLibraryError::kDomain,
         PhotoLibraryError::DataUnavailable,
         {}},
        {"library access denied", denied, PhotoLibraryError::kDomain,
         PhotoLibraryError::AccessUserDenied,
         [] {
             PhotoLibrary::shared().setAuthorizationStatus(
                 platform::PhotoLibraryAuthorizationStatus::Denied);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.prepare)
            c.prepare();
        const Outcome first = load(c.url);
        ASSERT_TRUE(first.error);
        EXPECT_FALSE(first.representation);
        EXPECT_EQ(first.answers, 1);
        EXPECT_EQ(first.error->domain(), c.domain);
        EXPECT_EQ(first.error->code(), c.code);
        EXPECT_FALSE(first.error->localizedDescription().isEmpty());

        const Outcome later = load(c.url);
        EXPECT_TRUE(later.answeredAtOnce);
        EXPECT_EQ(later.error, first.error);
        EXPECT_FALSE(later.representation);
    }
}

TEST_F(ZVURLLoaderTest, AnotherSchemeFailsAtOnceWithTheUrlInTheError) {
    const QUrl url(u"http://files.example.com/a%20b.png"_s);
    bool handled = false;
    ZVErrorPtr error;
    ZVURLLoader::loader().representationForUrl(
        url, [&](const ZVURLRepresentationPtr&) { handled = true; },
        [&](const ZVErrorPtr& e) { error = e; });

    EXPECT_FALSE(handled);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), ZVError::Domain);
    EXPECT_EQ(error->code(), ZVError::UnsupportedUrl);
    EXPECT_EQ(error->userInfo().value(ZVError::UrlKey).toString(),
              u"http://files.example.com/a%20b.png"_s);
    // Without an error handler it is simply not loaded.
    ZVURLLoader::loader().representationForUrl(url, nullptr, nullptr);
}

TEST_F(ZVURLLoaderTest, ForgettingAPhotoWhileItLoadsStillAnswersEveryoneWaiting) {
    const QUrl url = place(Source::Library, u"IMG_0030.png"_s, encode(solid(40, 30), "PNG"));
    std::vector<int> answered;
    ZVURLLoader::loader().representationForUrl(
        url,
        [&](const ZVURLRepresentationPtr& representation) {
            EXPECT_TRUE(representation->data());
            answered.push_back(1);
            // The cache held the last other reference.
            ZVURLLoader::loader().resetCache();
        },
        nullptr);
    ZVURLLoader::loader().representationForUrl(
        url,
        [&](const ZVURLRepresentationPtr& representation) {
            EXPECT_EQ(representation->fileName(), u"IMG_0030.png"_s);
            answered.push_back(2);
        },
        nullptr);
    ZVURLLoader::loader().resetCache();
    ZVURLLoader::loader().representationForUrl(
        url, [&](const ZVURLRepresentationPtr&) { answered.push_back(3); }, nullptr);
    ZVURLLoader::loader().resetCache();

    ASSERT_TRUE(platform::Scheduler::main().runUntil([&] { return answered.size() == 3; }));
    std::sort(answered.begin(), answered.end());
    EXPECT_EQ(answered, (std::vector<int>{1, 2, 3}));
}

TEST(ZVURLLoaderIsLocalURLTest, OnlyFileAndPhotoLibraryTextsAreLocal) {
    const std::pair<const char*, bool> cases[] = {
        {"file:///tmp/a.png", true},
        {"assets-library://asset/asset.JPG?id=1&ext=JPG", true},
        {"https://files.example.com/a.png", false},
        {"", false},
        {"/tmp/a.png", false},
    };
    for (const auto& [text, local] : cases)
        EXPECT_EQ(ZVURLLoader::isLocalURL(QString::fromUtf8(text)), local) << text;
}

}  // namespace
