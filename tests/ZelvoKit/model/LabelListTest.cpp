#include "ZelvoKit/model/Label.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/Conversation.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kSyncPath = u"label/sync_conversations"_s;

// What the inbox section of a label hears.
class RecordingDelegate : public ZVLabelDelegate {
public:
    void labelItemMovedFromIndex(Label&, std::int32_t from, std::int32_t to) override {
        calls << u"moved %1 %2"_s.arg(from).arg(to);
    }
    void labelItemAppearedAtIndex(Label&, std::int32_t index) override {
        calls << u"appeared %1"_s.arg(index);
    }
    void labelItemDisappearedFromIndex(Label&, std::int32_t index) override {
        calls << u"disappeared %1"_s.arg(index);
    }
    void labelChanged(Label&) override { calls << u"changed"_s; }
    void labelConversationsChanged(Label&) override { calls << u"in place"_s; }
    void labelLoadingStatusChanged(Label& label) override {
        calls << (label.isLoading() ? u"loading"_s : u"loaded"_s);
    }
    QStringList calls;
};

class LabelListTest : public modeltest::SignedInTest {
protected:
    static QString id(int n) { return u"00000000-0000-4000-8000-%1"_s.arg(n, 12, 10, QChar(u'0')); }

    QJsonObject conversation(int n, qint64 inboxTime, QStringList labels = {u"U"_s},
                             QJsonObject fields = {}) const {
        fields.insert(u"conversation_id"_s, id(n));
        fields.insert(u"is_init"_s, true);
        // A message shown, so that the conversation is not archived.
        fields.insert(u"show_message_nr"_s, 1);
        fields.insert(u"last_message_nr"_s, 1);
        fields.insert(u"inbox_time"_s, inboxTime);
        fields.insert(u"label_ids"_s, QJsonArray::fromStringList(labels));
        fields.insert(u"members"_s, QJsonArray{session_->sessionId()});
        return streamRecord(u"conv"_s, fields);
    }
    QJsonObject label(const QString& labelId, const QString& kind, int index,
                      qint64 syncInboxTime = 0) const {
        return streamRecord(u"label"_s, {{u"label_id"_s, labelId},
                                         {u"index"_s, index},
                                         {u"mk_label_status"_s, u"active"_s},
                                         {u"mk_label_subtype"_s, kind},
                                         {u"is_in_recent"_s, true},
                                         {u"is_in_muted"_s, true},
                                         {u"sync_inbox_time"_s, syncInboxTime}});
    }
    QStringList listed(const QString& labelId) const {
        QStringList ids;
        for (const auto& c : *session_->labelFromId(labelId)->conversations()) {
            ids.append(c->conversationId().right(2));
        }
        return ids;
    }
};

TEST_F(LabelListTest, TheListFollowsChangedConversations) {
    ASSERT_TRUE(deliver(session_, {label(u"U"_s, u"user"_s, 0), conversation(1, 100),
                                   conversation(2, 200), conversation(3, 300)}));
    EXPECT_EQ(listed(u"U"_s), (QStringList{u"03"_s, u"02"_s, u"01"_s}));
    const auto delegate = std::make_shared<RecordingDelegate>();
    session_->labelFromId(u"U"_s)->setDelegate(delegate);

    const QList<QPair<QJsonObject, QString>> steps = {
        {conversation(1, 400), u"moved 2 0"_s},
        {conversation(4, 250), u"appeared 2"_s},
        {conversation(3, 300, {}), u"disappeared 1"_s},
        {conversation(2, 200, {u"U"_s}, {{u"topic"_s, u"Plans"_s}}), u"in place"_s},
    };
    for (const auto& [record, expected] : steps) {
        delegate->calls.clear();
        ASSERT_TRUE(deliver(session_, {record}));
        EXPECT_EQ(delegate->calls, QStringList{expected});
    }
    EXPECT_EQ(listed(u"U"_s), (QStringList{u"01"_s, u"04"_s, u"02"_s}));
}

TEST_F(LabelListTest, HeldChangesWaitForTheRowActionToEnd) {
    ASSERT_TRUE(deliver(session_,
                        {label(u"U"_s, u"user"_s, 0), conversation(1, 100), conversation(2, 200)}));
    session_->holdLabelChanges();
    ASSERT_TRUE(deliver(session_, {conversation(1, 300)}));
    EXPECT_EQ(listed(u"U"_s), (QStringList{u"02"_s, u"01"_s}));
    session_->resumeLabelChanges();
    EXPECT_EQ(listed(u"U"_s), (QStringList{u"01"_s, u"02"_s}));
}

TEST_F(LabelListTest, UnreadConversationsAreCountedLocally) {
    ASSERT_TRUE(
        deliver(session_,
                {label(u"R"_s, u"unread"_s, 0), conversation(1, 100, {}, {{u"unread_count"_s, 2}}),
                 conversation(2, 200, {}, {{u"unread_count"_s, 1}}), conversation(3, 300, {})}));
    const auto unread = session_->labelFromId(u"R"_s);
    EXPECT_EQ(unread->unreadCount(), 2);
    EXPECT_EQ(session_->unreadCount(), 2);
    EXPECT_EQ(listed(u"R"_s), (QStringList{u"02"_s, u"01"_s}));
}

TEST_F(LabelListTest, LoadMoreShowsMoreAndAsksTheServiceOnlyWhenTheListRunsOut) {
    QList<QJsonObject> records{label(u"U"_s, u"user"_s, 0), label(u"V"_s, u"user"_s, 1, 1)};
    for (int n = 1; n <= 50; ++n) {
        records.append(conversation(n, 1000 + n, {u"U"_s}));
    }
    for (int n = 51; n <= 85; ++n) {
        records.append(conversation(n, 1000 + n, {u"V"_s}));
    }
    ASSERT_TRUE(deliver(session_, records));
    const auto full = session_->labelFromId(u"U"_s);
    const auto paged = session_->labelFromId(u"V"_s);
    EXPECT_EQ(full->conversations()->count(), Label::kPageSize);
    EXPECT_EQ(paged->conversations()->count(), Label::kPageSize);

    // A new label with older conversations on the service asks for a page at once.
    ASSERT_TRUE(waitForAnswered(kSyncPath));

    full->loadMore();
    EXPECT_EQ(full->conversations()->count(), 40);
    paged->loadMore();
    EXPECT_EQ(paged->conversations()->count(), 35);
    EXPECT_TRUE(paged->isLoading());
    // Sent at once, not queued: its answer comes in real time.
    ASSERT_TRUE(scheduler().runUntil([&] { return !paged->isLoading(); }));
    const auto sent = emulator.requests(kSyncPath);
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].body.value(u"label_id"_s), u"V"_s);
    EXPECT_EQ(sent[1].body.value(u"label_id"_s), u"V"_s);

    full->resetState();
    EXPECT_EQ(full->conversations()->count(), Label::kPageSize);
}

}  // namespace
