#include "ZelvoKit/model/Label.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kLabelSyncPath = u"label/sync_conversations"_s;
// A time after which the service still has older conversations of a label.
constexpr qint64 kSomeInboxTime = 1700000000;
// Virtual seconds after which any further page would have been sent.
constexpr platform::TimeInterval kLongAfter = 5.0;

QJsonObject labelRecord(const QString& id, QJsonObject fields = {}) {
    fields.insert(u"label_id"_s, id);
    if (!fields.contains(u"mk_label_status"_s)) {
        fields.insert(u"mk_label_status"_s, u"active"_s);
    }
    // Nothing older to page unless a test says so.
    if (!fields.contains(u"sync_inbox_time"_s)) {
        fields.insert(u"sync_inbox_time"_s, 0);
    }
    return streamRecord(u"label"_s, fields);
}

zvemu::Reply page(QList<QJsonObject> records) {
    QJsonArray stream;
    for (const QJsonObject& record : records) {
        stream.append(record);
    }
    return zvemu::Reply::ok({{u"stream"_s, stream}});
}

class LabelTest : public modeltest::SignedInTest {
protected:
    QStringList labelIds() const {
        QStringList ids;
        for (const auto& label : session_->labels()) {
            ids.append(label->labelId() + u':' + QString::number(label->index()));
        }
        return ids;
    }
    int storedLabelRows() const {
        return static_cast<int>(
            session_->repository()->fetchObjects(QString(Label::kEntityName))->size());
    }
};

TEST_F(LabelTest, RecordsGiveKindAndState) {
    struct Case {
        const char* name;
        QJsonObject fields;
        bool accepted;
        int type;
    };
    const Case cases[] = {
        {"a known kind", {{u"mk_label_subtype"_s, u"unread"_s}}, true, Label::TypeUnread},
        {"no kind", {}, true, Label::TypeUnknown},
        {"a kind this system does not know",
         {{u"mk_label_subtype"_s, u"smart"_s}},
         true,
         Label::TypeUnknown},
        {"no state", {{u"mk_label_status"_s, QJsonValue()}}, false, 0},
        {"an unknown state", {{u"mk_label_status"_s, u"frozen"_s}}, false, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString id = u"L"_s + QString::number(++n);
        QJsonObject record = labelRecord(id, c.fields);
        record.insert(u"index"_s, n);
        if (c.fields.contains(u"mk_label_status"_s) &&
            c.fields.value(u"mk_label_status"_s).isNull()) {
            record.remove(u"mk_label_status"_s);
        }
        const ZVErrorPtr error = applyLocally(session_, {record});
        EXPECT_EQ(error == nullptr, c.accepted);
        const auto label = session_->labelFromId(id);
        ASSERT_EQ(label != nullptr, c.accepted);
        if (label) {
            EXPECT_EQ(label->labelType(), c.type);
            EXPECT_EQ(label->labelStatus(), Label::StatusActive);
        }
    }

    // A fragment for a known label keeps what it does not carry.
    ASSERT_EQ(applyLocally(session_, {streamRecord(u"label"_s, {{u"label_id"_s, u"L1"_s},
                                                                {u"label"_s, u"Renamed"_s}})}),
              nullptr);
    const auto renamed = session_->labelFromId(u"L1"_s);
    EXPECT_EQ(renamed->label(), u"Renamed"_s);
    EXPECT_EQ(renamed->labelType(), Label::TypeUnread);
    EXPECT_EQ(renamed->labelStatus(), Label::StatusActive);
}

TEST_F(LabelTest, IndexesPlaceAndRemoveLabels) {
    for (const QString& id : {u"a"_s, u"b"_s, u"c"_s}) {
        ASSERT_EQ(applyLocally(session_, {labelRecord(id, {{u"index"_s, 99}})}), nullptr);
    }
    EXPECT_EQ(labelIds(), (QStringList{u"a:0"_s, u"b:1"_s, u"c:2"_s}));

    struct Step {
        const char* name;
        QJsonObject record;
        QStringList expected;
    };
    const Step steps[] = {
        {"beyond the end: last",
         labelRecord(u"d"_s, {{u"index"_s, 7}}),
         {u"a:0"_s, u"b:1"_s, u"c:2"_s, u"d:3"_s}},
        {"moved to the front",
         labelRecord(u"c"_s, {{u"index"_s, 0}}),
         {u"c:0"_s, u"a:1"_s, u"b:2"_s, u"d:3"_s}},
        {"removed", labelRecord(u"a"_s, {{u"index"_s, -1}}), {u"c:0"_s, u"b:1"_s, u"d:2"_s}},
        {"removing an unknown label",
         labelRecord(u"zz"_s, {{u"index"_s, -1}}),
         {u"c:0"_s, u"b:1"_s, u"d:2"_s}},
        {"without an index: stored, not listed",
         labelRecord(u"e"_s),
         {u"c:0"_s, u"b:1"_s, u"d:2"_s}},
        {"the stored one, now with an index",
         labelRecord(u"e"_s, {{u"index"_s, 1}}),
         {u"c:0"_s, u"e:1"_s, u"b:2"_s, u"d:3"_s}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_EQ(applyLocally(session_, {step.record}), nullptr);
        EXPECT_EQ(labelIds(), step.expected);
    }
    // One row per label, the unlisted one included.
    EXPECT_EQ(storedLabelRows(), 4);

    // The next start lists them by index.
    session_.reset();
    session_ = restart(u"anna@example.com"_s);
    ASSERT_TRUE(session_);
    EXPECT_EQ(labelIds(), (QStringList{u"c:0"_s, u"e:1"_s, u"b:2"_s, u"d:3"_s}));
}

TEST_F(LabelTest, UnreadCountIsTheUnreadLabelsAndAnnouncedPerAnswer) {
    int announced = 0;
    const auto observation =
        session_->observe(u"unreadCount"_s, [&](const QString&) { ++announced; });
    EXPECT_EQ(session_->unreadCount(), 0);
    ASSERT_TRUE(deliver(session_, {labelRecord(u"u"_s, {{u"mk_label_subtype"_s, u"unread"_s},
                                                        {u"index"_s, 0},
                                                        {u"unread_count"_s, 4}}),
                                   labelRecord(u"s"_s, {{u"mk_label_subtype"_s, u"starred"_s},
                                                        {u"index"_s, 1},
                                                        {u"unread_count"_s, 9}})}));
    // Counted here from the conversations (none yet), whatever the record says.
    EXPECT_EQ(session_->labelFromId(u"u"_s)->unreadCount(), 0);
    EXPECT_EQ(session_->unreadCount(), 0);
    EXPECT_EQ(announced, 1);
}

TEST_F(LabelTest, PagesAreAskedForUntilTheServiceHasNothingOlder) {
    emulator.scriptAnswer(
        kLabelSyncPath,
        page({labelRecord(
            u"L"_s, {{u"sync_cursor"_s, u"c2"_s}, {u"sync_inbox_time"_s, kSomeInboxTime - 100}})}));
    emulator.scriptAnswer(
        kLabelSyncPath,
        page({labelRecord(u"L"_s, {{u"sync_cursor"_s, u"c3"_s}, {u"sync_inbox_time"_s, 0}})}));
    ASSERT_TRUE(deliver(session_, {labelRecord(u"L"_s, {{u"index"_s, 0},
                                                        {u"sync_cursor"_s, u"c1"_s},
                                                        {u"sync_inbox_time"_s, kSomeInboxTime}})}));
    ASSERT_TRUE(waitForAnswered(kLabelSyncPath, 2));
    const auto sent = emulator.requests(kLabelSyncPath);
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].body.value(u"label_id"_s), u"L"_s);
    EXPECT_EQ(sent[0].body.value(u"mk_init_mode"_s), u"ic_tiny"_s);
    EXPECT_EQ(sent[0].body.value(u"sync_cursor"_s), u"c1"_s);
    EXPECT_EQ(sent[1].body.value(u"sync_cursor"_s), u"c2"_s);

    const auto label = session_->labelFromId(u"L"_s);
    ASSERT_TRUE(scheduler().runUntil([&] { return !label->canLoadMoreFromServer(); }));
    EXPECT_FALSE(label->needsSync());
    // Where a third page would have gone out.
    scheduler().advance(kLongAfter);
    EXPECT_EQ(emulator.requestCount(kLabelSyncPath), 2);
}

TEST_F(LabelTest, APageThatMovesNothingEndsThePaging) {
    // The service answers every page with the same position.
    emulator.scriptAnswer(kLabelSyncPath,
                          page({labelRecord(u"L"_s, {{u"sync_cursor"_s, u"c1"_s},
                                                     {u"sync_inbox_time"_s, kSomeInboxTime}})}),
                          5);
    ASSERT_TRUE(deliver(session_, {labelRecord(u"L"_s, {{u"index"_s, 0},
                                                        {u"sync_cursor"_s, u"c1"_s},
                                                        {u"sync_inbox_time"_s, kSomeInboxTime}})}));
    ASSERT_TRUE(waitForAnswered(kLabelSyncPath));
    const auto label = session_->labelFromId(u"L"_s);
    ASSERT_TRUE(scheduler().runUntil([&] { return !label->needsSync(); }));
    scheduler().advance(kLongAfter);
    ASSERT_FALSE(waitForAnswered(kLabelSyncPath, 2));
    EXPECT_EQ(emulator.requestCount(kLabelSyncPath), 1);

    // A label record that moves the position starts it again.
    emulator.clearFaults(kLabelSyncPath);
    emulator.scriptAnswer(kLabelSyncPath, page({labelRecord(u"L"_s, {{u"sync_inbox_time"_s, 0}})}));
    ASSERT_TRUE(deliver(session_, {labelRecord(u"L"_s, {{u"sync_cursor"_s, u"c9"_s},
                                                        {u"sync_inbox_time"_s, kSomeInboxTime}})}));
    ASSERT_TRUE(waitForAnswered(kLabelSyncPath, 2));
    EXPECT_EQ(emulator.lastRequest(kLabelSyncPath)->body.value(u"sync_cursor"_s), u"c9"_s);
}

TEST_F(LabelTest, AFailedPageEndsTheLoadingAndIsReported) {
    ASSERT_TRUE(deliver(session_, {labelRecord(u"L"_s, {{u"index"_s, 0}})}));
    const auto label = session_->labelFromId(u"L"_s);
    ZVErrorPtr reported;
    api().setDefaultErrorHandler([&](const ZVErrorPtr& error) { reported = error; });
    zvemu::Fault fault = zvemu::Fault::of(zvemu::Fault::Kind::Status);
    fault.status = 500;
    emulator.injectFault(kLabelSyncPath, fault);
    std::vector<bool> seen;
    const auto observation =
        label->observe(u"loading"_s, [&](const QString&) { seen.push_back(label->isLoading()); });

    label->loadMoreFromServer();
    EXPECT_TRUE(label->isLoading());
    ASSERT_TRUE(scheduler().runUntil([&] { return !label->isLoading(); }));
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->code(), 500);
}

}  // namespace
