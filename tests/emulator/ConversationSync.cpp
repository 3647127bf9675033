#include "tests/emulator/ConversationSync.h"

#include "tests/emulator/EmulatorJson.h"

#include <QtCore/QJsonArray>

#include <algorithm>

namespace zvemu {

namespace {

using namespace Qt::Literals::StringLiterals;

// The most messages one answer carries; a context load is centred on its message.
constexpr qint64 kPage = 100;
constexpr qint64 kContextBefore = 50;

qint64 numberOf(const QJsonObject& message) {
    return message.value(u"message_nr"_s).toInteger();
}

bool tagged(const QJsonObject& message, const QString& tag) {
    return message.value(u"tags"_s).toArray().contains(tag);
}

}  // namespace

Reply conversationSyncAnswer(const QJsonObject& body, QJsonObject header,
                             const QList<QJsonObject>& messages) {
    const QString direction = body.value(u"mk_direction"_s).toString();
    const QJsonValue fromValue = body.value(u"from_message_nr"_s);
    if (!(fromValue.isUndefined() || fromValue.isDouble())) {
        return Reply::error(400, u"bad_request"_s, u"from_message_nr is not a number"_s);
    }
    const qint64 last = messages.isEmpty() ? 0 : numberOf(messages.last());
    const qint64 from = fromValue.toInteger(0);
    QList<QJsonObject> sent;
    const auto between = [&](qint64 low, qint64 high) {
        for (const QJsonObject& message : messages) {
            if (numberOf(message) >= low && numberOf(message) <= high) {
                sent.append(message);
            }
        }
    };
    const auto laterOnes = [&](const QString& tag) {
        for (const QJsonObject& message : messages) {
            if (numberOf(message) >= from && sent.size() < kPage &&
                (tag.isEmpty() ? message.contains(u"attachments"_s) : tagged(message, tag))) {
                sent.append(message);
            }
        }
    };
    if (direction == u"ic_tiny") {
        // A short record: the conversation and the message its inbox row shows.
        header.insert(u"is_tiny"_s, true);
        if (!messages.isEmpty()) {
            sent.append(messages.last());
            header.insert(u"inbox_message_nr"_s, last);
        }
    } else if (direction == u"ic_full" || direction == u"ic_header") {
        header.insert(u"is_init"_s, true);
        between(last - kPage + 1, last);
    } else if (direction == u"ic_forward") {
        between(from, from + kPage - 1);
    } else if (direction == u"ic_backward") {
        between((fromValue.isUndefined() ? last : from) - kPage + 1,
                fromValue.isUndefined() ? last : from);
    } else if (direction == u"ic_flow") {
        between(from - kContextBefore, from - kContextBefore + kPage - 1);
    } else if (direction == u"ic_files") {
        laterOnes({});
    } else if (direction == u"ic_pinboard") {
        laterOnes(u"pin"_s);
    } else if (direction == u"ic_tasks") {
        laterOnes(u"task"_s);
    } else {
        return Reply::error(400, u"bad_request"_s, u"unknown mk_direction"_s);
    }
    // How far the stretch of messages the device holds now reaches, on the side it grew.
    if (!sent.isEmpty()) {
        if (direction == u"ic_full" || direction == u"ic_header" || direction == u"ic_backward") {
            header.insert(u"bw_message_nr"_s, numberOf(sent.first()));
        }
        if (direction == u"ic_full" || direction == u"ic_header" || direction == u"ic_forward") {
            header.insert(u"fw_message_nr"_s, numberOf(sent.last()));
        }
    }
    return Reply::ok({{u"header"_s, header}, {u"stream"_s, toArray(sent)}});
}

}  // namespace zvemu
