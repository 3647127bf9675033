// Avatars in a list: one reused 40-pt avatar view shown for 1,000 contacts in turn (half with a
// picture already in the avatar cache, half with initials on their tint) and drawn each time into
// an 80 x 80 image, beside raw QPainter drawing of the same clipped picture or initials. The
// goal is printed after the runs.
#include "GuiBenchmarkMain.h"
#include "ModelBench.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/ViewRenderer.h"
#include "toolkit/StartUp.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarManager.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QBuffer>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QTemporaryDir>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kContacts = 1000;
constexpr double kGoal = 2;
constexpr qreal kSide = 40;
constexpr qreal kScale = 2;
constexpr int kPictureSide = 100;
constexpr qreal kTintAlpha = 0.1;
constexpr int kLoadTimeoutMs = 60000;

QString contactId(int index) {
    return u"5d1c0000-0000-4000-8000-%1"_s.arg(index, 12, 10, QChar(u'0'));
}

QString pictureUrl(int index) {
    return u"https://pictures.example/avatar/%1"_s.arg(index);
}

bool hasPicture(int index) {
    return index % 2 == 0;
}

QByteArray pictureBytes(int index) {
    QImage image(kPictureSide, kPictureSide, QImage::Format_ARGB32);
    image.fill(QColor::fromHsv((index * 37) % 360, 160, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// A signed-in account of 1,000 people whose pictures, where they have one, are in the cache.
struct Account {
    QTemporaryDir root;
    std::shared_ptr<ZVRepositorySession> session;
    std::vector<std::shared_ptr<Contact>> contacts;
    // Held so that the cache keeps them decoded.
    std::vector<std::shared_ptr<ZVCachedImage>> pictures;

    Account() {
        platform::Paths::setRoot(root.path());
        session = modelbench::openSession(u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s,
                                          u"bench@example.com"_s);
        if (!session) {
            return;
        }
        QJsonArray stream;
        for (int i = 0; i < kContacts; ++i) {
            QJsonObject record{{u"mk_rec_type"_s, u"contact"_s},
                               {u"account_id"_s, contactId(i)},
                               {u"display_name"_s, u"Person %1 Example"_s.arg(i)},
                               {u"email"_s, u"person%1@example.com"_s.arg(i)}};
            if (hasPicture(i)) {
                const QString url = pictureUrl(i);
                record.insert(
                    u"avatar_urls"_s,
                    QJsonObject{{u"size_50"_s, url}, {u"size_100"_s, url}, {u"size_700"_s, url}});
            }
            stream.append(record);
        }
        modelbench::storeStream(session, stream);

        ZVApi::api().ensureFileTransfers();
        ZVAvatarManager::createInstance();
        const auto manager = ZVAvatarManager::instance();
        ZVAvatarManager::addSession(session);
        const auto& cache = manager->cacheForSize(ZVAvatarManager::kMedium);
        for (int i = 0; i < kContacts; ++i) {
            contacts.push_back(session->contactFromId(contactId(i)));
            if (hasPicture(i)) {
                const QString localId = ZVAvatarManager::localIdForContactUrl(pictureUrl(i));
                ZVApi::api().fileTransfers()->createDownloadedFileWithLocalName(
                    cache->localFileId(localId), session, pictureBytes(i));
                pictures.push_back(
                    manager->avatarForContact(*contacts.back(), ZVAvatarManager::kMedium));
            }
        }
        platform::Scheduler::main().runUntil(
            [this] {
                return std::none_of(pictures.begin(), pictures.end(), [](const auto& picture) {
                    return !picture || picture->loading();
                });
            },
            kLoadTimeoutMs);
    }

    bool ready() const {
        return session && contacts.size() == kContacts &&
               std::all_of(pictures.begin(), pictures.end(), [](const auto& picture) {
                   return picture && !picture->image().isNull();
               });
    }
};

Account& account() {
    static Account* made = new Account();
    return *made;
}

QImage canvas() {
    QImage image(QSize(kSide * kScale, kSide * kScale), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kScale);
    return image;
}

void ReusedAvatarView(benchmark::State& state) {
    Account& stage = account();
    if (!stage.ready()) {
        state.SkipWithError("the account's pictures did not load");
        return;
    }
    auto view = std::make_shared<ZVAvatarView>();
    view->setSize(ZVAvatarManager::kMedium);
    QImage image = canvas();
    for (auto _ : state) {
        for (const auto& contact : stage.contacts) {
            view->setContact(contact);
            view->layoutIfNeeded();
            image.fill(Qt::transparent);
            QPainter painter(&image);
            platform::ViewRenderer::drawContents(*view, painter);
        }
    }
    state.SetItemsProcessed(state.iterations() * kContacts);
}

void RawAvatarDrawing(benchmark::State& state) {
    Account& stage = account();
    if (!stage.ready()) {
        state.SkipWithError("the account's pictures did not load");
        return;
    }
    const QFont font = ZVTextStyles::qfontForStyle(ZVAvatarView::kSmallLabelStyle);
    const QRectF bounds(0, 0, kSide, kSide);
    QImage image = canvas();
    std::size_t picture = 0;
    for (auto _ : state) {
        picture = 0;
        for (int i = 0; i < kContacts; ++i) {
            const auto& contact = stage.contacts[static_cast<std::size_t>(i)];
            image.fill(Qt::transparent);
            QPainter painter(&image);
            // The hints the view's drawing uses: a smoothly scaled picture, a hard-edged clip.
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            QPainterPath circle;
            circle.addEllipse(bounds);
            painter.setClipPath(circle);
            if (hasPicture(i)) {
                painter.drawImage(bounds, stage.pictures[picture++]->image());
            } else {
                QColor tint = platform::resolveColor(colorFromGUID(contact->accountId()));
                painter.fillRect(bounds, Qt::white);
                painter.setPen(tint);
                tint.setAlphaF(kTintAlpha);
                painter.fillRect(bounds, tint);
                painter.setFont(font);
                painter.drawText(bounds, Qt::AlignCenter, contact->initials());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kContacts);
}

BENCHMARK(ReusedAvatarView)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawAvatarDrawing)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &ZVStartUpToolkit, [](const RatioReporter& reporter) {
        reporter.printRatio("ReusedAvatarView", "RawAvatarDrawing", kGoal);
        // Before the statics go: the API client's transfers end with it.
        ZVAvatarManager::releaseInstance();
        ZVApi::resetSharedApi();
    });
}
