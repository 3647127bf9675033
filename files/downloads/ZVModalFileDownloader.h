#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"

#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>
#include <memory>

class File;
class ZVFileTransferTask;

namespace platform {
class View;
}

// Opens a tapped file: one already on the device at once, any other after downloading it into the
// account's cache ("Files/<last two of the hash>/<hash>/<name>"), with the progress in the
// connection status bar. One download runs at a time: a tap on another file cancels it, a tap on
// the same file leaves it running. Main thread only.
class ZVModalFileDownloader : public ZVFileTransferDelegate,
                              public std::enable_shared_from_this<ZVModalFileDownloader> {
public:
    using DocumentOpener = std::function<void(const QUrl& fileUrl, platform::View* anchor)>;

    static inline const QString kProgressFormat = QStringLiteral("Downloading %ld%%");
    static constexpr qsizetype kSha256Length = 64;
    // A name that would leave its folder, or none at all, is saved under this one.
    static inline const QString kFallbackName = QStringLiteral("file");

    ZVModalFileDownloader(QString sha256, std::weak_ptr<platform::View> anchorView);
    ~ZVModalFileDownloader() override;

    static void downloadFile(const std::shared_ptr<File>& file,
                             const std::shared_ptr<platform::View>& anchorView);
    // Cancels the running download (the user went to another screen).
    static void cancelDownloads();
    static std::shared_ptr<ZVModalFileDownloader> current();
    // Where the document viewer comes from; null goes back to the desktop's viewer.
    static void setDocumentOpener(DocumentOpener opener);
    // The cache path of a file, relative to the account's folder; always inside "Files/".
    static QString localPathForFile(const File& file);
    // The file's hash when it is one (64 hex digits), else empty.
    static QString validSha256(const QString& sha256);

    const QString& sha256() const { return sha256_; }
    void cancel();

    void transferProgress(const std::shared_ptr<ZVFileTransferTask>& transfer,
                          float progress) override;
    void transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                        const ZVErrorPtr& error, const QByteArray& resumeData) override;
    void downloadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                           const QUrl& fileUrl) override;

private:
    void start(const File& file);
    void finish();
    static void open(const QUrl& fileUrl, platform::View* anchor);

    QString sha256_;
    std::weak_ptr<platform::View> anchorView_;
    std::shared_ptr<ZVFileTransferTask> task_;
};
