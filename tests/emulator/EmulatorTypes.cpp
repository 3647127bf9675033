#include "tests/emulator/EmulatorTypes.h"

#include <algorithm>

namespace zvemu {

QByteArray RecordedRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

QString RecordedRequest::cookie(QStringView name) const {
    const QString cookies = QString::fromLatin1(header("Cookie"));
    for (const QString& pair : cookies.split(u';')) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals > 0 && QStringView(pair).left(equals).trimmed() == name) {
            return pair.mid(equals + 1).trimmed();
        }
    }
    return {};
}

Reply Reply::ok(QJsonObject json) {
    Reply reply;
    reply.json = std::move(json);
    return reply;
}

Reply Reply::error(int status, const QString& errorId, const QString& message) {
    Reply reply;
    reply.status = status;
    reply.json = {{QStringLiteral("error_id"), errorId},
                  {QStringLiteral("error_message"), message.isEmpty() ? errorId : message}};
    return reply;
}

Reply Reply::raw(int status, QByteArray body, QByteArray contentType) {
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    reply.contentType = std::move(contentType);
    return reply;
}

Reply& Reply::withHeader(const QByteArray& name, const QByteArray& value) {
    headers.append(qMakePair(name, value));
    return *this;
}

Fault Fault::withStatus(int status, QString errorId) {
    Fault fault = of(Kind::Status);
    fault.status = status;
    fault.errorId = std::move(errorId);
    return fault;
}

Fault Fault::delayed(std::chrono::milliseconds delay) {
    return Fault{}.after(delay);
}

Fault Fault::answerHeld(std::chrono::milliseconds hold) {
    Fault fault;
    fault.answerDelay = std::max(hold, std::chrono::milliseconds(0));
    return fault;
}

Fault Fault::after(std::chrono::milliseconds hold) const {
    Fault fault = *this;
    fault.delay = std::max(hold, std::chrono::milliseconds(0));
    return fault;
}

Reply Fault::statusReply() const {
    QString id = errorId;
    if (id.isEmpty()) {
        switch (status) {
            case 401:
                id = QStringLiteral("not_authenticated");
                break;
            case 503:
                id = QStringLiteral("service_unavailable");
                break;
            default:
                id = QStringLiteral("internal_error");
                break;
        }
    }
    return Reply::error(status, id);
}

}  // namespace zvemu
