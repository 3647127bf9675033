#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"
#include "tests/ZelvoKit/ZelvoApi/TransferTestSupport.h"
#include "tests/support/ImageBytes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QThread>
#include <QtGui/QImage>

#include <mutex>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::ServiceEmulator;

QByteArray pngBytes(int width, int height, QColor colour = Qt::darkCyan) {
    return zvtest::solidImageBytes(QSize(width, height), colour);
}

// Two 1x1 images shown 0.1 s and 0.3 s.
QByteArray twoFrameGif() {
    const QByteArray header("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00", 19);
    const auto frame = [](char delay) {
        return QByteArray("\x21\xf9\x04\x00", 4) + delay +
               QByteArray(
                   "\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 18);
    };
    return header + frame(10) + frame(30) + ';';
}

// Writes down on which threads it prepares its images.
class ProbeCache : public ZVImageCache {
public:
    explicit ProbeCache(QString relativePath)
        : ZVImageCache(std::move(relativePath), u"ProbeCache"_s) {}

    QImage prepareImage(const QImage& image, QSizeF size) const override {
        {
            std::lock_guard lock(mutex_);
            threads_.push_back(QThread::currentThread());
        }
        return ZVImageCache::prepareImage(image, size);
    }

    std::vector<QThread*> threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    mutable std::mutex mutex_;
    mutable std::vector<QThread*> threads_;
};

class ZVImageCacheTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        platform::Application::shared().setScreenScale(2.0);
        session = signIn(u"ann@example.com"_s);
        api().ensureFileTransfers();
        cache = std::make_shared<ProbeCache>(u"Previews"_s);
    }

    QString fileOf(const QString& localId) const {
        return platform::Paths::cachesDirectory() + u'/' + session->sessionId() + u'/' +
               cache->localFileId(localId);
    }

    static bool loaded(const std::shared_ptr<ZVCachedImage>& image) {
        return waitUntil([&] { return !image->loading(); });
    }

    std::shared_ptr<RecordingSession> session;
    std::shared_ptr<ProbeCache> cache;
};

TEST_F(ZVImageCacheTest, AnImageIsFetchedOnceDecodedOnTheQueueAndAnnouncedWithItsImage) {
    EXPECT_EQ(cache->queueName(), u"ProbeCache.queue"_s);
    EXPECT_TRUE(std::make_shared<ZVImageCache>(u"Avatars"_s)->queueName().isEmpty());
    const QString url = emulator.storeFile(u"p.png"_s, pngBytes(120, 90));

    const auto image = cache->imageWithUrl(url, u"f1"_s, session, QSizeF(32, 24), false);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->loading());
    std::vector<std::pair<bool, bool>> announced;  // (loading, has image)
    auto observing = image->observe(QString(ZVCachedImage::LoadingKey), [&](const QString&) {
        announced.emplace_back(image->loading(), !image->image().isNull());
    });
    EXPECT_EQ(cache->imageWithUrl(u"http://elsewhere/x.png"_s, u"f1"_s, session, {}, false), image);
    EXPECT_EQ(cache->imageWithLocalId(u"f1"_s), image);
    EXPECT_FALSE(cache->imageWithLocalId(u"f2"_s));

    ASSERT_TRUE(loaded(image));
    EXPECT_EQ(emulator.requestCount(QUrl(url).path()), 1);
    EXPECT_EQ(announced, (std::vector<std::pair<bool, bool>>{{false, true}}));
    EXPECT_EQ(image->image().deviceIndependentSize(), QSizeF(32, 24));
    EXPECT_EQ(image->image().devicePixelRatio(), 2.0);
    EXPECT_EQ(image->errorCode(), 0);
    const auto threads = cache->threads();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(threads.front(), QCoreApplication::instance()->thread());
    EXPECT_TRUE(readTestFile(fileOf(u"f1"_s)) == pngBytes(120, 90));

    EXPECT_FALSE(cache->imageWithUrl(url, QString(), session, {}, false));
    EXPECT_TRUE(logText().contains(u"ZVImageCache::ImageWithUrl: localId == nil"_s));
}

TEST_F(ZVImageCacheTest, AFailedFetchIsRetriedUnlessTheServiceRefusedItForGood) {
    const QByteArray bytes = pngBytes(40, 40);
    const QString refused =
        emulator.baseUrl() + u"files/0c6b1b6e-0000-4000-8000-000000000000/a.png"_s;
    const QString busy = emulator.storeFile(u"b.png"_s, bytes);
    emulator.injectFault(QUrl(busy).path(), Fault::withStatus(503));

    const auto gone = cache->imageWithUrl(refused, u"gone"_s, session, {}, false);
    const auto later = cache->imageWithUrl(busy, u"later"_s, session, {}, false);
    ASSERT_TRUE(loaded(gone));
    ASSERT_TRUE(loaded(later));
    EXPECT_EQ(gone->errorCode(), 404);
    EXPECT_FALSE(gone->canRetry());
    EXPECT_EQ(later->errorCode(), 503);
    EXPECT_TRUE(later->canRetry());
    EXPECT_TRUE(later->image().isNull());
    EXPECT_FALSE(QFile::exists(fileOf(u"gone"_s)));
    EXPECT_FALSE(QFile::exists(fileOf(u"later"_s))) << "an error page is not kept as the picture";

    cache->retryLoad();
    EXPECT_FALSE(gone->loading());
    EXPECT_TRUE(later->loading());
    ASSERT_TRUE(loaded(later));
    EXPECT_EQ(later->errorCode(), 0);
    EXPECT_FALSE(later->image().isNull());
    EXPECT_EQ(emulator.requestCount(QUrl(refused).path()), 1);
    EXPECT_EQ(emulator.requestCount(QUrl(busy).path()), 2);
}

TEST_F(ZVImageCacheTest, TheSameUrlDoesNotReloadAndAnotherReplacesThePicture) {
    const struct {
        QString localId;
        QString file;
    } names[] = {
        {u"abc"_s, u"Previews/abc.png"_s},
        {u"abc.jpg"_s, u"Previews/abc.jpg"_s},
        {u"a/b"_s, u"Previews/a_b.png"_s},
        {u".."_s, u"Previews/_.png"_s},
    };
    for (const auto& c : names) {
        EXPECT_EQ(cache->localFileId(c.localId), c.file);
    }

    const QByteArray one = pngBytes(10, 10);
    const QByteArray two = pngBytes(20, 10);
    const QString first = emulator.storeFile(u"one.png"_s, one);
    const QString second = emulator.storeFile(u"two.png"_s, two);
    const QString third = emulator.storeFile(u"three.png"_s, pngBytes(30, 10));
    const auto image = cache->imageWithUrl(first, u"x"_s, session, {}, false);
    ASSERT_TRUE(loaded(image));
    image->setUrl(first);
    EXPECT_FALSE(image->loading());

    // The new picture replaces the old one's file, and the old one is not shown meanwhile.
    ASSERT_TRUE(readTestFile(fileOf(u"x"_s)) == one);
    image->setUrl(second);
    EXPECT_TRUE(image->loading());
    EXPECT_TRUE(image->image().isNull());
    ASSERT_TRUE(loaded(image));
    EXPECT_EQ(emulator.requestCount(QUrl(first).path()), 1);
    EXPECT_EQ(emulator.requestCount(QUrl(second).path()), 1);
    EXPECT_EQ(image->image().deviceIndependentSize(), QSizeF(10, 5));
    EXPECT_TRUE(readTestFile(fileOf(u"x"_s)) == two);

    // A download of the URL before, still running, neither fills the file nor shows.
    emulator.injectFault(QUrl(third).path(), Fault::delayed(ServiceEmulator::kMaxHold));
    image->setUrl(third);
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
    image->setUrl(first);
    ASSERT_TRUE(loaded(image));
    emulator.releaseHeld();
    ASSERT_TRUE(waitUntil([&] {
        return emulator.lastRequest(QUrl(third).path())->status != 0 &&
               api().fileTransfers()->numberInProgress() == 0;
    }));
    cache->queue().waitForDone();
    platform::Scheduler::main().runPending();
    EXPECT_EQ(image->image().deviceIndependentSize(), QSizeF(5, 5));
    EXPECT_TRUE(readTestFile(fileOf(u"x"_s)) == one);
    EXPECT_EQ(emulator.requestCount(QUrl(first).path()), 2);
}

TEST_F(ZVImageCacheTest, AnimatedEntriesKeepTheirFramesAndAFileThatIsNoGifGivesNone) {
    const QString gif = emulator.storeFile(u"a.gif"_s, twoFrameGif());
    const QString notGif = emulator.storeFile(u"b.gif"_s, "GIF89a but nothing more");
    const auto moving = cache->imageWithUrl(gif, u"a.gif"_s, session, QSizeF(50, 50), true);
    const auto broken = cache->imageWithUrl(notGif, u"b.gif"_s, session, {}, true);
    ASSERT_TRUE(loaded(moving));
    ASSERT_TRUE(loaded(broken));
    ASSERT_TRUE(moving->animatedImage());
    EXPECT_EQ(moving->animatedImage()->frameCount(), 4) << "0.3 s is three frames of 0.1 s";
    EXPECT_DOUBLE_EQ(moving->animatedImage()->duration(), 0.4);
    EXPECT_TRUE(cache->threads().empty()) << "animations are not prepared";
    EXPECT_FALSE(broken->animatedImage());
    EXPECT_EQ(broken->errorCode(), 0);
}

TEST_F(ZVImageCacheTest, ALocalPictureComesFromTheMediaLoaderAndIsKeptAsAFile) {
    const QString path = writeTestFile(u"picked"_s, u"photo.png"_s, pngBytes(400, 200));
    const auto image = cache->imageWithUrl(QUrl::fromLocalFile(path).toString(), u"local1"_s,
                                           session, QSizeF(50, 50), false);
    ASSERT_TRUE(loaded(image));
    EXPECT_EQ(image->image().deviceIndependentSize(), QSizeF(50, 50));
    QImage kept;
    ASSERT_TRUE(kept.load(fileOf(u"local1"_s)));
    EXPECT_EQ(kept.size(), image->image().size());
    EXPECT_EQ(emulator.requestCount(), 0);
    EXPECT_FALSE(image->canRetry());
    // A size with no width is a height to fit, the picture's proportions kept.
    const auto strip = cache->imageWithUrl(QUrl::fromLocalFile(path).toString(), u"local3"_s,
                                           session, QSizeF(0, 25), false);
    ASSERT_TRUE(loaded(strip));
    EXPECT_EQ(strip->image().deviceIndependentSize(), QSizeF(50, 25));

    const auto unreadable =
        cache->imageWithUrl(QUrl::fromLocalFile(zvtest::testRoot() + u"/missing.png"_s).toString(),
                            u"local2"_s, session, {}, false);
    ASSERT_TRUE(loaded(unreadable));
    EXPECT_TRUE(unreadable->image().isNull());
}

TEST_F(ZVImageCacheTest, ADownloadOfAnEarlierUrlDoesNotTouchAnEntryNowLoadedFromAFile) {
    const QString path = writeTestFile(u"picked"_s, u"photo.png"_s, pngBytes(400, 200));
    const struct {
        const char* name;
        Fault fault;
    } cases[] = {
        {"arrives", Fault::delayed(ServiceEmulator::kMaxHold)},
        {"fails", Fault::withStatus(503).after(ServiceEmulator::kMaxHold)},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString localId = u"moved"_s + QString::number(++round);
        const QString url = emulator.storeFile(u"remote.png"_s, pngBytes(30, 30));
        emulator.injectFault(QUrl(url).path(), c.fault);
        const auto image = cache->imageWithUrl(url, localId, session, QSizeF(50, 50), false);
        ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));

        image->setUrl(QUrl::fromLocalFile(path).toString());
        ASSERT_TRUE(loaded(image));
        const qint64 shown = image->image().cacheKey();
        const std::size_t prepared = cache->threads().size();
        int announcements = 0;
        auto observing = image->observe(QString(ZVCachedImage::LoadingKey),
                                        [&](const QString&) { ++announcements; });

        emulator.releaseHeld();
        ASSERT_TRUE(waitUntil([&] { return api().fileTransfers()->numberInProgress() == 0; }));
        cache->queue().waitForDone();
        platform::Scheduler::main().runPending();
        EXPECT_EQ(image->image().cacheKey(), shown);
        EXPECT_EQ(image->errorCode(), 0);
        EXPECT_FALSE(image->loading());
        EXPECT_EQ(announcements, 0);
        EXPECT_EQ(cache->threads().size(), prepared) << "the old download was decoded";
    }
}

TEST_F(ZVImageCacheTest, AnEntryDoesNotKeepItsCacheAlive) {
    const QString url = emulator.storeFile(u"p.png"_s, pngBytes(30, 30));
    emulator.injectFault(QUrl(url).path(), Fault::delayed(ServiceEmulator::kMaxHold));
    std::weak_ptr<ZVImageCache> weakCache = cache;
    const auto image = cache->imageWithUrl(url, u"p"_s, session, {}, false);
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
    cache.reset();
    EXPECT_TRUE(weakCache.expired());

    emulator.releaseHeld();
    ASSERT_TRUE(loaded(image));
    EXPECT_TRUE(image->image().isNull()) << "nobody left to prepare it";
}

}  // namespace
}  // namespace zvapitest
