#include "accounts/settings/ZVErrorLogViewController.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "accounts/ZVServiceAddresses.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextView.h"
#include "toolkit/dialogs/ZVButtonCell.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QRegularExpression>

using namespace Qt::StringLiterals;

namespace settingstest {
namespace {

class ErrorLogScreenTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        platform::Application::shared().setShortVersion(u"1.2"_s);
        platform::Application::shared().setBuildVersion(u"345"_s);
        ZVErrorLog::errorLog().deleteLogFile();
    }
    std::shared_ptr<ZVErrorLogViewController> open() {
        auto screen = platform::ViewController::make<ZVErrorLogViewController>(session);
        push(screen);
        return screen;
    }
    // The snapshot's entries in the log, by their first line, in order: screens write other
    // lines between them.
    static QStringList snapshotEntries() {
        static const QRegularExpression entry(
            u"^\\S+ \\S+ \\S+ (App version: .*|Session stats:|Cumulative stats:|Data model status:)$"_s);
        QStringList heads;
        for (const QString& line : ZVErrorLogViewController::logText().split(u'\n')) {
            if (const auto match = entry.match(line); match.hasMatch()) {
                heads << match.captured(1);
            }
        }
        return heads;
    }
    QList<zvemu::RecordedRequest> messagesPosted() const {
        QList<zvemu::RecordedRequest> posted;
        for (const auto& request : emulator.requests()) {
            if (request.path.startsWith(u"message/store/"_s)) {
                posted << request;
            }
        }
        return posted;
    }
};

TEST_F(ErrorLogScreenTest, EveryOpeningWritesTheSnapshotInOrder) {
    const QStringList snapshot{u"App version: 1.2.345"_s, u"Session stats:"_s,
                               u"Cumulative stats:"_s, u"Data model status:"_s};
    auto screen = platform::ViewController::make<ZVErrorLogViewController>(session);
    // The size shown is the log's after the snapshot.
    EXPECT_EQ(screen->postCell()->detailText(),
              ZVLocalization::formatFileSize(ZVErrorLog::errorLog().logFileSize()));
    push(screen);
    EXPECT_EQ(snapshotEntries(), snapshot) << ZVErrorLogViewController::logText().toStdString();
    const QString text = ZVErrorLogViewController::logText();
    EXPECT_TRUE(text.contains(api().sessionStats()->description()));
    EXPECT_TRUE(text.contains(platform::format(u"Conversations: %ld, contacts: %ld\n",
                                               long(session->conversations().size()),
                                               long(session->contacts().size()))));
    EXPECT_TRUE(screen->viewCell()->detailStyle());

    navigation()->popViewControllerAnimated(false);
    screen = open();
    EXPECT_EQ(snapshotEntries(), snapshot + snapshot);
}

TEST_F(ErrorLogScreenTest, ALogThatIsNoUtf8IsShownLossily) {
    ZVErrorLog::errorLog().logMessage(u"before"_s);
    ZVErrorLog::errorLog().flush();
    {
        QFile file(ZVErrorLog::errorLog().logFilePath());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("broken \xff\xfe bytes\n");
    }
    const auto screen = open();
    screen->didSelectRow(rowOfCell(*screen, screen->viewCell()));
    settle();
    const auto shown = std::dynamic_pointer_cast<platform::TextView>(top()->view());
    ASSERT_TRUE(shown);
    EXPECT_EQ(top()->title(), u"Error log"_s);
    EXPECT_FALSE(shown->isEditable());
    EXPECT_TRUE(shown->text().contains(u"before"_s));
    EXPECT_TRUE(shown->text().contains(u"broken \uFFFD\uFFFD bytes"_s));
    EXPECT_TRUE(shown->text().contains(u"App version: 1.2.345"_s));
}

TEST_F(ErrorLogScreenTest, PostingSendsTheLogAsItWasToTheSupportConversation) {
    const QString supportId = account(ZVServiceAddresses::shared().support);
    ZVLogError(u"the line support needs");
    const auto screen = open();
    const QByteArray atPost = ZVErrorLogViewController::logText().toUtf8();
    screen->didSelectRow(rowOfCell(*screen, screen->postCell()));
    // What happens after the post changes nothing of what is sent.
    ZVLogError(u"a line written later");
    ZVErrorLog::errorLog().deleteLogFile();

    ASSERT_TRUE(waitUntil([&] { return !messagesPosted().isEmpty(); }));
    ASSERT_FALSE(pagesOpened.empty());
    // The message went to a conversation of the user and support, which was opened.
    const QString posted = messagesPosted().front().path.section(u'/', 2);
    const auto record = emulator.conversationRecord(posted);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->value(u"members"_s).toArray().contains(QJsonValue(supportId)));
    const auto uploads = emulator.requests(u"file/upload"_s);
    ASSERT_EQ(uploads.size(), 1);
    ASSERT_EQ(messagesPosted().size(), 1);
    const QJsonObject body = messagesPosted().front().body;
    EXPECT_TRUE(body.value(u"message"_s).toString().isEmpty());
    const QJsonArray attachments = body.value(u"attachments"_s).toArray();
    ASSERT_EQ(attachments.size(), 1);
    const auto stored = emulator.storedFile(attachments.first().toString());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->data, atPost);
    EXPECT_EQ(stored->name, u"errors.log"_s);
}

TEST_F(ErrorLogScreenTest, AnUnreadableLogShowsTheErrorAndPostsNothing) {
    const auto screen = open();
    // Where the log was, something no one reads as a file.
    const QString path = ZVErrorLog::errorLog().logFilePath();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    screen->didSelectRow(rowOfCell(*screen, screen->postCell()));
    ASSERT_TRUE(card());
    EXPECT_EQ(card()->title(), u"Request failed"_s);
    QDir().rmdir(path);
    scheduler().advance(2);
    EXPECT_TRUE(pagesOpened.empty());
    EXPECT_EQ(emulator.requestCount(u"file/upload"_s), 0);
    EXPECT_TRUE(messagesPosted().isEmpty());
}

TEST_F(ErrorLogScreenTest, DeletingAsksFirst) {
    const auto screen = open();
    const qint64 size = ZVErrorLog::errorLog().logFileSize();
    ASSERT_GT(size, 0);
    screen->deleteLogCell()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(card());
    EXPECT_EQ(card()->title(), u"Zelvo"_s);
    EXPECT_EQ(card()->message(), u"Delete error log?"_s);
    ASSERT_TRUE(tapCardButton(u"Cancel"_s));
    EXPECT_EQ(ZVErrorLog::errorLog().logFileSize(), size);
    EXPECT_EQ(top(), screen);

    screen->deleteLogCell()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(tapCardButton(u"Delete"_s));
    EXPECT_TRUE(snapshotEntries().isEmpty());
    EXPECT_LT(ZVErrorLog::errorLog().logFileSize(), size);
    EXPECT_NE(top(), screen);
}

}  // namespace
}  // namespace settingstest
