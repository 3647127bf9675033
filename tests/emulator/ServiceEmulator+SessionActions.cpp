#include "tests/emulator/ConversationSync.h"
#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QSet>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zvemu {

// The conversations and messages that the account's actions work on. Guarded by its own mutex:
// the routes append to the event log (under the emulator's mutex) only after letting go of it.
struct ServiceEmulator::ConversationBook {
    struct Message {
        qint64 nr = 0;
        QString accountId;
        QString text;
        QString subject;
        QStringList attachments;
        bool deleted = false;
        bool pinned = false;
    };

    struct Conversation {
        QString id;
        QString topic;
        QStringList members;
        QStringList teams;
        QString joinKey;
        std::vector<Message> messages;
        // By account: where the account snoozed the conversation.
        QMap<QString, qint64> snoozedAt;
        QStringList disclosedTo;
        // Accounts that took the conversation off their list.
        QSet<QString> deletedFor;

        Message* message(qint64 nr) {
            auto it = std::ranges::find(messages, nr, &Message::nr);
            return it == messages.end() ? nullptr : &*it;
        }
        qint64 lastMessageNr() const { return messages.empty() ? 0 : messages.back().nr; }
    };

    // A record for the stream of one account.
    using Events = QList<QPair<QString, QJsonObject>>;

    mutable std::mutex mutex;
    std::map<QString, Conversation> conversations;
    // A retried post names the request it repeats, and is stored once: by request id, the
    // conversation and the number it got.
    std::map<QString, QPair<QString, qint64>> posts;
    std::map<QString, QString> phoneNumbers;

    static QJsonObject record(const Conversation& conversation) {
        QJsonObject record{{u"mk_rec_type"_s, u"conv"_s},
                           {u"conversation_id"_s, conversation.id},
                           {u"topic"_s, conversation.topic},
                           {u"members"_s, QJsonArray::fromStringList(conversation.members)},
                           {u"last_message_nr"_s, conversation.lastMessageNr()},
                           {u"autojoin_url"_s, conversation.joinKey}};
        if (!conversation.teams.isEmpty()) {
            record.insert(u"team_ids"_s, QJsonArray::fromStringList(conversation.teams));
            record.insert(u"teams"_s, QJsonArray::fromStringList(conversation.teams));
        }
        return record;
    }

    static QJsonObject record(const Conversation& conversation, const Message& message) {
        QJsonArray tags;
        if (message.pinned) {
            tags.append(u"pin"_s);
        }
        if (message.deleted) {
            tags.append(u"is_deleted"_s);
        }
        QJsonObject record{{u"mk_rec_type"_s, u"message"_s},
                           {u"conversation_id"_s, conversation.id},
                           {u"message_nr"_s, message.nr},
                           {u"account_id"_s, message.accountId},
                           {u"mk_message_type"_s, u"text"_s},
                           {u"message"_s, message.deleted ? QString() : message.text},
                           {u"tags"_s, tags}};
        if (!message.subject.isEmpty()) {
            record.insert(u"subject"_s, message.subject);
        }
        if (!message.attachments.isEmpty()) {
            record.insert(u"attachments"_s, QJsonArray::fromStringList(message.attachments));
        }
        return record;
    }

    // An edit of a stored message: what the call carries replaces what the message had.
    static Reply edit(Call& call, Conversation& conversation, Events& events);

    static void toMembers(const Conversation& conversation, const QJsonObject& record,
                          Events& events) {
        for (const QString& member : conversation.members) {
            events.append({member, record});
        }
    }
};

namespace {

QJsonObject profileRecord(const Account& account, const QString& phoneNumber) {
    QJsonObject record{{u"mk_rec_type"_s, u"contact"_s},
                       {u"account_id"_s, account.accountId},
                       {u"email"_s, account.email},
                       {u"display_name"_s, account.displayName}};
    if (!phoneNumber.isEmpty()) {
        record.insert(u"phone_nr"_s, phoneNumber);
    }
    return record;
}

QStringList split(const QJsonValue& value, QChar separator) {
    QStringList parts;
    for (const QString& part : value.toString().split(separator, Qt::SkipEmptyParts)) {
        parts.append(part.trimmed());
    }
    return parts;
}

// Addresses as callers list them: one string, separated by commas, semicolons or blanks.
QStringList addresses(const QJsonValue& value) {
    static const QRegularExpression separators(u"[,;\\s]+"_s);
    return value.toString().split(separators, Qt::SkipEmptyParts);
}

QStringList strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& element : value.toArray()) {
        list.append(element.toString());
    }
    return list;
}

bool isInteger(const QJsonValue& value) {
    return value.isDouble() && value.toDouble() == static_cast<double>(value.toInteger());
}

Reply badRequest(const QString& message) {
    return Reply::error(400, u"bad_request"_s, message);
}

Reply unknownConversation() {
    return Reply::error(404, u"not_found"_s, u"No such conversation."_s);
}

Reply unknownMessage() {
    return Reply::error(404, u"not_found"_s, u"No such message."_s);
}

}  // namespace

Reply ServiceEmulator::ConversationBook::edit(Call& call, Conversation& conversation,
                                              Events& events) {
    const QJsonObject& body = call.body();
    const QJsonValue number = body.value(u"message_nr"_s);
    if (!isInteger(number)) {
        return badRequest(u"message_nr is not an integer"_s);
    }
    Message* message = conversation.message(number.toInteger());
    if (!message) {
        return unknownMessage();
    }
    if (body.contains(u"message"_s) && !body.value(u"message"_s).isString()) {
        return badRequest(u"message is not a string"_s);
    }
    if (body.value(u"message"_s).isString()) {
        message->text = body.value(u"message"_s).toString();
    }
    if (body.value(u"subject"_s).isString()) {
        message->subject = body.value(u"subject"_s).toString();
    }
    if (body.value(u"attachments"_s).isArray()) {
        message->attachments = strings(body.value(u"attachments"_s));
    }
    if (body.value(u"tags"_s).isArray()) {
        const QStringList tags = strings(body.value(u"tags"_s));
        message->deleted = tags.contains(u"is_deleted"_s);
        message->pinned = tags.contains(u"pin"_s);
    }
    toMembers(conversation, record(conversation, *message), events);
    return Reply::ok({{u"result_message_nr"_s, message->nr}});
}

// --- for the tests ---

QString ServiceEmulator::addConversation(const QString& topic, const QStringList& memberIds,
                                         const QString& joinKey) {
    using Book = ConversationBook;
    Book::Conversation conversation;
    conversation.id = newUuid();
    conversation.topic = topic;
    conversation.members = memberIds;
    conversation.joinKey = joinKey.isEmpty() ? conversation.id : joinKey;
    const std::lock_guard lock(conversations_->mutex);
    conversations_->conversations[conversation.id] = conversation;
    return conversation.id;
}

qint64 ServiceEmulator::addMessage(const QString& conversationId, const QString& accountId,
                                   const QString& text) {
    using Book = ConversationBook;
    const std::lock_guard lock(conversations_->mutex);
    const auto it = conversations_->conversations.find(conversationId);
    if (it == conversations_->conversations.end()) {
        return 0;
    }
    Book::Message message;
    message.nr = it->second.lastMessageNr() + 1;
    message.accountId = accountId;
    message.text = text;
    it->second.messages.push_back(message);
    return message.nr;
}

bool ServiceEmulator::changeConversation(const QString& conversationId,
                                         const ConversationChange& change) {
    using Book = ConversationBook;
    QMap<QString, QJsonObject> records;
    {
        const std::lock_guard lock(conversations_->mutex);
        const auto it = conversations_->conversations.find(conversationId);
        if (it == conversations_->conversations.end()) {
            return false;
        }
        Book::Conversation& conversation = it->second;
        const QStringList before = conversation.members;
        if (change.topic) {
            conversation.topic = *change.topic;
        }
        if (change.members) {
            conversation.members = *change.members;
        }
        const QJsonObject record = Book::record(conversation);
        for (const QString& member : before + conversation.members) {
            records.insert(member, record);
        }
    }
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        appendEvents(it.key(), {it.value()});
    }
    return true;
}

std::optional<QJsonObject> ServiceEmulator::conversationRecord(
    const QString& conversationId) const {
    using Book = ConversationBook;
    const std::lock_guard lock(conversations_->mutex);
    const auto it = conversations_->conversations.find(conversationId);
    if (it == conversations_->conversations.end()) {
        return std::nullopt;
    }
    return Book::record(it->second);
}

std::optional<QJsonObject> ServiceEmulator::messageRecord(const QString& conversationId,
                                                          qint64 messageNr) const {
    using Book = ConversationBook;
    const std::lock_guard lock(conversations_->mutex);
    const auto it = conversations_->conversations.find(conversationId);
    if (it == conversations_->conversations.end()) {
        return std::nullopt;
    }
    Book::Conversation& conversation = it->second;
    const Book::Message* message = conversation.message(messageNr);
    if (!message) {
        return std::nullopt;
    }
    return Book::record(conversation, *message);
}

qint64 ServiceEmulator::appendEvents(const QString& accountId, const QList<QJsonObject>& records) {
    qint64 horizon = 0;
    {
        std::lock_guard lock(mutex_);
        auto& log = events_[accountId].records;
        log.insert(log.end(), records.begin(), records.end());
        horizon = headLocked(accountId);
    }
    changed_.notify_all();
    return horizon;
}

// --- the routes ---

void ServiceEmulator::installSessionActionRoutes() {
    using Book = ConversationBook;
    conversations_ = std::make_shared<ConversationBook>();
    const std::shared_ptr<ConversationBook> book = conversations_;

    // Each account's records of one call go to its stream together, once the book is let go.
    const auto publish = [this](const Book::Events& events) {
        QMap<QString, QList<QJsonObject>> byAccount;
        for (const auto& [accountId, record] : events) {
            byAccount[accountId].append(record);
        }
        for (auto it = byAccount.cbegin(); it != byAccount.cend(); ++it) {
            appendEvents(it.key(), it.value());
        }
    };
    // A call on one of the caller's conversations, named by the path.
    using Change = std::function<Reply(Call&, Book::Conversation&, Book::Events&)>;
    const auto onConversation = [this, book, publish](const QString& prefix, Change change) {
        routePrefix(prefix, Access::Session, [book, publish, change](Call& call) {
            Book::Events events;
            Reply reply;
            {
                const std::lock_guard lock(book->mutex);
                const auto it = book->conversations.find(call.pathTail);
                if (it == book->conversations.end()) {
                    return unknownConversation();
                }
                if (!it->second.members.contains(call.account->accountId)) {
                    return Reply::error(403, u"not_member"_s);
                }
                reply = change(call, it->second, events);
            }
            publish(events);
            return reply;
        });
    };

    // Members named by address or by account id, each once. An address of no account takes part
    // by e-mail and is not a member of the service.
    const auto addMembers = [this](Book::Conversation& conversation, const QJsonValue& emails,
                                   const QJsonValue& accountIds) {
        QStringList ids = strings(accountIds);
        for (const QString& email : addresses(emails)) {
            if (const std::optional<Account> member = account(email)) {
                ids.append(member->accountId);
            }
        }
        for (const QString& id : std::as_const(ids)) {
            if (!conversation.members.contains(id)) {
                conversation.members.append(id);
            }
        }
    };

    route(u"conversation/create"_s, Access::Session, [book, publish, addMembers](Call& call) {
        const QJsonValue emails = call.body().value(u"emails"_s);
        if (!emails.isUndefined() && !emails.isString()) {
            return badRequest(u"emails is not a string"_s);
        }
        Book::Conversation conversation;
        conversation.id = newUuid();
        conversation.joinKey = conversation.id;
        conversation.topic = call.body().value(u"topic"_s).toString();
        conversation.members.append(call.account->accountId);
        conversation.teams = strings(call.body().value(u"team_ids"_s));
        // A group forked from a dialog starts with the dialog's members.
        if (const QString fork = call.body().value(u"fork_conversation_id"_s).toString();
            !fork.isEmpty()) {
            const std::lock_guard lock(book->mutex);
            const auto it = book->conversations.find(fork);
            if (it == book->conversations.end()) {
                return unknownConversation();
            }
            for (const QString& member : it->second.members) {
                if (!conversation.members.contains(member)) {
                    conversation.members.append(member);
                }
            }
        }
        addMembers(conversation, emails, call.body().value(u"account_ids"_s));
        const QJsonObject record = Book::record(conversation);
        {
            const std::lock_guard lock(book->mutex);
            book->conversations[conversation.id] = conversation;
        }
        Book::Events events;
        Book::toMembers(conversation, record, events);
        publish(events);
        return Reply::ok({{u"header"_s, record}});
    });

    route(u"conversation/autojoin"_s, Access::Session, [book, publish](Call& call) {
        const QString key = call.body().value(u"conv_url_key"_s).toString();
        Book::Events events;
        QJsonObject record;
        {
            const std::lock_guard lock(book->mutex);
            auto it = std::ranges::find_if(book->conversations, [&](const auto& entry) {
                return !key.isEmpty() && entry.second.joinKey == key;
            });
            if (it == book->conversations.end()) {
                return Reply::error(430, u"autojoin_failed"_s);
            }
            Book::Conversation& conversation = it->second;
            if (!conversation.members.contains(call.account->accountId)) {
                conversation.members.append(call.account->accountId);
            }
            record = Book::record(conversation);
            Book::toMembers(conversation, record, events);
        }
        publish(events);
        return Reply::ok({{u"header"_s, record}});
    });

    // The one-to-one conversation of the caller and another account, made when missing.
    route(u"account/dialog"_s, Access::Session, [this, book, publish](Call& call) {
        std::optional<Account> other;
        if (const QString id = call.body().value(u"contact_id"_s).toString(); !id.isEmpty()) {
            other = account(id);
        } else {
            other = account(call.body().value(u"contact_email"_s).toString());
        }
        if (!other) {
            return Reply::error(430, u"unknown_email"_s);
        }
        const QStringList pair{call.account->accountId, other->accountId};
        Book::Events events;
        QJsonObject record;
        {
            const std::lock_guard lock(book->mutex);
            auto it = std::ranges::find_if(book->conversations, [&](const auto& entry) {
                const Book::Conversation& c = entry.second;
                return c.topic.isEmpty() && c.members.size() == 2 && c.members.contains(pair[0]) &&
                       c.members.contains(pair[1]);
            });
            if (it == book->conversations.end()) {
                Book::Conversation conversation;
                conversation.id = newUuid();
                conversation.joinKey = conversation.id;
                conversation.members = pair;
                it = book->conversations.emplace(conversation.id, conversation).first;
            }
            record = Book::record(it->second);
            Book::toMembers(it->second, record, events);
        }
        publish(events);
        return Reply::ok(
            {{u"conversation_id"_s, record.value(u"conversation_id"_s)}, {u"header"_s, record}});
    });

    onConversation(
        u"conversation/sync/"_s, [](Call& call, Book::Conversation& conversation, Book::Events&) {
            QList<QJsonObject> messages;
            for (const Book::Message& message : conversation.messages) {
                messages.append(Book::record(conversation, message));
            }
            return conversationSyncAnswer(call.body(), Book::record(conversation), messages);
        });

    onConversation(
        u"conversation/store/"_s,
        [this, addMembers](Call& call, Book::Conversation& conversation, Book::Events& events) {
            addMembers(conversation, call.body().value(u"add_emails"_s),
                       call.body().value(u"add_account_ids"_s));
            for (const QString& id : strings(call.body().value(u"add_team_ids"_s))) {
                if (!conversation.teams.contains(id)) {
                    conversation.teams.append(id);
                }
            }
            // Members go by account id under either of the keys callers use, or by address.
            QStringList removed = strings(call.body().value(u"remove_account_ids"_s));
            removed += strings(call.body().value(u"remove_ids"_s));
            for (const QString& email : strings(call.body().value(u"remove_addrs"_s))) {
                if (const std::optional<Account> member = account(email)) {
                    removed.append(member->accountId);
                }
            }
            for (const QString& id : std::as_const(removed)) {
                conversation.members.removeAll(id);
                events.append({id, Book::record(conversation)});
            }
            for (const QString& id : strings(call.body().value(u"remove_team_ids"_s))) {
                conversation.teams.removeAll(id);
            }
            if (call.body().value(u"topic"_s).isString()) {
                conversation.topic = call.body().value(u"topic"_s).toString();
            }
            Book::toMembers(conversation, Book::record(conversation), events);
            return Reply::ok();
        });

    onConversation(u"conversation/add_members/"_s,
                   [this](Call& call, Book::Conversation& conversation, Book::Events& events) {
                       for (const QString& email : split(call.body().value(u"emails"_s), u',')) {
                           const std::optional<Account> member = account(email);
                           if (!member) {
                               return Reply::error(430, u"unknown_email"_s, email);
                           }
                           if (!conversation.members.contains(member->accountId)) {
                               conversation.members.append(member->accountId);
                           }
                       }
                       Book::toMembers(conversation, Book::record(conversation), events);
                       return Reply::ok();
                   });

    // The account opened the conversation; other members would see it in their activity.
    onConversation(u"conversation/show_activity/"_s,
                   [](Call&, Book::Conversation&, Book::Events&) { return Reply::ok(); });

    onConversation(u"conversation/leave/"_s,
                   [](Call& call, Book::Conversation& conversation, Book::Events& events) {
                       events.append({call.account->accountId, Book::record(conversation)});
                       conversation.members.removeAll(call.account->accountId);
                       Book::toMembers(conversation, Book::record(conversation), events);
                       return Reply::ok();
                   });

    onConversation(u"conversation/delete/"_s,
                   [](Call& call, Book::Conversation& conversation, Book::Events& events) {
                       conversation.deletedFor.insert(call.account->accountId);
                       QJsonObject record = Book::record(conversation);
                       record.insert(u"is_deleted"_s, true);
                       events.append({call.account->accountId, record});
                       return Reply::ok();
                   });

    const auto disclose = [](Call& call, Book::Conversation& conversation, Book::Events&) {
        conversation.disclosedTo.append(split(call.body().value(u"emails"_s), u';'));
        return Reply::ok();
    };
    onConversation(u"conversation/disclose_all/"_s, disclose);
    onConversation(u"conversation/disclose/"_s,
                   [disclose](Call& call, Book::Conversation& conversation, Book::Events& events) {
                       if (!isInteger(call.body().value(u"message_nr"_s))) {
                           return badRequest(u"message_nr is not an integer"_s);
                       }
                       return disclose(call, conversation, events);
                   });

    // The message calls name their message by "message_nr" (unpinning by "pin_message_nr").
    using MessageChange =
        std::function<void(Call&, Book::Conversation&, Book::Message&, Book::Events&)>;
    const auto onMessage = [onConversation](const QString& prefix, const QString& numberKey,
                                            MessageChange change) {
        onConversation(prefix, [numberKey, change](Call& call, Book::Conversation& conversation,
                                                   Book::Events& events) {
            const QJsonValue number = call.body().value(numberKey);
            if (!isInteger(number)) {
                return badRequest(numberKey + u" is not an integer"_s);
            }
            Book::Message* message = conversation.message(number.toInteger());
            if (!message) {
                return unknownMessage();
            }
            change(call, conversation, *message, events);
            Book::toMembers(conversation, Book::record(conversation, *message), events);
            return Reply::ok();
        });
    };
    onMessage(u"message/delete/"_s, u"message_nr"_s,
              [](Call& call, Book::Conversation&, Book::Message& message, Book::Events&) {
                  const QJsonValue attachment = call.body().value(u"attachment_id"_s);
                  if (attachment.isString()) {
                      message.attachments.removeAll(attachment.toString());
                  } else {
                      message.deleted = true;
                  }
              });
    onMessage(u"message/pin/"_s, u"message_nr"_s,
              [](Call&, Book::Conversation&, Book::Message& message, Book::Events&) {
                  message.pinned = true;
              });
    onMessage(u"message/unpin/"_s, u"pin_message_nr"_s,
              [](Call&, Book::Conversation&, Book::Message& message, Book::Events&) {
                  message.pinned = false;
              });

    onConversation(u"message/snooze/"_s,
                   [](Call& call, Book::Conversation& conversation, Book::Events& events) {
                       const QJsonValue number = call.body().value(u"message_nr"_s);
                       if (!isInteger(number)) {
                           return badRequest(u"message_nr is not an integer"_s);
                       }
                       conversation.snoozedAt[call.account->accountId] = number.toInteger();
                       events.append({call.account->accountId, Book::record(conversation)});
                       return Reply::ok();
                   });

    // A new message gets the next number; its poster's stream also learns which request stored
    // it. A retry of a stored request gets the same number again. A store naming a message by
    // "message_nr" edits that message.
    onConversation(u"message/store/"_s,
                   [book](Call& call, Book::Conversation& conversation, Book::Events& events) {
                       const QJsonObject& body = call.body();
                       if (body.contains(u"message_nr"_s)) {
                           return Book::edit(call, conversation, events);
                       }
                       if (!body.value(u"message"_s).isString()) {
                           return badRequest(u"message is not a string"_s);
                       }
                       const QString requestId = body.value(u"client_req_id"_s).toString();
                       if (!requestId.isEmpty() && book->posts.contains(requestId)) {
                           const auto& [storedIn, nr] = book->posts.at(requestId);
                           if (storedIn == conversation.id) {
                               return Reply::ok({{u"result_message_nr"_s, nr}});
                           }
                       }
                       Book::Message message;
                       message.nr = conversation.lastMessageNr() + 1;
                       message.accountId = call.account->accountId;
                       message.text = body.value(u"message"_s).toString();
                       message.subject = body.value(u"subject"_s).toString();
                       message.attachments = strings(body.value(u"attachments"_s));
                       conversation.messages.push_back(message);
                       Book::toMembers(conversation, Book::record(conversation, message), events);
                       if (!requestId.isEmpty()) {
                           book->posts[requestId] = {conversation.id, message.nr};
                           events.append({call.account->accountId,
                                          QJsonObject{{u"mk_rec_type"_s, u"request"_s},
                                                      {u"client_req_id"_s, requestId},
                                                      {u"result_message_nr"_s, message.nr}}});
                       }
                       return Reply::ok({{u"result_message_nr"_s, message.nr}});
                   });

    route(u"search"_s, Access::Session, [book](Call& call) {
        const QString keywords = call.body().value(u"keywords"_s).toString();
        if (keywords.isEmpty()) {
            return badRequest(u"keywords is empty"_s);
        }
        const QJsonValue only = call.body().value(u"conversation_id"_s);
        QJsonArray headers;
        QJsonArray matches;
        const std::lock_guard lock(book->mutex);
        for (const auto& [id, conversation] : book->conversations) {
            if (!conversation.members.contains(call.account->accountId) ||
                (only.isString() && only.toString() != id)) {
                continue;
            }
            bool found = false;
            for (const Book::Message& message : conversation.messages) {
                if (!message.deleted && message.text.contains(keywords, Qt::CaseInsensitive)) {
                    matches.append(Book::record(conversation, message));
                    found = true;
                }
            }
            if (found) {
                headers.append(Book::record(conversation));
            }
        }
        return Reply::ok(
            {{u"headers"_s, headers}, {u"matches"_s, matches}, {u"skipped_count"_s, 0}});
    });

    route(u"account/configure"_s, Access::Session, [this, book](Call& call) {
        const QJsonObject& body = call.body();
        const QString accountId = call.account->accountId;
        if (body.contains(u"password"_s)) {
            if (body.value(u"old_password"_s).toString() != call.account->password) {
                return Reply::error(430, u"incorrect_password"_s);
            }
            if (body.value(u"password"_s).toString().isEmpty()) {
                return badRequest(u"password is empty"_s);
            }
        }
        updateAccount(accountId, [&](Account& account) {
            if (body.value(u"display_name"_s).isString()) {
                account.displayName = body.value(u"display_name"_s).toString();
            }
            if (body.contains(u"password"_s)) {
                account.password = body.value(u"password"_s).toString();
            }
        });
        QString phoneNumber;
        {
            const std::lock_guard lock(book->mutex);
            if (body.value(u"phone_nr"_s).isString()) {
                book->phoneNumbers[accountId] = body.value(u"phone_nr"_s).toString();
            }
            phoneNumber = book->phoneNumbers[accountId];
        }
        appendEvent(accountId, profileRecord(*account(accountId), phoneNumber));
        return Reply::ok();
    });

    route(u"avatar/delete"_s, Access::Session, [](Call&) { return Reply::ok(); });
}

}  // namespace zvemu
