#include "tests/files/FileViewTestSupport.h"

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "files/StartUp.h"
#include "files/downloads/ZVModalFileDownloader.h"
#include "platform/ui/view/View.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/screens/ZVStatusView.h"

#include <QtCore/QDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace filetest {
namespace {

QString shaOf(char digit) {
    return QString(ZVModalFileDownloader::kSha256Length, QChar::fromLatin1(digit));
}

class ModalFileDownloader : public FileViewTest {
protected:
    void SetUp() override {
        FileViewTest::SetUp();
        ZVModalFileDownloader::setDocumentOpener([this](const QUrl& url, platform::View* anchor) {
            opened.push_back(url);
            anchors.push_back(anchor);
        });
    }
    void TearDown() override {
        ZVModalFileDownloader::cancelDownloads();
        ZVStartUpFiles();
        FileViewTest::TearDown();
    }
    // A file of the service's storage with the hash.
    std::shared_ptr<File> storedFile(const QString& name, const QString& sha) {
        const QString url = emulator.storeFile(name, QByteArray(4000, 'x'));
        return makeFile({{u"attachment_id"_s, name},
                         {u"file_name"_s, name},
                         {u"file_size"_s, 4000},
                         {u"file_sha256"_s, sha},
                         {u"file_url"_s, url}});
    }
    int gets(const std::shared_ptr<File>& file) const {
        return emulator.requestCount(QUrl(file->fileUrl()).path());
    }
    bool idle() {
        return scheduler().runUntil([] { return !ZVModalFileDownloader::current(); });
    }

    std::shared_ptr<platform::View> anchor = std::make_shared<platform::View>();
    std::vector<QUrl> opened;
    std::vector<platform::View*> anchors;
};

// Two taps on a file start one download, which opens the file at the tapped view; once the file is
// on the device every tap opens it again, without asking the service.
TEST_F(ModalFileDownloader, OneFileIsFetchedOnceAndOpensOnEveryTap) {
    const auto file = storedFile(u"plan.pdf"_s, shaOf('a'));
    ZVModalFileDownloader::downloadFile(file, anchor);
    const auto running = ZVModalFileDownloader::current();
    ZVModalFileDownloader::downloadFile(file, anchor);
    EXPECT_EQ(ZVModalFileDownloader::current(), running);
    ASSERT_TRUE(idle());
    EXPECT_EQ(gets(file), 1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened.front().toLocalFile().endsWith(u"/Files/aa/%1/plan.pdf"_s.arg(shaOf('a'))));
    EXPECT_EQ(anchors.front(), anchor.get());

    ZVModalFileDownloader::downloadFile(file, anchor);
    ZVModalFileDownloader::downloadFile(file, anchor);
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_FALSE(ZVModalFileDownloader::current());
    EXPECT_EQ(gets(file), 1);
}

// Another file cancels the running download without an error card; the first starts anew when
// tapped again.
TEST_F(ModalFileDownloader, AnotherFileCancelsTheFirstQuietly) {
    const auto first = storedFile(u"first.pdf"_s, shaOf('1'));
    const auto second = storedFile(u"second.pdf"_s, shaOf('2'));
    ZVModalFileDownloader::downloadFile(first, anchor);
    ZVModalFileDownloader::downloadFile(second, anchor);
    EXPECT_EQ(ZVModalFileDownloader::current()->sha256(), shaOf('2'));
    ASSERT_TRUE(idle());
    // Whatever the cancelled transfer still reports comes by now.
    scheduler().runUntil([] { return ZVAlertView::alertViewShowing(); }, 500);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened.front().toLocalFile().endsWith(u"/second.pdf"_s));
    EXPECT_FALSE(ZVAlertView::alertViewShowing());

    ZVModalFileDownloader::downloadFile(first, anchor);
    EXPECT_EQ(ZVModalFileDownloader::current()->sha256(), shaOf('1'));
    ASSERT_TRUE(idle());
    EXPECT_EQ(opened.size(), 2u);
}

// The progress shows in the status bar in whole per cent; a failure hides it and shows a card; a
// cancel on navigation hides it and shows none.
TEST_F(ModalFileDownloader, ProgressFailureAndCancelInTheStatusBar) {
    const auto status = globals().statusView();
    ASSERT_TRUE(status);
    const auto file = storedFile(u"report.pdf"_s, shaOf('b'));
    emulator.injectFault(QUrl(file->fileUrl()).path(),
                         zvemu::Fault::delayed(zvemu::ServiceEmulator::kMaxHold));
    ZVModalFileDownloader::downloadFile(file, anchor);
    const auto running = ZVModalFileDownloader::current();
    ASSERT_TRUE(running);
    running->transferProgress(nullptr, 0.257F);
    EXPECT_EQ(status->text(), u"Downloading 25%"_s);
    EXPECT_TRUE(status->isShown());

    ZVAppServices::shared().cancelModalDownloads();
    EXPECT_FALSE(ZVModalFileDownloader::current());
    EXPECT_FALSE(status->isShown());
    emulator.releaseHeld();
    scheduler().runUntil([] { return ZVAlertView::alertViewShowing(); }, 500);
    EXPECT_FALSE(ZVAlertView::alertViewShowing());
    EXPECT_TRUE(opened.empty());

    const auto broken = storedFile(u"broken.pdf"_s, shaOf('c'));
    emulator.injectFault(QUrl(broken->fileUrl()).path(), zvemu::Fault::withStatus(500));
    ZVModalFileDownloader::downloadFile(broken, anchor);
    ASSERT_TRUE(idle());
    EXPECT_TRUE(ZVAlertView::alertViewShowing());
    EXPECT_FALSE(status->isShown());
    EXPECT_TRUE(opened.empty());
}

// Files on the device open at once; one still being uploaded does not open.
TEST_F(ModalFileDownloader, LocalFilesOpenAtOnce) {
    const auto local = makeFile({{u"file_name"_s, u"photo.png"_s},
                                 {u"file_sha256"_s, shaOf('d')},
                                 {u"file_url"_s, u"file:///tmp/photo.png"_s}});
    const auto library = makeFile({{u"file_name"_s, u"IMG_1.JPG"_s},
                                   {u"file_url"_s, u"assets-library://asset/asset.JPG?id=1"_s}});
    const auto uploading =
        makeFile({{u"file_name"_s, u"up.png"_s}, {u"file_url"_s, u"zelvo-upload:up.png"_s}});
    ZVModalFileDownloader::downloadFile(local, anchor);
    ZVModalFileDownloader::downloadFile(local, anchor);
    ZVModalFileDownloader::downloadFile(library, anchor);
    ZVModalFileDownloader::downloadFile(uploading, anchor);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], QUrl(u"file:///tmp/photo.png"_s));
    EXPECT_EQ(opened[2], QUrl(u"assets-library://asset/asset.JPG?id=1"_s));
    EXPECT_FALSE(ZVModalFileDownloader::current());
}

// Whatever the service sends as name and hash, the cache path is three components inside "Files/".
TEST_F(ModalFileDownloader, HostileNamesAndHashesStayInsideTheCache) {
    const QString upper = QString(64, u'F');
    struct Case {
        QString name;
        QString sha;
        QString expectedName;
        bool hashedFolder;
    };
    const std::vector<Case> cases{
        {u"plan.pdf"_s, shaOf('e'), u"plan.pdf"_s, false},
        {u"plan.pdf"_s, upper, u"plan.pdf"_s, false},
        {u"../../etc/passwd"_s, shaOf('e'), u"....etcpasswd"_s, false},
        {u".."_s, shaOf('e'), u"file"_s, false},
        {u"."_s, shaOf('e'), u"file"_s, false},
        {QString(), shaOf('e'), u"file"_s, false},
        {u"a\\..\\b"_s, shaOf('e'), u"a..b"_s, false},
        {u"nul"_s + QChar(0) + u"/x"_s, shaOf('e'), u"nulx"_s, false},
        {u"plan.pdf"_s, u"../.."_s, u"plan.pdf"_s, true},
        {u"plan.pdf"_s, QString(), u"plan.pdf"_s, true},
        {u"plan.pdf"_s, shaOf('g'), u"plan.pdf"_s, true},
        {u"plan.pdf"_s, shaOf('e') + u"0"_s, u"plan.pdf"_s, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString() + " / " + c.sha.toStdString());
        const auto file = makeFile({{u"file_name"_s, c.name},
                                    {u"file_sha256"_s, c.sha},
                                    {u"file_url"_s, u"https://files.example/x"_s}});
        const QString path = ZVModalFileDownloader::localPathForFile(*file);
        const QStringList parts = path.split(u'/');
        ASSERT_EQ(parts.size(), 4);
        EXPECT_EQ(parts[0], u"Files"_s);
        EXPECT_EQ(parts[3], c.expectedName);
        EXPECT_EQ(QDir::cleanPath(path), path);
        EXPECT_EQ(parts[2].size(), 64);
        EXPECT_EQ(parts[1], parts[2].right(2));
        EXPECT_EQ(parts[2] != c.sha, c.hashedFolder);
    }
    // Without a hash a file never counts as the one downloading.
    const auto noSha = makeFile(
        {{u"file_name"_s, u"a.pdf"_s}, {u"file_url"_s, emulator.storeFile(u"a.pdf"_s, "a")}});
    ZVModalFileDownloader::downloadFile(noSha, anchor);
    const auto running = ZVModalFileDownloader::current();
    ASSERT_TRUE(running);
    EXPECT_TRUE(running->sha256().isEmpty());
    ZVModalFileDownloader::downloadFile(noSha, anchor);
    EXPECT_NE(ZVModalFileDownloader::current(), running);
}

}  // namespace
}  // namespace filetest
