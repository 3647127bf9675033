#include "MessageFlow/menus/ZVSnoozeView.h"

#include "MessageFlow/menus/StartUp.h"
#include "MessageFlow/menus/ZVSnoozeButton.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/support/text/DeviceLocale.h"
#include "app/inbox/cells/ZVMutePopover.h"
#include "platform/ui/controls/Label.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "tests/toolkit/alerts/AlertStage.h"

#include <QtCore/QJsonArray>
#include <QtCore/QTimeZone>

namespace {

using namespace Qt::Literals::StringLiterals;

// A signed-in account's conversations muted from a row of a phone's window, on the loopback
// service. The clock starts on Monday 5 January 2026, 10:00 in Berlin.
class SnoozeViewTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        DeviceLocale::setLocale(u"en_US"_s);
        DeviceLocale::setTimeZone(u"Europe/Berlin"_s);
        stage.root->addSubview(row);
        ZVStartUpConversationMenus();
    }
    void TearDown() override {
        ZVMutePopover::setPresenter({});
        SignedInTest::TearDown();
    }

    // A conversation of the service, as the account's stream brought it.
    std::shared_ptr<Conversation> conversation(const QString& topic, QJsonObject fields = {}) {
        const QString id = emulator.addConversation(topic, {session_->sessionId()});
        QJsonObject record = *emulator.conversationRecord(id);
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        emulator.appendEvent(session_->sessionId(), record);
        EXPECT_TRUE(waitForStreamEnd(session_));
        return session_->conversationFromId(id);
    }
    // The popup the row's mute action shows.
    std::shared_ptr<ZVSnoozeView> mute(const std::shared_ptr<Conversation>& shown) {
        ZVMutePopover::show(shown, *row);
        stage.settle();
        return std::dynamic_pointer_cast<ZVSnoozeView>(stage.manager().currentAlertView());
    }
    static QStringList rows(const ZVSnoozeView& popup) {
        QStringList shown;
        for (const auto& option : popup.options()) {
            const auto& subtitle = option->subtitleLabel();
            shown << option->title() + u" / "_s + (subtitle ? subtitle->text() : u"-"_s);
        }
        return shown;
    }
    void tapOption(const ZVSnoozeView& popup, int index) {
        stage.tap(AlertStage::middleOf(*popup.options().at(static_cast<std::size_t>(index))));
    }
    static QString storePath(const std::shared_ptr<Conversation>& muted) {
        return u"conversation/store/"_s + muted->conversationId();
    }
    // The intervals the conversation's store requests carried, in order.
    QList<double> sentIntervals(const std::shared_ptr<Conversation>& muted) const {
        QList<double> sent;
        for (const auto& request : emulator.requests(storePath(muted))) {
            sent << request.body.value(u"snooze_interval"_s).toDouble(-2);
        }
        return sent;
    }

    AlertStage stage;
    std::shared_ptr<platform::View> row = platform::View::make(QRectF(0, 300, 375, 70));
};

TEST_F(SnoozeViewTest, TheRowsMuteActionShowsThePopupPointingAtTheRow) {
    const auto plans = conversation(u"Plans"_s);
    const auto popup = mute(plans);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->title(), u"Mute"_s);
    EXPECT_EQ(popup->pointAtView(), row);
    EXPECT_EQ(popup->conversation(), plans);
    const QString narrow(QChar(0x202F));
    EXPECT_EQ(rows(*popup), (QStringList{u"For an hour / 11:00"_s + narrow + u"AM"_s,
                                         u"Until tonight / 6:00"_s + narrow + u"PM"_s,
                                         u"Until next week / Mon Jan 12 8:00"_s + narrow + u"AM"_s,
                                         u"Forever / Until unmuted"_s}));
    int tag = 1;
    for (const auto& option : popup->options()) {
        EXPECT_EQ(option->tag(), tag++);
        EXPECT_TRUE(option->superview()) << "every option is a row of the card";
    }
}

// A muted conversation is offered "Unmute", which sends 0; a choice is sent once, as the
// conversation's store request. "Until tonight" ends at 18:00 however long the popup stayed open.
TEST_F(SnoozeViewTest, AChoiceReachesTheServiceAsTheConversationsSnoozeInterval) {
    const auto muted = conversation(u"Noise"_s, {{u"snooze_interval"_s, -1}});
    ASSERT_EQ(muted->snoozeInterval(), -1);
    auto popup = mute(muted);
    ASSERT_TRUE(popup);
    ASSERT_EQ(popup->options().size(), 5u);
    EXPECT_EQ(rows(*popup).last(), u"Unmute / -"_s);

    tapOption(*popup, 4);
    ASSERT_TRUE(waitForAnswered(storePath(muted)));
    EXPECT_EQ(sentIntervals(muted), QList<double>{0});
    EXPECT_EQ(muted->snoozeInterval(), 0);

    popup = mute(muted);
    ASSERT_TRUE(popup);
    ASSERT_EQ(popup->options().size(), 4u) << "no Unmute for an unmuted conversation";
    ASSERT_EQ(popup->options()[1]->title(), u"Until tonight"_s);
    scheduler().advance(10 * 60);
    const QDateTime choice = scheduler().currentDate();
    tapOption(*popup, 1);
    const QDateTime tonight(QDate(2026, 1, 5), QTime(18, 0), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(muted->snoozeTime(), tonight);
    ASSERT_TRUE(waitForAnswered(storePath(muted), 2));
    // The clock may stand between whole seconds: the queue moves it on in tenths.
    EXPECT_EQ(sentIntervals(muted), (QList<double>{0, choice.msecsTo(tonight) / 1000.0}));
}

TEST_F(SnoozeViewTest, DismissingWithoutAChoiceChangesNothing) {
    const auto plans = conversation(u"Plans"_s, {{u"snooze_interval"_s, 3600}});
    const auto popup = mute(plans);
    ASSERT_TRUE(popup);
    stage.tap({5, 5});
    stage.settle();
    EXPECT_FALSE(stage.manager().currentAlertView());
    EXPECT_EQ(plans->snoozeInterval(), 3600);
    EXPECT_EQ(plans->uncommittedFields(), 0u);

    // A later choice's request is the first and only one: the dismissal sent nothing.
    const auto again = mute(plans);
    ASSERT_TRUE(again);
    tapOption(*again, 0);
    ASSERT_TRUE(waitForAnswered(storePath(plans)));
    EXPECT_EQ(sentIntervals(plans), QList<double>{3600});
}

}  // namespace
