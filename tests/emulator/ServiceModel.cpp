#include "tests/emulator/ServiceModel.h"

#include "tests/emulator/ConversationSync.h"
#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QJsonArray>
#include <QtCore/QRegularExpression>
#include <QtCore/QSet>

#include <algorithm>

namespace zvemu {

namespace {

using namespace Qt::Literals::StringLiterals;

// The stream's first position, as the emulator counts it.
constexpr qint64 kFirstModelHorizon = 1;

// The search types that look into messages; "topic" looks at conversations.
const QSet<QString> kMessageSearchTypes{u"chat"_s, u"pin"_s, u"file"_s, u"task"_s, u"subject"_s};

// A word of the text starts with the keywords, ignoring case.
bool wordStartsWith(const QString& text, const QString& keywords) {
    const QRegularExpression word(
        u"(^|[^\\w])"_s + QRegularExpression::escape(keywords),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return word.match(text).hasMatch();
}

}  // namespace

struct ServiceModel::State {
    mutable std::mutex mutex;
    // Per account: contact id -> the account's record of the contact.
    std::map<QString, std::map<QString, QJsonObject>> contacts;
    int pageSize = kDefaultPageSize;
    // Per account: conversation id -> record, and the messages' records in the order given.
    std::map<QString, std::map<QString, QJsonObject>> conversations;
    std::map<QString, QList<QJsonObject>> messages;
    // Per account: conversation id -> its messages' records, in number order.
    std::map<QString, std::map<QString, QList<QJsonObject>>> messagesByConversation;

    void keep(const QString& accountId, const Fixture& fixture) {
        for (const QJsonObject& conversation : fixture.conversations) {
            conversations[accountId][conversation.value(u"conversation_id"_s).toString()] =
                conversation;
        }
        messages[accountId].append(fixture.messages);
        auto& byConversation = messagesByConversation[accountId];
        for (const QJsonObject& message : fixture.messages) {
            byConversation[message.value(u"conversation_id"_s).toString()].append(message);
        }
    }

    // The inbox search: {"stream": the conversations found or holding a message found, as short
    // records, "matches": the messages found, each weighted by how often the keywords occur}.
    QJsonObject search(const QString& accountId, const QString& keywords,
                       const QSet<QString>& types, const QSet<QString>& ignored) const {
        QJsonArray stream;
        QJsonArray matches;
        QSet<QString> streamed;
        const auto conversationsOf = conversations.find(accountId);
        const auto addConversation = [&](const QString& id) {
            if (ignored.contains(id) || streamed.contains(id) ||
                conversationsOf == conversations.end()) {
                return;
            }
            const auto found = conversationsOf->second.find(id);
            if (found != conversationsOf->second.end()) {
                QJsonObject record = found->second;
                record.insert(u"is_tiny"_s, true);
                stream.append(record);
                streamed.insert(id);
            }
        };
        if (types.contains(u"topic"_s) && conversationsOf != conversations.end()) {
            for (const auto& [id, record] : conversationsOf->second) {
                if (wordStartsWith(record.value(u"topic"_s).toString(), keywords)) {
                    addConversation(id);
                }
            }
        }
        const bool inMessages = std::ranges::any_of(
            types, [](const QString& type) { return kMessageSearchTypes.contains(type); });
        const auto messagesOf = messages.find(accountId);
        if (inMessages && messagesOf != messages.end()) {
            for (const QJsonObject& message : messagesOf->second) {
                const qsizetype count =
                    message.value(u"message"_s).toString().count(keywords, Qt::CaseInsensitive);
                if (count > 0) {
                    QJsonObject match = message;
                    match.insert(u"search_weight"_s, count);
                    matches.append(match);
                    addConversation(message.value(u"conversation_id"_s).toString());
                }
            }
        }
        return {{u"stream"_s, stream}, {u"matches"_s, matches}};
    }

    // Merges the fields into the account's record of the contact; the record to stream.
    QJsonObject change(const QString& accountId, const QString& contactId,
                       const QJsonObject& fields) {
        QJsonObject& record = contacts[accountId][contactId];
        record.insert(u"mk_rec_type"_s, u"contact"_s);
        record.insert(u"account_id"_s, contactId);
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (it.value().isNull()) {
                record.remove(it.key());
            } else {
                record.insert(it.key(), it.value());
            }
        }
        return record;
    }
};

ServiceModel::ServiceModel(ServiceEmulator& emulator)
    : state_(std::make_shared<State>()), emulator_(emulator) {
    const std::shared_ptr<State> state = state_;

    emulator.route(u"contact/describe"_s, ServiceEmulator::Access::Session, [state](Call& call) {
        const QString contactId = call.body().value(u"contact_id"_s).toString();
        const QJsonValue name = call.body().value(u"contact_name"_s);
        if (contactId.isEmpty() || !(name.isString() || name.isNull())) {
            return Reply::error(400, u"bad_request"_s);
        }
        QJsonObject record;
        {
            const std::lock_guard lock(state->mutex);
            record = state->change(call.account->accountId, contactId, {{u"display_name"_s, name}});
        }
        call.emulator.appendEvent(call.account->accountId, record);
        return Reply::ok();
    });

    emulator.route(u"contact/hide"_s, ServiceEmulator::Access::Session, [state](Call& call) {
        const QJsonValue contacts = call.body().value(u"contacts"_s);
        if (!contacts.isArray()) {
            return Reply::error(400, u"bad_request"_s);
        }
        QList<QJsonObject> records;
        {
            const std::lock_guard lock(state->mutex);
            for (const QJsonValue& id : contacts.toArray()) {
                records.append(state->change(call.account->accountId, id.toString(),
                                             {{u"is_hidden_for_add"_s, true}}));
            }
        }
        call.emulator.appendEvents(call.account->accountId, records);
        return Reply::ok();
    });

    // The inbox search; a search of one conversation (without "search_types") goes on to the
    // route below.
    const ServiceEmulator::Handler conversationSearch = emulator.routeHandler(u"search"_s);
    emulator.route(
        u"search"_s, ServiceEmulator::Access::Session, [state, conversationSearch](Call& call) {
            const QJsonObject& body = call.body();
            if (!body.contains(u"search_types"_s)) {
                return conversationSearch ? conversationSearch(call)
                                          : Reply::error(404, u"not_found"_s);
            }
            const QString keywords = body.value(u"keywords"_s).toString();
            const QJsonValue types = body.value(u"search_types"_s);
            const QJsonValue ignore = body.value(u"ignore_conversation_ids"_s);
            if (keywords.isEmpty() || !types.isArray() ||
                !(ignore.isArray() || ignore.isUndefined())) {
                return Reply::error(400, u"bad_request"_s);
            }
            QSet<QString> typeSet;
            for (const QJsonValue& type : types.toArray()) {
                typeSet.insert(type.toString());
            }
            QSet<QString> ignored;
            for (const QJsonValue& id : ignore.toArray()) {
                ignored.insert(id.toString());
            }
            const std::lock_guard lock(state->mutex);
            return Reply::ok(state->search(call.account->accountId, keywords, typeSet, ignored));
        });

    // The conversations seeded answer their own sync; the others go on to the route below.
    const ServiceEmulator::Handler bookSync = emulator.routeHandler(u"conversation/sync/"_s);
    emulator.routePrefix(
        u"conversation/sync/"_s, ServiceEmulator::Access::Session, [state, bookSync](Call& call) {
            QJsonObject header;
            QList<QJsonObject> messages;
            {
                const std::lock_guard lock(state->mutex);
                const auto account = state->conversations.find(call.account->accountId);
                const bool seeded = account != state->conversations.end() &&
                                    account->second.contains(call.pathTail);
                if (seeded) {
                    header = account->second.at(call.pathTail);
                    messages =
                        state->messagesByConversation[call.account->accountId][call.pathTail];
                }
            }
            if (header.isEmpty()) {
                return bookSync ? bookSync(call) : Reply::error(404, u"not_found"_s);
            }
            return conversationSyncAnswer(call.body(), header, messages);
        });

    // The standard poll, answered a page at a time.
    emulator.route(u"account/poll"_s, ServiceEmulator::Access::Session, [state](Call& call) {
        const qint64 horizon = call.body().value(u"event_horizon"_s).toInteger(-1);
        const bool wait = call.body().value(u"wait"_s).toBool();
        int pageSize = 0;
        {
            const std::lock_guard lock(state->mutex);
            pageSize = state->pageSize;
        }
        const qint64 total =
            call.emulator.eventHorizon(call.account->accountId) - kFirstModelHorizon;
        const EventBatch batch =
            call.emulator.eventsAfter(call.account->accountId, horizon, wait, pageSize);
        const double progress =
            total <= 0
                ? 1.0
                : std::min(1.0, static_cast<double>(batch.eventHorizon - kFirstModelHorizon) /
                                    static_cast<double>(total));
        return Reply::ok({{u"stream"_s, toArray(batch.records)},
                          {u"event_horizon"_s, batch.eventHorizon},
                          {u"sync_progress"_s, progress}});
    });
}

ServiceModel::~ServiceModel() = default;

void ServiceModel::seed(const QString& accountId, const Fixture& fixture) {
    {
        const std::lock_guard lock(state_->mutex);
        for (const QJsonObject& contact : fixture.contacts) {
            state_->contacts[accountId][contact.value(u"account_id"_s).toString()] = contact;
        }
        state_->keep(accountId, fixture);
    }
    emulator_.appendEvents(accountId, fixture.records());
}

void ServiceModel::seedUnstreamed(const QString& accountId, const Fixture& fixture) {
    const std::lock_guard lock(state_->mutex);
    state_->keep(accountId, fixture);
}

std::optional<QJsonObject> ServiceModel::contact(const QString& accountId,
                                                 const QString& contactId) const {
    const std::lock_guard lock(state_->mutex);
    const auto account = state_->contacts.find(accountId);
    if (account == state_->contacts.end()) {
        return std::nullopt;
    }
    const auto found = account->second.find(contactId);
    if (found == account->second.end()) {
        return std::nullopt;
    }
    return found->second;
}

void ServiceModel::changeContact(const QString& accountId, const QJsonObject& fields) {
    QJsonObject record;
    {
        const std::lock_guard lock(state_->mutex);
        record = state_->change(accountId, fields.value(u"account_id"_s).toString(), fields);
    }
    emulator_.appendEvent(accountId, record);
}

int ServiceModel::pageSize() const {
    const std::lock_guard lock(state_->mutex);
    return state_->pageSize;
}

void ServiceModel::setPageSize(int records) {
    const std::lock_guard lock(state_->mutex);
    state_->pageSize = std::max(1, records);
}

}  // namespace zvemu
