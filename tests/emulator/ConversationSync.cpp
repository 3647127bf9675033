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
    // A board's page from the horizon on; the header's horizon tells where the next page starts,
    // 0 once the last one is sent.
    const auto laterOnes = [&](const QString& horizonKey, const auto& belongs) {
        qint64 next = 0;
        for (const QJsonObject& message : messages) {
            if (numberOf(message) < from || !belongs(message)) {
                continue;
            }
            if (sent.size() == kPage) {
                next = numberOf(message);
                break;
            }
            sent.append(message);
        }
        header.insert(horizonKey, next);
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
        laterOnes(u"file_horizon"_s,
                  [](const QJsonObject& message) { return message.contains(u"attachments"_s); });
    } else if (direction == u"ic_pinboard") {
        laterOnes(u"pin_horizon"_s,
                  [](const QJsonObject& message) { return tagged(message, u"pin"_s); });
    } else if (direction == u"ic_tasks") {
        // A task carries the to-do tag, a finished one the done tag.
        laterOnes(u"task_horizon"_s, [](const QJsonObject& message) {
            return tagged(message, u"is_todo"_s) || tagged(message, u"is_done"_s);
        });
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
