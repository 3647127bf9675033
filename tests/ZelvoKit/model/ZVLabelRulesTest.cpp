#include "ZelvoKit/model/ZVLabelRules.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include <QtCore/QSet>
#include <QtCore/QTimeZone>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

// What the rules ask of a conversation, set directly.
struct Fake {
    QString id{};
    QSet<QString> labels{};  // user labels, and the ids of the system labels it is in
    std::int64_t completeness = 2;
    qint64 inboxMs = 1000000;
    bool archived = false;
    bool alerts = true;
    bool mention = false;
    bool unread = false;
    QString pending{};
    bool emailSubject = false;
    bool failed = false;
    bool notifying = false;
    QString topic{};
    const ZVRepositorySession* session = nullptr;

    QString conversationId() const { return id; }
    std::int64_t recordCompleteness() const { return completeness; }
    QDateTime inboxTime() const {
        return QDateTime::fromMSecsSinceEpoch(inboxMs, QTimeZone::utc());
    }
    bool isArchived() const { return archived; }
    bool alertsEnabled() const { return alerts; }
    bool isMention() const { return mention; }
    bool isUnread() const { return unread; }
    QString pendingMessage() const { return pending; }
    bool hasEmailSubject() const { return emailSubject; }
    bool hasUserLabel(const QString& labelId) const { return labels.contains(labelId); }
    bool hasSystemLabel(int type) const {
        const auto label = session->labelByType(type);
        return label && hasUserLabel(label->labelId());
    }
    bool isStarred() const { return hasSystemLabel(Label::TypeStarred); }
    bool isFailedSend() const { return failed; }
    bool isNotifyingUnread() const { return notifying; }
    QString topicText() const { return topic; }
};

class ZVLabelRulesTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        // One label of each kind; "old" has delivered down to 900 s, "quiet" shows in neither
        // the recent nor the muted label.
        const QList<QJsonObject> labels = {
            label(u"user"_s, u"user"_s),
            label(u"starred"_s, u"starred"_s),
            label(u"recent"_s, u"recent"_s),
            label(u"muted"_s, u"muted"_s),
            label(u"unread"_s, u"unread"_s),
            label(u"spam"_s, u"spam"_s),
            label(u"archived"_s, u"archived"_s),
            label(u"email"_s, u"email"_s),
            label(u"unknown"_s, QString()),
            label(u"old"_s, u"user"_s, {{u"sync_inbox_time"_s, 900}}),
            label(u"quiet"_s, u"user"_s, {{u"is_in_recent"_s, false}, {u"is_in_muted"_s, false}}),
        };
        ASSERT_EQ(applyLocally(session_, labels), nullptr);
    }

    QJsonObject label(const QString& id, const QString& kind, QJsonObject fields = {}) {
        fields.insert(u"label_id"_s, id);
        fields.insert(u"index"_s, index_++);
        fields.insert(u"mk_label_status"_s, u"active"_s);
        if (!kind.isNull()) {
            fields.insert(u"mk_label_subtype"_s, kind);
        }
        for (const QString& key : {u"is_in_recent"_s, u"is_in_muted"_s}) {
            if (!fields.contains(key)) {
                fields.insert(key, true);
            }
        }
        if (!fields.contains(u"sync_inbox_time"_s)) {
            fields.insert(u"sync_inbox_time"_s, 0);
        }
        return streamRecord(u"label"_s, fields);
    }

    QStringList memberships(Fake fake) const {
        fake.session = session_.get();
        QStringList ids;
        for (const auto& label : session_->labels()) {
            if (ZVLabelRules::isMember(*label, fake)) {
                ids.append(label->labelId());
            }
        }
        return ids;
    }

    int index_ = 0;
};

TEST_F(ZVLabelRulesTest, MembershipPerLabelKind) {
    struct Case {
        const char* name;
        Fake fake;
        QStringList expected;
    };
    const Case cases[] = {
        {"a user label's conversation", {.labels = {u"user"_s}}, {u"user"_s, u"recent"_s}},
        {"archived", {.labels = {u"user"_s}, .archived = true}, {u"archived"_s}},
        {"not yet complete", {.labels = {u"user"_s}, .completeness = 0}, {}},
        {"starred: not recent", {.labels = {u"starred"_s}}, {u"starred"_s}},
        {"muted and unread", {.alerts = false, .unread = true}, {u"muted"_s, u"unread"_s}},
        {"a mention reaches recent while muted",
         {.alerts = false, .mention = true},
         {u"recent"_s, u"muted"_s}},
        {"unsent text counts as unread", {.pending = u"draft"_s}, {u"recent"_s, u"unread"_s}},
        {"spam shows in the spam label alone",
         {.labels = {u"spam"_s, u"user"_s}, .unread = true},
         {u"spam"_s}},
        {"e-mail", {.emailSubject = true}, {u"recent"_s, u"email"_s}},
        {"a label of unknown kind holds what carries it",
         {.labels = {u"unknown"_s}},
         {u"recent"_s, u"unknown"_s}},
        {"newer than what a label has delivered", {.labels = {u"old"_s}}, {u"recent"_s, u"old"_s}},
        {"older than what a label has delivered",
         {.labels = {u"old"_s}, .inboxMs = 899999},
         {u"recent"_s}},
        {"a label kept out of recent and muted",
         {.labels = {u"quiet"_s}, .alerts = false},
         {u"quiet"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(memberships(c.fake), c.expected);
    }
}

TEST_F(ZVLabelRulesTest, OrderIsStrictAndAsTheInboxShowsIt) {
    // Inbox times in milliseconds; the service gives whole seconds, so parts of one compare equal.
    const std::vector<Fake> fakes = {
        {.id = u"f1"_s, .inboxMs = 100000, .failed = true, .topic = u"cherry"_s},
        {.id = u"f2"_s, .inboxMs = 200000, .failed = true, .topic = u"Apple"_s},
        {.id = u"z"_s, .inboxMs = 300200, .topic = u"banana"_s},
        {.id = u"y"_s, .inboxMs = 300700, .topic = u"Banana"_s},
        {.id = u"n3"_s, .inboxMs = 301000, .topic = u"apple"_s},
        {.id = u"n4"_s, .inboxMs = 299900, .notifying = true, .topic = u"date"_s},
        {.id = u"n5"_s, .inboxMs = 0, .topic = u""_s},
    };
    struct Case {
        QString labelId;
        QStringList expected;
    };
    const Case cases[] = {
        {u"recent"_s, {u"f2"_s, u"f1"_s, u"n3"_s, u"y"_s, u"z"_s, u"n4"_s, u"n5"_s}},
        {u"unread"_s, {u"f2"_s, u"f1"_s, u"n4"_s, u"n3"_s, u"y"_s, u"z"_s, u"n5"_s}},
        {u"starred"_s, {u"n5"_s, u"f2"_s, u"n3"_s, u"y"_s, u"z"_s, u"f1"_s, u"n4"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.labelId.toStdString());
        const Label& label = *session_->labelFromId(c.labelId);
        const auto less = [&](const Fake& a, const Fake& b) {
            return ZVLabelRules::compare(label, a, b) < 0;
        };
        // Every triple: irreflexive, asymmetric, transitive, and equivalence transitive.
        for (const Fake& a : fakes) {
            EXPECT_FALSE(less(a, a)) << a.id.toStdString();
            for (const Fake& b : fakes) {
                EXPECT_FALSE(less(a, b) && less(b, a));
                for (const Fake& x : fakes) {
                    if (less(a, b) && less(b, x)) {
                        EXPECT_TRUE(less(a, x));
                    }
                    if (!less(a, b) && !less(b, a) && !less(b, x) && !less(x, b)) {
                        EXPECT_TRUE(!less(a, x) && !less(x, a));
                    }
                }
            }
        }
        std::vector<Fake> sorted = fakes;
        std::sort(sorted.begin(), sorted.end(), less);
        QStringList ids;
        for (const Fake& f : sorted) {
            ids.append(f.id);
        }
        EXPECT_EQ(ids, c.expected);
    }
}

}  // namespace
