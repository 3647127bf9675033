#include "tests/app/inbox/InboxTestSupport.h"

#include "ZelvoKit/model/search/ZVSearch.h"

#include <QtCore/QJsonArray>

#include <utility>

namespace inboxtest {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

void InboxTest::TearDown() {
    for (const auto& made : searches_) {
        made->abandon();
    }
    searches_.clear();
    SignedInTest::TearDown();
}

QString InboxTest::id(int n) {
    return u"00000000-0000-4000-8000-%1"_s.arg(n, 12, 10, QChar(u'0'));
}

QString InboxTest::personId(int n) {
    return u"00000000-0000-4000-9000-%1"_s.arg(n, 12, 10, QChar(u'0'));
}

QJsonObject InboxTest::conversation(int n, const QString& topic, qint64 inboxTime,
                                    const QStringList& labels, QJsonObject fields) const {
    fields.insert(u"conversation_id"_s, id(n));
    fields.insert(u"topic"_s, topic);
    fields.insert(u"is_init"_s, true);
    // A message shown, so that the conversation is not archived.
    if (!fields.contains(u"show_message_nr"_s)) {
        fields.insert(u"show_message_nr"_s, 1);
    }
    if (!fields.contains(u"last_message_nr"_s)) {
        fields.insert(u"last_message_nr"_s, 1);
    }
    fields.insert(u"inbox_time"_s, inboxTime);
    fields.insert(u"label_ids"_s, QJsonArray::fromStringList(labels));
    if (!fields.contains(u"members"_s)) {
        fields.insert(u"members"_s, QJsonArray{session_->sessionId()});
    }
    return streamRecord(u"conv"_s, fields);
}

QJsonObject labelRecord(const QString& labelId, const QString& name, const QString& kind, int index,
                        QJsonObject fields) {
    fields.insert(u"label_id"_s, labelId);
    fields.insert(u"label"_s, name);
    fields.insert(u"index"_s, index);
    fields.insert(u"mk_label_status"_s, u"active"_s);
    fields.insert(u"mk_label_subtype"_s, kind);
    if (!fields.contains(u"is_on_left_pane"_s)) {
        fields.insert(u"is_on_left_pane"_s, true);
    }
    if (!fields.contains(u"is_expanded"_s)) {
        fields.insert(u"is_expanded"_s, true);
    }
    fields.insert(u"sync_inbox_time"_s, 0);
    return streamRecord(u"label"_s, fields);
}

QJsonObject InboxTest::label(const QString& labelId, const QString& name, const QString& kind,
                             int index, QJsonObject fields) {
    return labelRecord(labelId, name, kind, index, std::move(fields));
}

QJsonObject InboxTest::contact(int n, const QString& name, const QString& dialogId) {
    QJsonObject fields{{u"account_id"_s, personId(n)},
                       {u"email"_s, u"person%1@example.com"_s.arg(n)},
                       {u"display_name"_s, name}};
    if (!dialogId.isEmpty()) {
        fields.insert(u"dialog_id"_s, dialogId);
    }
    return streamRecord(u"contact"_s, fields);
}

QJsonObject InboxTest::message(int conversation, int nr, const QString& text, qint64 time) {
    return streamRecord(u"message"_s, {{u"conversation_id"_s, id(conversation)},
                                       {u"message_nr"_s, nr},
                                       {u"mk_message_type"_s, u"text"_s},
                                       {u"message"_s, u"<msg>"_s + text + u"</msg>"_s},
                                       {u"time"_s, time},
                                       {u"posted_time"_s, time}});
}

std::shared_ptr<ZVSearch> InboxTest::search(const QString& text) {
    auto made = ZVSearch::create(session_, text, true);
    searches_.push_back(made);
    return made;
}

}  // namespace inboxtest
