#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/log/ZVLogSanitization.h"
#include "platform/foundation/Format.h"
#include "platform/net/UrlSession.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QRegularExpression>
#include <QtCore/QUuid>

#include <cmath>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kJsonWritingDomain = u"JsonWriting"_s;
constexpr int kJsonWritingInvalidValue = 1;

constexpr qsizetype kTokenLength = 36;
const QString kTokenPrefix = u"token_id="_s;

// JSON has no text for NaN or infinity; a body holding one would reach the service as null.
QString firstUnwritableValue(const QJsonValue& value, const QString& path) {
    if (value.isDouble()) {
        return std::isfinite(value.toDouble()) ? QString() : path;
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString found = firstUnwritableValue(
                it.value(), path.isEmpty() ? it.key() : path + u'/' + it.key());
            if (!found.isNull()) {
                return found;
            }
        }
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString found = firstUnwritableValue(array.at(i), path + u"[%1]"_s.arg(i));
            if (!found.isNull()) {
                return found;
            }
        }
    }
    return QString();
}

}  // namespace

ZVApiRequest::ZVApiRequest(const QString& method, std::optional<QJsonObject> arguments)
    : method_(method),
      url_(ZVApi::api().baseApiURL().resolved(QUrl(method))),
      arguments_(std::move(arguments)) {}

ZVApiRequest::ZVApiRequest(QStringView methodFormat, const QString& methodArg,
                           std::optional<QJsonObject> arguments)
    : ZVApiRequest(platform::format(methodFormat, methodArg), std::move(arguments)) {}

ZVApiRequest::~ZVApiRequest() = default;

ZVErrorPtr ZVApiRequest::submitWithUrlSession(platform::UrlSession& urlSession,
                                              std::weak_ptr<ZVApiTransferDelegate> delegate) {
    submitTime_ = platform::Scheduler::main().now();

    QJsonObject body = arguments_.value_or(QJsonObject());
    const std::shared_ptr<ZVApiSession> session = session_.lock();
    if (session && !session->credentials()->ticket().isNull()) {
        body.insert(u"ticket"_s, session->credentials()->ticket());
    }
    if (earlyCompletionHandler_ && requestId_.isNull()) {
        // Kept, so that sending the request again names the same request.
        requestId_ = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    }
    if (!requestId_.isNull()) {
        body.insert(u"client_req_id"_s, requestId_);
    }
    body.insert(u"api_version"_s, kApiVersion);

    const QString unwritable = firstUnwritableValue(body, QString());
    if (!unwritable.isNull()) {
        const ZVErrorPtr error = ZVError::errorWithDomain(
            kJsonWritingDomain, kJsonWritingInvalidValue,
            {{ZVError::KeyKey, unwritable},
             {ZVError::LocalizedDescriptionKey,
              u"The value at \"%1\" cannot be written as JSON."_s.arg(unwritable)}});
        failWithError(error);
        return error;
    }
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    requestSize_ = json.size();

    platform::UrlRequest request;
    request.url = url_;
    request.httpMethod = QByteArrayLiteral("POST");
    request.body = json;
    request.timeoutInterval = timeoutInterval_;
    request.headers.set("Content-Type", "application/json");
    if (session) {
        request.headers.set("Cookie", "token_id=" + session->credentials()->cookie().toUtf8());
    }
    request.headers.set("accept-encoding", "gzip");
    request.headers.set("User-Agent", ZVApi::userAgentString().toUtf8());
    urlRequest_ = request;

    // The task is known only once made; its events find it through this box.
    auto taskBox = std::make_shared<std::weak_ptr<platform::UrlSessionTask>>();
    platform::UrlSessionTaskHandlers handlers;
    handlers.onResponse = [delegate, taskBox](const platform::UrlResponse& response) {
        const auto target = delegate.lock();
        const auto task = taskBox->lock();
        if (target && task) {
            target->transferDidReceiveResponse(*task, response);
        }
    };
    handlers.onComplete = [delegate, taskBox](const platform::UrlTaskResult& result) {
        const auto target = delegate.lock();
        const auto task = taskBox->lock();
        if (target && task) {
            target->transferDidComplete(*task, result);
        }
    };
    std::shared_ptr<platform::UrlSessionTask> task =
        urlSession.dataTask(std::move(request), std::move(handlers));
    if (!task) {
        const ZVErrorPtr error = ZVError::errorWithCode(ZVError::LocalTransferFailed);
        failWithError(error);
        return error;
    }
    *taskBox = task;
    task_ = task;
    if (submitHandler_) {
        const SubmitHandler submit = submitHandler_;
        submit();
    }
    task->resume();
    return nullptr;
}

void ZVApiRequest::handleResponse(const platform::UrlResponse& response) {
    responseTime_ = platform::Scheduler::main().now();
    httpStatus_ = response.statusCode();
    const QByteArray contentType = response.contentType();
    contentType_ = contentType.isNull() ? QString() : QString::fromUtf8(contentType);

    const QByteArray setCookie = response.value("Set-Cookie");
    if (httpStatus_ != 200 || setCookie.isNull()) {
        return;
    }
    // Cookies joined by ", " or by line breaks, each with its attributes after ";".
    static const QRegularExpression cookieSeparators(u"[,\\n]"_s);
    const QString header = QString::fromUtf8(setCookie);
    for (const QString& piece : header.split(u';')) {
        for (QString part : piece.trimmed().split(cookieSeparators)) {
            part = part.trimmed();
            if (part.startsWith(kTokenPrefix) &&
                part.size() == kTokenPrefix.size() + kTokenLength) {
                handleCookie(part.mid(kTokenPrefix.size()));
            }
        }
    }
}

void ZVApiRequest::submitData(const QByteArray& data) {
    if (responseBody_.isNull()) {
        responseBody_ = QByteArray("");
    }
    responseBody_.append(data);
}

void ZVApiRequest::handleCookie(const QString& token) {
    if (const auto session = session_.lock()) {
        session->credentials()->setCookie(token);
    }
}

void ZVApiRequest::failWithError(const ZVErrorPtr& error) {
    urlRequest_.reset();
    task_.reset();
    canRetry_ = ZVApi::isNetworkFailure(error) || (error && error->domain() == ZVError::Domain &&
                                                   error->code() >= 500 && error->code() <= 599);
    httpStatus_ = error ? error->code() : 0;
}

void ZVApiRequest::complete() {
    urlRequest_.reset();
    task_.reset();
}

void ZVApiRequest::cancel() {
    if (task_) {
        task_->cancel();
    }
    task_.reset();
}

void ZVApiRequest::removeDependencies() {
    successHandler_ = nullptr;
    handler_ = nullptr;
    errorHandler_ = nullptr;
}

QString ZVApiRequest::requestAsLogString(const std::optional<QJsonValue>& object) {
    if (!object || object->isUndefined()) {
        return u"nil"_s;
    }
    const QJsonValue sanitized = ZVLogSanitization::sanitizeObject(*object);
    if (sanitized.isObject()) {
        return QString::fromUtf8(
            QJsonDocument(sanitized.toObject()).toJson(QJsonDocument::Indented));
    }
    if (sanitized.isArray()) {
        return QString::fromUtf8(
            QJsonDocument(sanitized.toArray()).toJson(QJsonDocument::Indented));
    }
    return platform::format(u"%@", sanitized);
}

QString ZVApiRequest::description() const {
    if (requestText_.isNull()) {
        requestText_ =
            requestAsLogString(arguments_ ? std::optional<QJsonValue>(*arguments_) : std::nullopt);
    }
    // Answers carry tickets too (a sign-in's), so they are masked like the arguments.
    const QString answer =
        responseBody_.isNull() ? QString() : ZVLogSanitization::sanitizeJsonText(responseBody_);
    return platform::format(u"<%@> %@ => %@", ZVLogSanitization::sanitizeUrl(url_), requestText_,
                            answer);
}

QString ZVApiRequest::statusText() const {
    if (httpStatus_ == 0) {
        if (!urlRequest_) {
            return u"Pending"_s;
        }
        const auto seconds =
            static_cast<long>(std::trunc(platform::Scheduler::main().now() - submitTime_));
        return platform::format(u"%lds", seconds);
    }
    if (httpStatus_ == 200) {
        const auto milliseconds =
            static_cast<long>(std::trunc((responseTime_ - submitTime_) * 1000.0));
        return platform::format(u"%ldms", milliseconds);
    }
    return platform::format(u"%ld", httpStatus_);
}
