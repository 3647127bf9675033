#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonObject>
#include <QtCore/QUrl>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kConversationId;
using zvrecord::kFileUrl;
using zvrecord::kMessages;
using zvrecord::kThumbUrls;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kFiles = u"files"_s;
// Beside the accounts' folders: the local files of unsent messages while their account's folder
// is replaced.
const QString kKeptFilesFolder = u"UnsentFiles"_s;

}  // namespace

QString ZVRepositorySession::keptFilesFolder() const {
    // Without an id the folder would be every account's.
    const QString caches = platform::Paths::cachesDirectory();
    return caches.isEmpty() || sessionId().isEmpty()
               ? QString()
               : caches + u'/' + kKeptFilesFolder + u'/' + sessionId();
}

QJsonObject ZVRepositorySession::keepFilesAside(QJsonObject work) const {
    QJsonArray messages = work.value(kMessages).toArray();
    for (qsizetype m = 0; m < messages.size(); ++m) {
        QJsonObject message = messages[m].toObject();
        QJsonArray files = message.value(kFiles).toArray();
        if (files.isEmpty()) {
            continue;
        }
        for (qsizetype f = 0; f < files.size(); ++f) {
            QJsonObject file = files[f].toObject();
            const QUrl url(file.value(kFileUrl).toString());
            if (!url.isLocalFile()) {
                continue;
            }
            // A copy: until the store goes, its rows still name the original.
            const QString copy = keptFilesFolder() + u'/' + QFileInfo(url.toLocalFile()).fileName();
            QString reason;
            if (!platform::makeOwnerOnlyFolder(keptFilesFolder()) ||
                !(QFile::exists(copy) ||
                  platform::copyOwnerOnly(url.toLocalFile(), copy, &reason))) {
                ZVLogError(u"KeepUnsentWork: %@ => %@", url.toLocalFile(), reason);
                continue;
            }
            const QString keptUrl = QUrl::fromLocalFile(copy).toString();
            file.insert(kFileUrl, keptUrl);
            file.insert(kThumbUrls,
                        file.value(kThumbUrls).toString().replace(url.toString(), keptUrl));
            files[f] = file;
        }
        message.insert(kFiles, files);
        messages[m] = message;
    }
    work.insert(kMessages, messages);
    return work;
}

void ZVRepositorySession::keepUnsentWorkAside() {
    // Work an earlier resynchronisation kept and not yet put back stays kept.
    QJsonArray kept = unsentWork_;
    for (const auto& conversation : std::as_const(conversations_)) {
        if (const QJsonObject work = conversation->unsentWork(); !work.isEmpty()) {
            kept.append(keepFilesAside(work));
        }
    }
    if (kept.isEmpty()) {
        return;
    }
    setArray(kept, QString(kUnsentWorkSetting));
    // On disk before the store goes: a process ending in between loses nothing.
    platform::UserDefaults::standard()->synchronize();
}

void ZVRepositorySession::restoreUnsentWork() {
    if (unsentWork_.isEmpty()) {
        return;
    }
    QJsonArray left;
    QList<std::shared_ptr<Conversation>> restored;
    for (const QJsonValue& value : std::as_const(unsentWork_)) {
        const QJsonObject work = value.toObject();
        const auto conversation = conversations_.value(work.value(kConversationId).toString());
        if (!conversation) {
            left.append(work);
            continue;
        }
        conversation->restoreUnsentWork(work);
        restored.append(conversation);
    }
    if (restored.isEmpty()) {
        return;
    }
    // The store holds the work before the kept copy goes; a failed save keeps it for the next
    // answer, which puts back only what is still missing.
    saveContext();
    if (lastSaveFailed_) {
        return;
    }
    unsentWork_ = left;
    setArray(left.isEmpty() ? std::nullopt : std::optional<QJsonArray>(left),
             QString(kUnsentWorkSetting));
    platform::UserDefaults::standard()->synchronize();
    if (left.isEmpty()) {
        removeKeptFiles();
    }
    // Before the first answer the account's first synchronisation sends them.
    if (sentAfterFirstAnswer_) {
        for (const auto& conversation : restored) {
            if (const auto queue = conversation->messageQueue(false)) {
                queue->attemptSend();
            }
        }
    }
}

void ZVRepositorySession::removeKeptFiles() const {
    if (const QString folder = keptFilesFolder(); !folder.isEmpty()) {
        QDir(folder).removeRecursively();
    }
}
