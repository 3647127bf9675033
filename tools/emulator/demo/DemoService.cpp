#include "tools/emulator/demo/DemoService.h"

#include "tests/emulator/Fixture.h"

#include <QtCore/QHash>
#include <QtCore/QJsonArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zvdemo {

namespace {

constexpr std::uint64_t kSeeds[DemoService::kAccountCount] = {2501, 2502};
constexpr int kSharedConversations = 2;
const zvemu::FixtureSize kSize{.contacts = 30,
                               .conversations = 12,
                               .messages = 120,
                               .hooks = 2,
                               .teams = 2,
                               .organisations = 1};
constexpr qint64 kEmailTime = 1767225600;  // 2026-01-01

// The inbox shows a section for each label on the left pane, listing its conversations while
// expanded. The unread label serves the inbox's Unread filter and is no section of its own.
struct LabelKind {
    const char16_t* subtype;
    const char16_t* name;
    bool onLeftPane;
    bool expanded;
};
constexpr LabelKind kLabels[] = {{u"recent", u"Recent", true, true},
                                 {u"starred", u"Starred", true, true},
                                 {u"unread", u"Unread", false, true},
                                 {u"spam", u"Spam", true, false}};

QJsonObject labelRecord(const QString& id, const LabelKind& kind, int index) {
    return {{u"mk_rec_type"_s, u"label"_s},
            {u"label_id"_s, id},
            {u"label"_s, QString::fromUtf16(kind.name)},
            {u"mk_label_subtype"_s, QString::fromUtf16(kind.subtype)},
            {u"mk_label_status"_s, u"active"_s},
            {u"is_on_left_pane"_s, kind.onLeftPane},
            {u"is_expanded"_s, kind.expanded},
            {u"index"_s, index},
            {u"sync_inbox_time"_s, 0}};
}

// Every this many conversations, the last message is unread.
constexpr int kUnreadEvery = 3;

// The conversations as the service lists them in an inbox: shown up to their last message, last
// active when that message was posted, and every third one with that message unread. Without
// "show_message_nr" a conversation reads as archived and no inbox section lists it.
void listInInbox(QList<QJsonObject>& conversations, const QList<QJsonObject>& messages) {
    QHash<QString, qint64> lastTimes;
    for (const QJsonObject& message : messages) {
        const QString id = message.value(u"conversation_id"_s).toString();
        lastTimes[id] = std::max(lastTimes.value(id), message.value(u"posted_time"_s).toInteger());
    }
    int n = 0;
    for (QJsonObject& conversation : conversations) {
        const qint64 last = conversation.value(u"last_message_nr"_s).toInteger();
        const bool unread = last >= 1 && n++ % kUnreadEvery == 0;
        conversation.insert(u"show_message_nr"_s, last);
        conversation.insert(u"hide_message_nr"_s, 0);
        conversation.insert(u"read_message_nr"_s, unread ? last - 1 : last);
        conversation.insert(u"unread_count"_s, unread ? 1 : 0);
        const QString id = conversation.value(u"conversation_id"_s).toString();
        if (lastTimes.contains(id)) {
            conversation.insert(u"inbox_time"_s, lastTimes.value(id));
        }
    }
}

void addMember(QJsonObject& conversation, const QString& accountId) {
    QJsonArray members = conversation.value(u"members"_s).toArray();
    if (!members.contains(accountId)) {
        members.append(accountId);
    }
    conversation.insert(u"members"_s, members);
}

}  // namespace

DemoService::DemoService() = default;

DemoService::~DemoService() {
    stop();
}

bool DemoService::start() {
    if (!emulator_.start()) {
        return false;
    }
    model_ = std::make_unique<zvemu::ServiceModel>(emulator_);
    seed();
    return true;
}

void DemoService::stop() {
    if (emulator_.isRunning()) {
        emulator_.stop();
    }
}

void DemoService::seed() {
    const QStringList emails{u"anna@demo.zelvo.test"_s, u"ben@demo.zelvo.test"_s};
    const QStringList names{u"Anna Demo"_s, u"Ben Demo"_s};
    QList<zvemu::Fixture> fixtures;
    for (int i = 0; i < kAccountCount; ++i) {
        const QString password = u"demo-password-%1"_s.arg(i + 1);
        const zvemu::Account account = emulator_.addAccount(emails[i], password, names[i]);
        accounts_.append({emails[i], password, account.accountId});
        fixtures.append(zvemu::generateFixture(account.accountId, emails[i], kSize, kSeeds[i]));
    }
    zvemu::Fixture& anna = fixtures[0];
    zvemu::Fixture& ben = fixtures[1];

    // Each knows the other, and the first conversations of the first account are shared.
    anna.contacts.append(ben.contacts.first());
    ben.contacts.append(anna.contacts.first());
    for (int c = 0; c < kSharedConversations && c < anna.conversations.size(); ++c) {
        addMember(anna.conversations[c], ben.ownerId);
        const QString id = anna.conversations[c].value(u"conversation_id"_s).toString();
        shared_.append(id);
        ben.conversations.append(anna.conversations[c]);
        for (const QJsonObject& message : std::as_const(anna.messages)) {
            if (message.value(u"conversation_id"_s).toString() == id) {
                ben.messages.append(message);
            }
        }
    }

    // An HTML e-mail in the first shared conversation, seen by both.
    if (!shared_.isEmpty()) {
        QJsonObject& conversation = anna.conversations[0];
        const int nr = conversation.value(u"last_message_nr"_s).toInt() + 1;
        conversation.insert(u"last_message_nr"_s, nr);
        const QJsonObject email{
            {u"mk_rec_type"_s, u"message"_s},
            {u"conversation_id"_s, shared_.first()},
            {u"message_nr"_s, nr},
            {u"prev_message_nr"_s, nr - 1},
            {u"account_id"_s, anna.ownerId},
            {u"mk_message_type"_s, u"email"_s},
            {u"subject"_s, u"Quarterly plan"_s},
            {u"message"_s, u"<msg>The plan for the quarter is attached below.</msg>"_s},
            {u"cleaned_html"_s,
             u"<html><body><h1>Quarterly plan</h1><p>Three things, in order.</p></body></html>"_s},
            {u"posted_time"_s, kEmailTime},
            {u"tags"_s, QJsonArray()}};
        anna.messages.append(email);
        ben.messages.append(email);
        ben.conversations[ben.conversations.size() - kSharedConversations] = conversation;
    }

    for (int i = 0; i < kAccountCount; ++i) {
        zvemu::Fixture& fixture = fixtures[i];
        listInInbox(fixture.conversations, fixture.messages);
        model_->seed(accounts_[i].accountId, fixture);
        // The labels, and one conversation under each.
        QList<QJsonObject> labels;
        int index = 0;
        for (const LabelKind& kind : kLabels) {
            const QString labelId =
                u"%1-%2"_s.arg(QString::fromUtf16(kind.subtype), accounts_[i].accountId);
            labels.append(labelRecord(labelId, kind, index));
            if (index + 1 < fixture.conversations.size()) {
                QJsonObject conversation = fixture.conversations[index + 1];
                conversation.insert(u"label_ids"_s, QJsonArray{labelId});
                labels.append(conversation);
            }
            ++index;
        }
        emulator_.appendEvents(accounts_[i].accountId, labels);
    }
}

}  // namespace zvdemo
