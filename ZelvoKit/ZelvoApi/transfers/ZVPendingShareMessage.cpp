#include "ZelvoKit/ZelvoApi/transfers/ZVPendingShareMessage.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QUrl>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

QString sessionKey(qint64 index) {
    return u"session_%1"_s.arg(index);
}
QString conversationKey(qint64 index) {
    return u"conversation_%1"_s.arg(index);
}
QString messageKey(qint64 index) {
    return u"message_%1"_s.arg(index);
}
QString fileUrlsKey(qint64 index) {
    return u"file_urls_%1"_s.arg(index);
}

}  // namespace

QString ZVPendingShareMessage::applicationGroupIdentifier() {
    return platform::Application::shared().applicationGroupIdentifier();
}

std::shared_ptr<platform::UserDefaults> ZVPendingShareMessage::groupDefaults() {
    return platform::UserDefaults::suite(applicationGroupIdentifier());
}

QString ZVPendingShareMessage::folderPath(qint64 index) {
    const QString container =
        platform::Paths::applicationGroupContainer(applicationGroupIdentifier());
    if (container.isEmpty()) {
        return {};
    }
    return QDir::cleanPath(container + u'/' + QString::number(index));
}

ZVPendingShareMessage::ZVPendingShareMessage(QString sessionId, QString conversationId,
                                             QString message, QStringList fileUrls, qint64 index)
    : sessionId_(std::move(sessionId)),
      conversationId_(std::move(conversationId)),
      message_(std::move(message)),
      fileUrls_(std::move(fileUrls)),
      index_(index) {}

std::shared_ptr<ZVPendingShareMessage> ZVPendingShareMessage::withIndex(qint64 index) {
    const auto defaults = groupDefaults();
    const QString sessionId = defaults->stringForKey(sessionKey(index));
    const QString conversationId = defaults->stringForKey(conversationKey(index));
    if (sessionId.isEmpty() || conversationId.isEmpty()) {
        return nullptr;
    }
    const QString message = defaults->stringForKey(messageKey(index));
    auto share = std::make_shared<ZVPendingShareMessage>(sessionId, conversationId, message,
                                                         QStringList(), index);
    for (const QString& entry :
         defaults->stringArrayForKey(fileUrlsKey(index)).value_or(QStringList())) {
        if (entry.startsWith(UploadReferencePrefix) || share->isOwnFile(entry)) {
            share->fileUrls_.append(entry);
        } else {
            // A record must not make the application send or delete files outside the share.
            ZVLogError(u"ZVPendingShareMessage(%ld): file outside its folder: %@", index, entry);
        }
    }
    return share;
}

std::vector<qint64> ZVPendingShareMessage::storedIndexes() {
    static const QRegularExpression sessionKeyPattern(u"^session_(-?\\d+)$"_s);
    std::vector<qint64> indexes;
    const QVariantMap values = groupDefaults()->dictionaryRepresentation();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QRegularExpressionMatch match = sessionKeyPattern.match(it.key());
        bool valid = false;
        const qint64 index = match.hasMatch() ? match.captured(1).toLongLong(&valid) : 0;
        if (valid) {
            indexes.push_back(index);
        }
    }
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

bool ZVPendingShareMessage::isOwnFile(const QString& fileUrl) const {
    const QUrl url(fileUrl);
    const QString folder = folderPath(index_);
    if (!url.isLocalFile() || folder.isEmpty()) {
        return false;
    }
    const QString path = QDir::cleanPath(url.toLocalFile());
    return QFileInfo(path).absolutePath() == folder && !QFileInfo(path).fileName().isEmpty();
}

void ZVPendingShareMessage::save() const {
    const auto defaults = groupDefaults();
    defaults->setString(sessionId_, sessionKey(index_));
    defaults->setString(conversationId_, conversationKey(index_));
    defaults->setString(message_, messageKey(index_));
    defaults->setObject(fileUrls_, fileUrlsKey(index_));
    defaults->synchronize();
}

void ZVPendingShareMessage::deleteLocalData() const {
    const auto defaults = groupDefaults();
    for (const QString& key :
         {sessionKey(index_), conversationKey(index_), messageKey(index_), fileUrlsKey(index_)}) {
        defaults->removeObjectForKey(key);
    }
    defaults->synchronize();
    if (const QString folder = folderPath(index_); !folder.isEmpty()) {
        QDir(folder).removeRecursively();
    }
}

void ZVPendingShareMessage::reportUploadComplete(const QString& localUrl,
                                                 const QString& remoteUrl) {
    const QString encoded = QUrl(localUrl).toString(QUrl::FullyEncoded);
    const auto entry = std::find_if(fileUrls_.begin(), fileUrls_.end(), [&](const QString& url) {
        return url == localUrl || QUrl(url).toString(QUrl::FullyEncoded) == encoded;
    });
    if (entry == fileUrls_.end()) {
        return;
    }
    *entry = remoteUrl;
    save();
}

bool ZVPendingShareMessage::ready() const {
    return std::all_of(fileUrls_.begin(), fileUrls_.end(),
                       [](const QString& url) { return url.startsWith(UploadReferencePrefix); });
}

QStringList ZVPendingShareMessage::localFileUrls() const {
    QStringList local;
    for (const QString& url : fileUrls_) {
        if (!url.startsWith(UploadReferencePrefix)) {
            local.append(url);
        }
    }
    return local;
}

QString ZVPendingShareMessage::description() const {
    return platform::format(u"<ZVPendingShareMessage %ld>", index_);
}
