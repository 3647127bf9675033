#include "files/downloads/ZVModalFileDownloader.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferTask.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/File.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Format.h"
#include "platform/ui/standins/DocumentViewer.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/screens/ZVStatusView.h"

#include <QtCore/QCryptographicHash>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<ZVModalFileDownloader>& currentDownloader() {
    static std::shared_ptr<ZVModalFileDownloader> downloader;
    return downloader;
}

ZVModalFileDownloader::DocumentOpener& documentOpener() {
    static ZVModalFileDownloader::DocumentOpener opener;
    return opener;
}

ZVStatusView* statusView() {
    ZVGlobals* globals = ZVGlobals::globals();
    return globals ? globals->statusView().get() : nullptr;
}

// One path component that cannot climb out of its folder.
QString safeName(QString name) {
    name.remove(u'/');
    name.remove(u'\\');
    name.remove(QChar(0));
    if (name.isEmpty() || name == u"."_s || name == u".."_s) {
        return ZVModalFileDownloader::kFallbackName;
    }
    return name;
}

}  // namespace

ZVModalFileDownloader::ZVModalFileDownloader(QString sha256,
                                             std::weak_ptr<platform::View> anchorView)
    : sha256_(std::move(sha256)), anchorView_(std::move(anchorView)) {}

ZVModalFileDownloader::~ZVModalFileDownloader() = default;

std::shared_ptr<ZVModalFileDownloader> ZVModalFileDownloader::current() {
    return currentDownloader();
}

void ZVModalFileDownloader::setDocumentOpener(DocumentOpener opener) {
    documentOpener() = std::move(opener);
}

QString ZVModalFileDownloader::validSha256(const QString& sha256) {
    if (sha256.size() != kSha256Length) {
        return {};
    }
    for (const QChar c : sha256) {
        if (!c.isDigit() && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F')) {
            return {};
        }
    }
    return sha256;
}

QString ZVModalFileDownloader::localPathForFile(const File& file) {
    QString folder = validSha256(file.fileSha256());
    if (folder.isEmpty()) {
        // A hash the service did not give, or one that is no hash, must not name a folder.
        folder = QString::fromLatin1(
            QCryptographicHash::hash(file.fileUrl().toUtf8(), QCryptographicHash::Sha256).toHex());
    }
    return u"Files/%1/%2/%3"_s.arg(folder.right(2), folder, safeName(file.fileName()));
}

void ZVModalFileDownloader::downloadFile(const std::shared_ptr<File>& file,
                                         const std::shared_ptr<platform::View>& anchorView) {
    if (!file) {
        return;
    }
    const QString sha = validSha256(file->fileSha256());
    auto& running = currentDownloader();
    if (running && !sha.isEmpty() && running->sha256() == sha) {
        return;
    }
    if (running) {
        const auto cancelled = std::exchange(running, nullptr);
        cancelled->cancel();
    }
    const QString url = file->fileUrl();
    if (url.startsWith(u"zelvo-upload:"_s)) {
        return;
    }
    if (url.startsWith(u"file:"_s) || url.startsWith(u"assets-library:"_s)) {
        open(QUrl(url), anchorView.get());
        return;
    }
    // Current before the transfer starts: a file already on disk completes at once.
    running = std::make_shared<ZVModalFileDownloader>(sha, anchorView);
    const auto downloader = running;
    downloader->start(*file);
}

void ZVModalFileDownloader::start(const File& file) {
    const auto& transfers = ZVApi::api().fileTransfers();
    if (!transfers) {
        finish();
        return;
    }
    task_ = transfers->downloadWithUrl(file.fileUrl(), localPathForFile(file), file.session(),
                                       shared_from_this());
}

void ZVModalFileDownloader::cancel() {
    if (task_) {
        task_->cancelForDelegate(this);
        task_.reset();
    }
    // No failure follows a cancel: the progress message goes now.
    if (ZVStatusView* status = statusView()) {
        status->hideAndUpdate();
    }
}

void ZVModalFileDownloader::cancelDownloads() {
    if (const auto running = std::exchange(currentDownloader(), nullptr)) {
        running->cancel();
    }
}

void ZVModalFileDownloader::finish() {
    if (currentDownloader().get() == this) {
        currentDownloader().reset();
    }
    task_.reset();
    if (ZVStatusView* status = statusView()) {
        status->hideAndUpdate();
    }
}

void ZVModalFileDownloader::transferProgress(const std::shared_ptr<ZVFileTransferTask>& /*t*/,
                                             float progress) {
    if (ZVStatusView* status = statusView()) {
        const long percent = static_cast<long>(std::floor(double(progress) * 100));
        status->showWithMessage(platform::format(kProgressFormat, percent));
    }
}

void ZVModalFileDownloader::transferFailed(const std::shared_ptr<ZVFileTransferTask>& /*t*/,
                                           const ZVErrorPtr& error,
                                           const QByteArray& /*resumeData*/) {
    const auto keep = shared_from_this();
    finish();
    if (error && !ZVError::isCancel(error)) {
        ZVAlertView::showError(*error);
    }
}

void ZVModalFileDownloader::downloadCompleted(const std::shared_ptr<ZVFileTransferTask>& /*t*/,
                                              const QUrl& fileUrl) {
    const auto keep = shared_from_this();
    finish();
    const auto anchor = anchorView_.lock();
    open(fileUrl, anchor.get());
}

void ZVModalFileDownloader::open(const QUrl& fileUrl, platform::View* anchor) {
    if (const auto& opener = documentOpener()) {
        opener(fileUrl, anchor);
        return;
    }
    // Held until the next file opens: the preview or menu it shows calls back into it.
    static std::shared_ptr<platform::DocumentViewer> viewer;
    viewer = platform::DocumentViewer::create(fileUrl);
    if (!viewer || !anchor) {
        return;
    }
    if (!viewer->presentPreview(*anchor, true)) {
        viewer->presentOptionsMenu(anchor->bounds(), *anchor, true);
    }
}
