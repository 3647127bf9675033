#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QMimeDatabase>
#include <QtCore/QRegularExpression>
#include <QtCore/QUrl>
#include <QtCore/QtEndian>

#include <httplib.h>

#include <algorithm>

namespace zvemu {

namespace {

const QString kFilesPrefix = QStringLiteral("/files/");
const QString kUploadReferencePrefix = QStringLiteral("zelvo-upload:");
const QStringList kUploadTargets = {QStringLiteral("/api/file/upload"),
                                    QStringLiteral("/api/avatar/upload")};

constexpr int kStatusPartialContent = 206;
constexpr int kStatusRangeNotSatisfiable = 416;

// "attachment; filename="<name>"", the name's quotes and backslashes escaped.
QString attachmentFileName(const QByteArray& disposition) {
    static const QRegularExpression pattern(QStringLiteral(R"re(filename="((?:[^"\\]|\\.)*)")re"));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(disposition));
    if (!match.hasMatch()) {
        return {};
    }
    static const QRegularExpression escaped(QStringLiteral(R"(\\(.))"));
    return match.captured(1).replace(escaped, QStringLiteral("\\1"));
}

// Pixel size of a PNG, GIF or JPEG picture, from its header; none for anything else.
std::optional<std::pair<int, int>> pictureSize(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    if (data.startsWith("\x89PNG\r\n\x1a\n") && data.size() >= 24) {
        return std::pair{static_cast<int>(qFromBigEndian<quint32>(bytes + 16)),
                         static_cast<int>(qFromBigEndian<quint32>(bytes + 20))};
    }
    if ((data.startsWith("GIF87a") || data.startsWith("GIF89a")) && data.size() >= 10) {
        return std::pair{static_cast<int>(qFromLittleEndian<quint16>(bytes + 6)),
                         static_cast<int>(qFromLittleEndian<quint16>(bytes + 8))};
    }
    if (!data.startsWith("\xff\xd8")) {
        return std::nullopt;
    }
    // Walk the JPEG segments to the first start-of-frame marker.
    qsizetype at = 2;
    while (at + 9 < data.size()) {
        if (bytes[at] != 0xff) {
            return std::nullopt;
        }
        const uchar marker = bytes[at + 1];
        const int length = qFromBigEndian<quint16>(bytes + at + 2);
        const bool startOfFrame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (startOfFrame) {
            return std::pair{static_cast<int>(qFromBigEndian<quint16>(bytes + at + 7)),
                             static_cast<int>(qFromBigEndian<quint16>(bytes + at + 5))};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

QByteArray entityTag(const QByteArray& data) {
    return '"' + QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().left(32) + '"';
}

// A single range "bytes=<first>-[<last>]" or "bytes=-<suffix>", as offsets into `size` bytes:
// (first, length). A range past the end gives a length of 0; anything else none.
std::optional<std::pair<qint64, qint64>> byteRange(const QByteArray& header, qint64 size) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*bytes=(\d*)-(\d*)\s*$)"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(header));
    if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(2).isEmpty())) {
        return std::nullopt;
    }
    if (match.captured(1).isEmpty()) {
        const qint64 suffix = std::min(match.captured(2).toLongLong(), size);
        return std::pair{size - suffix, suffix};
    }
    const qint64 first = match.captured(1).toLongLong();
    if (first >= size) {
        return std::pair{first, qint64{0}};
    }
    const qint64 last =
        match.captured(2).isEmpty() ? size - 1 : std::min(match.captured(2).toLongLong(), size - 1);
    if (last < first) {
        return std::nullopt;
    }
    return std::pair{first, last - first + 1};
}

}  // namespace

QString ServiceEmulator::storeFile(const QString& name, const QByteArray& data, Access access,
                                   const QByteArray& contentType) {
    StoredFile file;
    file.id = newUuid();
    file.name = name;
    file.data = data;
    file.contentType =
        contentType.isEmpty()
            ? QMimeDatabase().mimeTypeForFileNameAndData(name, data).name().toLatin1()
            : contentType;
    file.access = access;
    file.url = baseUrl() + kFilesPrefix.mid(1) + file.id + u'/' +
               QString::fromLatin1(QUrl::toPercentEncoding(name));
    std::lock_guard lock(mutex_);
    files_[file.id] = file;
    return file.url;
}

std::optional<ServiceEmulator::StoredFile> ServiceEmulator::storedFile(
    const QString& reference) const {
    QString id = reference;
    if (id.startsWith(kUploadReferencePrefix)) {
        id = id.mid(kUploadReferencePrefix.size());
    } else if (id.contains(u'/')) {
        const QString path = QUrl(reference).path();
        if (path.startsWith(kFilesPrefix)) {
            id = path.mid(kFilesPrefix.size()).section(u'/', 0, 0);
        }
    }
    std::lock_guard lock(mutex_);
    const auto it = files_.find(id);
    if (it == files_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void ServiceEmulator::setRangeRequests(bool supported) {
    std::lock_guard lock(mutex_);
    rangeRequests_ = supported;
}

void ServiceEmulator::cutDownload(const QString& urlOrPath, qint64 afterBytes, bool hold) {
    const QString path = urlOrPath.startsWith(u'/') ? urlOrPath : QUrl(urlOrPath).path();
    std::lock_guard lock(mutex_);
    cuts_[path].push_back(DownloadCut{std::max<qint64>(afterBytes, 0), hold});
}

bool ServiceEmulator::handleFileRequest(const httplib::Request& request,
                                        httplib::Response& response) {
    const QString target = QString::fromStdString(request.path);
    const bool upload = kUploadTargets.contains(target);
    if (!upload && !target.startsWith(kFilesPrefix)) {
        return false;
    }
    // The server library would cut any answer to a Range request on its own, whatever its
    // status; the storage answers ranges itself. The request object is the server's own.
    const_cast<httplib::Request&>(request).ranges.clear();
    if (upload) {
        answerUpload(request, response);
    } else {
        answerDownload(request, response);
    }
    return true;
}

void ServiceEmulator::answerUpload(const httplib::Request& request, httplib::Response& response) {
    RecordedRequest recorded = record(request);
    const QString ticket = QString::fromStdString(request.get_param_value("ticket"));
    const QString fileName = attachmentFileName(recorded.header("Content-Disposition"));
    QStringList problems;
    if (recorded.httpMethod != u"PUT") {
        problems << QStringLiteral("method %1 instead of PUT").arg(recorded.httpMethod);
    }
    if (ticket.isEmpty()) {
        problems << QStringLiteral("no ticket in the query");
    }
    if (fileName.isEmpty()) {
        problems << QStringLiteral("no file name in Content-Disposition");
    }
    const std::optional<Account> account =
        accountForCredentials(ticket, recorded.cookie(u"token_id"));
    bool strict = true;
    {
        std::lock_guard lock(mutex_);
        strict = strictEnvelope_;
        for (RecordedRequest& stored : requests_) {
            if (stored.sequence == recorded.sequence) {
                stored.problems = problems;
                stored.accountId = account ? account->accountId : QString();
            }
        }
    }
    recorded.problems = problems;

    const std::optional<Fault> fault = playFault(request, recorded, response);
    if (fault && fault->endsCall()) {
        return;
    }
    Reply reply;
    if (strict && !problems.isEmpty()) {
        reply = Reply::error(400, QStringLiteral("bad_request"), problems.join(u"; "));
    } else if (!account) {
        reply = Reply::error(401, QStringLiteral("not_authenticated"),
                             QStringLiteral("The ticket or the token is not valid."));
    } else if (std::optional<Reply> scripted = takeScript(recorded.path)) {
        reply = *scripted;
    } else {
        const QByteArray& data = recorded.rawBody;
        const QString url = storeFile(fileName, data);
        const QString id = QUrl(url).path().mid(kFilesPrefix.size()).section(u'/', 0, 0);
        QString fileType;
        {
            std::lock_guard lock(mutex_);
            StoredFile& stored = files_[id];
            stored.accountId = account->accountId;
            fileType = QString::fromLatin1(stored.contentType);
        }
        QJsonObject description{
            {QStringLiteral("upload_url"), kUploadReferencePrefix + id},
            {QStringLiteral("file_name"), fileName},
            {QStringLiteral("file_size"), static_cast<qint64>(data.size())},
            {QStringLiteral("file_sha256"),
             QString::fromLatin1(
                 QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex())},
            {QStringLiteral("file_type"), fileType},
        };
        if (const auto size = pictureSize(data)) {
            description[QStringLiteral("width")] = size->first;
            description[QStringLiteral("height")] = size->second;
        }
        reply = Reply::ok({{QStringLiteral("files"), QJsonArray{description}}});
    }
    if (fault && fault->kind == Fault::Kind::MalformedJson) {
        const QByteArray json = reply.body.value_or(toJson(reply.json));
        reply.body = json.left(json.size() / 2);
    } else if (fault && fault->kind == Fault::Kind::WrongContentType) {
        reply = Reply::raw(reply.status, "<html><body>Bad Gateway</body></html>",
                           "text/html; charset=utf-8");
    }
    write(recorded, std::move(reply), fault && fault->kind == Fault::Kind::DropConnection,
          response);
}

void ServiceEmulator::answerDownload(const httplib::Request& request, httplib::Response& response) {
    const RecordedRequest recorded = record(request);
    const std::optional<Fault> fault = playFault(request, recorded, response);
    if (fault && fault->endsCall()) {
        return;
    }
    const QString token = recorded.cookie(u"token_id");
    std::optional<StoredFile> file;
    std::optional<DownloadCut> cut;
    bool signedIn = false;
    bool ranges = true;
    {
        std::lock_guard lock(mutex_);
        const QString id = recorded.path.mid(kFilesPrefix.size()).section(u'/', 0, 0);
        if (auto it = files_.find(id); it != files_.end()) {
            file = it->second;
        }
        for (const auto& [accountId, account] : accounts_) {
            signedIn = signedIn || std::any_of(account.issued.begin(), account.issued.end(),
                                               [&](const Credentials& issued) {
                                                   return !token.isEmpty() && issued.token == token;
                                               });
        }
        ranges = rangeRequests_;
        if (auto it = cuts_.find(recorded.path); it != cuts_.end() && !it->second.empty()) {
            cut = it->second.front();
            it->second.pop_front();
        }
    }
    if (recorded.httpMethod != u"GET") {
        write(recorded, Reply::error(405, QStringLiteral("method_not_allowed")), false, response);
        return;
    }
    if (file && file->access == Access::Session && !signedIn) {
        write(recorded, Reply::error(401, QStringLiteral("not_authenticated")), false, response);
        return;
    }
    if (!file) {
        write(recorded, Reply::error(404, QStringLiteral("not_found"), recorded.path), false,
              response);
        return;
    }
    if (std::optional<Reply> scripted = takeScript(recorded.path)) {
        write(recorded, *scripted, fault && fault->kind == Fault::Kind::DropConnection, response);
        return;
    }

    const auto data = std::make_shared<QByteArray>(file->data);
    const QByteArray tag = entityTag(*data);
    qint64 first = 0;
    qint64 length = data->size();
    int status = 200;
    const QByteArray rangeHeader = recorded.header("Range");
    const QByteArray ifRange = recorded.header("If-Range");
    if (ranges && !rangeHeader.isNull() && (ifRange.isNull() || ifRange == tag)) {
        const auto range = byteRange(rangeHeader, data->size());
        if (range && range->second == 0) {
            Reply unsatisfiable =
                Reply::error(kStatusRangeNotSatisfiable, QStringLiteral("range_not_satisfiable"));
            unsatisfiable.withHeader("Content-Range",
                                     "bytes */" + QByteArray::number(data->size()));
            write(recorded, unsatisfiable, false, response);
            return;
        }
        if (range) {
            std::tie(first, length) = *range;
            status = kStatusPartialContent;
            response.set_header("Content-Range", QStringLiteral("bytes %1-%2/%3")
                                                     .arg(first)
                                                     .arg(first + length - 1)
                                                     .arg(data->size())
                                                     .toStdString());
        }
    }
    if (ranges) {
        response.set_header("Accept-Ranges", "bytes");
    }
    response.set_header("ETag", tag.toStdString());
    response.status = status;

    qint64 cutAt = length;
    bool holdAtCut = false;
    if (fault && fault->kind == Fault::Kind::DropConnection) {
        cutAt = length / 2;
    }
    if (cut && cut->afterBytes < length) {
        cutAt = cut->afterBytes;
        holdAtCut = cut->hold;
    }
    setStatus(recorded.sequence, cutAt < length ? -1 : status);
    if (length == 0) {
        response.set_content("", file->contentType.toStdString());
        return;
    }
    // The headers promise the whole body; a cut ends the connection after part of it.
    response.set_content_provider(
        static_cast<std::size_t>(length), file->contentType.toStdString(),
        [this, data, first, cutAt, holdAtCut](std::size_t offset, std::size_t size,
                                              httplib::DataSink& sink) {
            const auto at = static_cast<qint64>(offset);
            if (at < cutAt) {
                const qint64 chunk = std::min<qint64>(static_cast<qint64>(size), cutAt - at);
                return sink.write(data->constData() + first + at, static_cast<std::size_t>(chunk));
            }
            if (holdAtCut) {
                hold(kMaxHold);
            }
            return false;
        });
}

}  // namespace zvemu
