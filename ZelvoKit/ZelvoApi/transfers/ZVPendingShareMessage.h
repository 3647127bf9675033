#pragma once

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace platform {
class UserDefaults;
}

// A share that the share extension left for the application: a text and files for a
// conversation of an account, kept in the application group's defaults under keys numbered by
// the share's index, its files in the folder "<index>" of the group's container. Each file entry
// is the file's URL until its upload is done, then the service's upload reference.
//
// The record's form is shared with the extension, which writes it. Main thread only.
class ZVPendingShareMessage {
public:
    // The form of an upload reference.
    static constexpr QLatin1StringView UploadReferencePrefix{"zelvo-upload:"};

    // The stored share of `index`; null when its account or conversation is missing or empty.
    // File entries that are neither upload references nor files of the share's own folder are
    // left out.
    static std::shared_ptr<ZVPendingShareMessage> withIndex(qint64 index);
    ZVPendingShareMessage(QString sessionId, QString conversationId, QString message,
                          QStringList fileUrls, qint64 index);

    // The indexes of the shares stored now, in ascending order.
    static std::vector<qint64> storedIndexes();
    // The application group's defaults and container, which the extension shares.
    static QString applicationGroupIdentifier();
    static std::shared_ptr<platform::UserDefaults> groupDefaults();
    // The share's folder in the group's container; null without a container.
    static QString folderPath(qint64 index);

    // Writes the record (a null message removes its key) and synchronises the defaults.
    void save() const;
    // Removes the record and the share's folder.
    void deleteLocalData() const;
    // The upload of the file at `localUrl` is done: its entry becomes `remoteUrl`, and the record
    // is saved, so that a later run finds the reference. The file itself stays until the share
    // is posted.
    void reportUploadComplete(const QString& localUrl, const QString& remoteUrl);
    // Every entry is an upload reference (a share without files is ready at once).
    bool ready() const;
    // The entries that still name local files.
    QStringList localFileUrls() const;

    const QString& sessionId() const { return sessionId_; }
    const QString& conversationId() const { return conversationId_; }
    // Null when there is no text.
    const QString& message() const { return message_; }
    const QStringList& fileUrls() const { return fileUrls_; }
    qint64 index() const { return index_; }

    // "<ZVPendingShareMessage %ld>" with the index.
    QString description() const;

private:
    // Whether `fileUrl` names a file directly inside the share's folder.
    bool isOwnFile(const QString& fileUrl) const;

    QString sessionId_;
    QString conversationId_;
    QString message_;
    QStringList fileUrls_;
    qint64 index_ = 0;
};
