// File rows in a conversation: 500 one-line file rows whose thumbnails are on disk. First each
// row is made, bound and drawn while its picture decodes off the main thread, and the longest
// piece of main-thread work meanwhile is timed. Then the rows are taken from the view cache,
// bound and drawn offscreen again and again, beside raw QImageReader decoding and QPainter
// drawing of the same pictures, names and sizes. The goals are printed after the runs.
#include "GuiBenchmarkMain.h"
#include "ModelBench.h"
#include "TimeFigures.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "app/StartUp.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "files/views/ZVFileView.h"
#include "files/views/ZVThumbnailFileView.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/view/ViewRenderer.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QBuffer>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImageReader>
#include <QtGui/QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kFiles = 500;
constexpr double kRatioGoal = 2;
constexpr double kStallGoalMs = 8;
constexpr int kPictureSide = 100;
constexpr qreal kScale = 2;
constexpr int kLoadTimeoutMs = 60000;
const QString kConversationId = u"6e0a0000-0000-4000-8000-000000000001"_s;

QString sha(int index) {
    return u"%1"_s.arg(index, 64, 16, QChar(u'0'));
}

QByteArray pictureBytes(int index) {
    QImage image(kPictureSide, kPictureSide, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((index * 53) % 360, 150, 210));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QImage canvas() {
    QImage image(QSize(ZVThumbnailFileView::kWidth * kScale, ZVThumbnailFileView::kHeight * kScale),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kScale);
    return image;
}

void drawRow(const ZVFileView& view, QImage& image) {
    image.fill(Qt::transparent);
    QPainter painter(&image);
    platform::ViewRenderer::drawContents(view, painter);
}

// An account with 500 files of one conversation, their thumbnails downloaded already.
struct Account {
    QTemporaryDir root;
    std::shared_ptr<ZVRepositorySession> session;
    std::vector<std::shared_ptr<File>> files;
    std::vector<QString> thumbnailPaths;
    // The longest piece of main-thread work while the rows were first made and their pictures
    // decoded, in milliseconds.
    double longestStall = 0;

    Account() {
        platform::Paths::setRoot(root.path());
        session = modelbench::openSession(u"1c2b3a49-5867-4f1e-8d2c-3b4a59687766"_s,
                                          u"files@example.com"_s);
        if (!session) {
            return;
        }
        QJsonArray stream;
        for (int i = 0; i < kFiles; ++i) {
            stream.append(QJsonObject{{u"mk_rec_type"_s, u"file"_s},
                                      {u"conversation_id"_s, kConversationId},
                                      {u"message_nr"_s, i + 1},
                                      {u"attachment_id"_s, u"file"_s},
                                      {u"file_name"_s, u"Quarterly figures, part %1.pdf"_s.arg(i)},
                                      {u"file_size"_s, 120000 + i * 731},
                                      {u"file_sha256"_s, sha(i)},
                                      {u"width"_s, 800},
                                      {u"height"_s, 600},
                                      {u"thumb_url_100"_s, u"https://files.example/t/%1"_s.arg(i)},
                                      {u"file_url"_s, u"https://files.example/f/%1"_s.arg(i)}});
        }
        modelbench::storeStream(session, stream);
        ZVApi::api().ensureFileTransfers();
        const auto& thumbnails = ZVFileViewManager::thumbnailManager();
        for (int i = 0; i < kFiles; ++i) {
            auto file = session->fileFromConversation(kConversationId, i + 1, u"file"_s);
            if (!file || file->thumbnailUrl().isNull()) {
                return;
            }
            const QString local = thumbnails->localFileId(sha(i));
            ZVApi::api().fileTransfers()->createDownloadedFileWithLocalName(local, session,
                                                                            pictureBytes(i));
            thumbnailPaths.push_back(ZVApi::api()
                                         .fileTransfers()
                                         ->fileUrlWithLocalUrl(local, session->sessionId())
                                         .toLocalFile());
            files.push_back(std::move(file));
        }
        firstShow();
    }

    // What any screen has done before a conversation shows its files, and is no work of the
    // rows: text drawn in the rows' styles, a number formatted, an SVG icon (the back arrow) read.
    static void warmUpProcess() {
        QImage image = canvas();
        QPainter painter(&image);
        for (const int style :
             {ZVThumbnailFileView::kNameStyle, ZVThumbnailFileView::kDetailStyle}) {
            painter.setFont(ZVTextStyles::qfontForStyle(style));
            painter.drawText(QPointF(1, 20), u"Back 0123456789"_s);
        }
        benchmark::DoNotOptimize(ZVLocalization::formatFileSize(kPictureSide));
        benchmark::DoNotOptimize(platform::Images::named(u"icon-arrow-back"_s));
    }

    // Each row made and drawn while the pictures before it still decode; then the decoded
    // pictures come back to the main thread.
    void firstShow() {
        warmUpProcess();
        using Clock = std::chrono::steady_clock;
        QImage image = canvas();
        std::vector<std::shared_ptr<ZVFileView>> rows;
        for (const auto& file : files) {
            const auto start = Clock::now();
            auto row = ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews);
            row->layoutIfNeeded();
            drawRow(*row, image);
            longestStall = std::max(longestStall, milliseconds(Clock::now() - start));
            rows.push_back(std::move(row));
            stepMainThread();
        }
        const auto deadline = Clock::now() + std::chrono::milliseconds(kLoadTimeoutMs);
        while (!allLoaded(rows) && Clock::now() < deadline) {
            stepMainThread();
        }
    }

    void stepMainThread() {
        const auto start = std::chrono::steady_clock::now();
        platform::Scheduler::main().runPending();
        longestStall =
            std::max(longestStall, milliseconds(std::chrono::steady_clock::now() - start));
    }

    static bool allLoaded(const std::vector<std::shared_ptr<ZVFileView>>& rows) {
        return std::all_of(rows.begin(), rows.end(), [](const auto& row) {
            const auto thumbnail = std::static_pointer_cast<ZVThumbnailFileView>(row)->thumbnail();
            return thumbnail && !thumbnail->source()->loading() &&
                   !thumbnail->source()->image().isNull();
        });
    }

    bool ready() const {
        return session && files.size() == kFiles &&
               std::all_of(files.begin(), files.end(), [](const auto& file) {
                   const auto picture =
                       ZVFileViewManager::thumbnailManager()->imageWithLocalId(file->fileSha256());
                   return picture && !picture->image().isNull();
               });
    }
};

Account& account() {
    static Account* made = new Account();
    return *made;
}

void CachedFileRows(benchmark::State& state) {
    Account& stage = account();
    if (!stage.ready()) {
        state.SkipWithError("the thumbnails did not load");
        return;
    }
    QImage image = canvas();
    for (auto _ : state) {
        for (const auto& file : stage.files) {
            const auto row = ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews);
            row->layoutIfNeeded();
            drawRow(*row, image);
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void RawFileRows(benchmark::State& state) {
    Account& stage = account();
    if (!stage.ready()) {
        state.SkipWithError("the thumbnails did not load");
        return;
    }
    const QFont nameFont = ZVTextStyles::qfontForStyle(ZVThumbnailFileView::kNameStyle);
    const QFont sizeFont = ZVTextStyles::qfontForStyle(ZVThumbnailFileView::kDetailStyle);
    const QRectF bounds(0, 0, ZVThumbnailFileView::kWidth, ZVThumbnailFileView::kHeight);
    const QRectF picture(10, 12, ZVFileThumbnail::kThumbnailSize.width(),
                         ZVFileThumbnail::kThumbnailSize.height());
    QImage image = canvas();
    for (auto _ : state) {
        for (std::size_t i = 0; i < stage.files.size(); ++i) {
            const File& file = *stage.files[i];
            QImageReader reader(stage.thumbnailPaths[i]);
            const QImage decoded = reader.read();
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setPen(QColor(214, 216, 220));
            painter.setBrush(QColor(244, 245, 247));
            painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
            painter.drawImage(picture, decoded);
            painter.setPen(Qt::black);
            painter.setFont(nameFont);
            painter.drawText(
                QRectF(47, 10, 243, 25), Qt::AlignLeft | Qt::AlignVCenter,
                ZVFileView::truncateFileName(platform::AttributedString(file.fileName())).string());
            painter.setFont(sizeFont);
            painter.drawText(QRectF(47, 30, 243, 21), Qt::AlignLeft | Qt::AlignVCenter,
                             ZVLocalization::formatFileSize(file.fileSize()));
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

BENCHMARK(CachedFileRows)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawFileRows)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &ZVStartUpApp, [](const RatioReporter& reporter) {
        reporter.printRatio("CachedFileRows", "RawFileRows", kRatioGoal);
        std::printf(
            "Longest main-thread stall while %d thumbnails load, ms: %.2f (goal: at most "
            "%.0f)\n",
            kFiles, account().longestStall, kStallGoalMs);
        // Before the statics go: the caches' queues and the API client's transfers end first.
        ZVFileViewManager::clearCache();
        ZVApi::resetSharedApi();
    });
}
