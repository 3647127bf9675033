#include "platform/net/BackgroundTaskTable.h"

#include "platform/foundation/AtomicFile.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <algorithm>

namespace platform::detail {

namespace {

// Bumped when the layout changes in a way an older reader would misread.
constexpr int kTableVersion = 1;

const QString kVersionKey = QStringLiteral("version");
const QString kNextIdentifierKey = QStringLiteral("next_task_id");
const QString kTasksKey = QStringLiteral("tasks");
const QString kIdentifierKey = QStringLiteral("id");
const QString kKindKey = QStringLiteral("kind");
const QString kUrlKey = QStringLiteral("url");
const QString kMethodKey = QStringLiteral("method");
const QString kHeadersKey = QStringLiteral("headers");
const QString kTimeoutKey = QStringLiteral("timeout");
const QString kUploadFileKey = QStringLiteral("upload_file");
const QString kRunningKey = QStringLiteral("running");
const QString kStartDateKey = QStringLiteral("start_date");
const QString kValidatorKey = QStringLiteral("validator");
const QString kUploadKind = QStringLiteral("upload");
const QString kDownloadKind = QStringLiteral("download");

// Identifiers go through JSON numbers, exact up to 2^53.
constexpr double kLargestExactIdentifier = 9007199254740992.0;

QJsonObject toJson(const BackgroundTaskRecord& record) {
    QJsonArray headers;
    for (const auto& [name, value] : record.request.headers.fields()) {
        headers.append(QJsonArray{QString::fromLatin1(name), QString::fromLatin1(value)});
    }
    QJsonObject json{
        {kIdentifierKey, static_cast<double>(record.identifier)},
        {kKindKey,
         record.kind == BackgroundUrlSessionTask::Kind::Upload ? kUploadKind : kDownloadKind},
        {kUrlKey, QString::fromLatin1(record.request.url.toEncoded())},
        {kMethodKey, QString::fromLatin1(record.request.httpMethod)},
        {kHeadersKey, headers},
        {kTimeoutKey, record.request.timeoutInterval},
        {kRunningKey, record.running},
        {kStartDateKey, record.startDate},
    };
    if (!record.uploadFile.isEmpty()) {
        json[kUploadFileKey] = record.uploadFile;
    }
    if (!record.validator.isEmpty()) {
        json[kValidatorKey] = QString::fromLatin1(record.validator);
    }
    return json;
}

std::optional<BackgroundTaskRecord> fromJson(const QJsonObject& json) {
    BackgroundTaskRecord record;
    const double identifier = json.value(kIdentifierKey).toDouble(-1);
    if (identifier < 1 || identifier > kLargestExactIdentifier) {
        return std::nullopt;
    }
    record.identifier = static_cast<std::uint64_t>(identifier);
    const QString kind = json.value(kKindKey).toString();
    if (kind == kUploadKind) {
        record.kind = BackgroundUrlSessionTask::Kind::Upload;
        record.uploadFile = json.value(kUploadFileKey).toString();
        if (record.uploadFile.isEmpty()) {
            return std::nullopt;
        }
    } else if (kind != kDownloadKind) {
        return std::nullopt;
    }
    record.request.url = QUrl::fromEncoded(json.value(kUrlKey).toString().toLatin1());
    record.request.httpMethod = json.value(kMethodKey).toString().toLatin1();
    if (!record.request.url.isValid() || record.request.httpMethod.isEmpty()) {
        return std::nullopt;
    }
    for (const QJsonValue& field : json.value(kHeadersKey).toArray()) {
        const QJsonArray pair = field.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !pair[1].isString()) {
            return std::nullopt;
        }
        record.request.headers.append(pair[0].toString().toLatin1(), pair[1].toString().toLatin1());
    }
    record.request.timeoutInterval =
        json.value(kTimeoutKey).toDouble(UrlRequest::kDefaultTimeoutInterval);
    record.running = json.value(kRunningKey).toBool();
    record.startDate = json.value(kStartDateKey).toDouble();
    record.validator = json.value(kValidatorKey).toString().toLatin1();
    return record;
}

}  // namespace

BackgroundTaskTable BackgroundTaskTable::read(const QString& path, QString* error) {
    BackgroundTaskTable table;
    QFile file(path);
    if (!file.exists()) {
        return table;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return table;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        *error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                              : QStringLiteral("not an object");
        return table;
    }
    const QJsonObject root = document.object();
    if (root.value(kVersionKey).toInt() != kTableVersion) {
        *error = QStringLiteral("version %1").arg(root.value(kVersionKey).toInt());
        return table;
    }
    std::uint64_t highest = 0;
    for (const QJsonValue& value : root.value(kTasksKey).toArray()) {
        std::optional<BackgroundTaskRecord> record = fromJson(value.toObject());
        if (!record) {
            continue;
        }
        const bool duplicate =
            std::any_of(table.records.begin(), table.records.end(),
                        [&](const auto& other) { return other.identifier == record->identifier; });
        if (duplicate) {
            continue;
        }
        highest = std::max(highest, record->identifier);
        table.records.push_back(std::move(*record));
    }
    const double next = root.value(kNextIdentifierKey).toDouble(1);
    table.nextIdentifier = std::max(highest + 1, next >= 1 && next <= kLargestExactIdentifier
                                                     ? static_cast<std::uint64_t>(next)
                                                     : std::uint64_t{1});
    return table;
}

bool BackgroundTaskTable::write(const QString& path, QString* error) const {
    QJsonArray tasks;
    for (const BackgroundTaskRecord& record : records) {
        tasks.append(toJson(record));
    }
    const QJsonObject root{{kVersionKey, kTableVersion},
                           {kNextIdentifierKey, static_cast<double>(nextIdentifier)},
                           {kTasksKey, tasks}};
    return writeFileAtomically(path, QJsonDocument(root).toJson(QJsonDocument::Compact),
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner, error);
}

}  // namespace platform::detail
