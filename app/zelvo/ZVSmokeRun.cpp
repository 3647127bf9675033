#include "app/zelvo/ZVSmokeRun.h"

#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/screen/ZVInboxViewController.h"
#include "app/shell/ZVControlSocket.h"
#include "app/shell/ZVGlobals.h"
#include "platform/ui/animation/AnimationDriver.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/style/ZVColorTable.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSet>
#include <QtGui/QImage>

using namespace Qt::StringLiterals;

namespace {

// Rows of the navigation bar sampled (every other one).
constexpr int kRowStep = 2;
// A drawn bar shows its background and its title, a drawn row or header its text on its
// background: at least this many colours.
constexpr int kMinimumDrawnColours = 2;

// The colours of the image within `rect` (points), every other pixel row.
QSet<QRgb> smokeColoursIn(const QImage& image, const QRectF& rect, qreal scale) {
    const QRect pixels =
        QRectF(rect.topLeft() * scale, rect.size() * scale).toRect() & image.rect();
    QSet<QRgb> colours;
    for (int y = pixels.top(); y <= pixels.bottom(); y += kRowStep) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours;
}

}  // namespace

ZVSmokeRun::ZVSmokeRun(ZVGlobals& globals, ZVControlSocket& control, QString imagePath,
                       std::function<void(int, const QString&)> done)
    : globals_(globals),
      control_(control),
      imagePath_(std::move(imagePath)),
      done_(std::move(done)) {
    timers_.every(kPollInterval, [this] { check(); });
    timers_.after(kTimeout, [this] {
        // What the window showed instead, for the person reading the failure.
        if (!pushed_ && globals_.window()) {
            globals_.window()->updateNow();
            globals_.window()->render().save(imagePath_, "PNG");
        }
        finish(1, pushed_ ? u"the tapped push did not reach the coordinator"_s
                          : u"no signed-in window listing conversations under a section header "
                            u"in time"_s);
    });
}

void ZVSmokeRun::check() {
    if (pushed_ || finished_) {
        return;
    }
    const auto& window = globals_.window();
    const auto& session = globals_.session();
    if (!globals_.isLoggedIn() || !window || !session ||
        window->rootViewController() != globals_.leftNavigationController() ||
        session->conversations().isEmpty()) {
        return;
    }
    window->updateNow();
    // Sampled once the list has settled: rows and headers slide and fade in as they arrive.
    if (platform::AnimationDriver::shared().activeCount() != 0) {
        return;
    }
    const std::optional<InboxRects> inbox = inboxRects();
    if (!inbox) {
        return;
    }
    QString message;
    if (!saveAndSampleWindow(*inbox, &message)) {
        finish(1, message);
        return;
    }
    const QString conversationId = session->conversations().begin().key();
    conversationObservation_ = globals_.observe(
        QString(ZVGlobals::kConversationIdKey), [this, conversationId](const QString&) {
            finish(0, u"signed-in window saved; a tapped push opened "_s + conversationId);
        });
    pushed_ = true;
    const QJsonObject payload{{u"aps"_s, QJsonObject{{u"badge"_s, 1}}},
                              {u"zelvo"_s, QJsonObject{{u"conversation_id"_s, conversationId}}}};
    control_.perform(u"push "_s +
                         QString::fromUtf8(QJsonDocument(payload).toJson(QJsonDocument::Compact)) +
                         u" --tapped"_s,
                     [](const QString&) {});
}

std::optional<ZVSmokeRun::InboxRects> ZVSmokeRun::inboxRects() const {
    ZVInboxScreen* screen = globals_.inboxViewController();
    const auto inbox =
        screen ? std::dynamic_pointer_cast<ZVInboxViewController>(screen->viewController())
               : nullptr;
    const auto table = inbox ? inbox->tableView() : nullptr;
    if (!table || !table->window()) {
        return std::nullopt;
    }
    const QRectF shown = table->convertRectTo(table->bounds(), nullptr);
    std::optional<QRectF> row;
    for (const auto& cell : table->visibleCells()) {
        if (!dynamic_cast<ZVInboxTableViewCell*>(cell.get()) || cell->isHidden()) {
            continue;
        }
        const QRectF rect = cell->convertRectTo(cell->bounds(), nullptr) & shown;
        if (!rect.isEmpty() && (!row || rect.top() < row->top())) {
            row = rect;
        }
    }
    for (int section = 0; row && section < table->numberOfSections(); ++section) {
        const auto header = table->headerViewForSection(section);
        if (!header || header->isHidden() || header->superview() == nullptr) {
            continue;
        }
        const QRectF rect = header->convertRectTo(header->bounds(), nullptr) & shown;
        if (!rect.isEmpty()) {
            return InboxRects{*row, rect};
        }
    }
    return std::nullopt;
}

bool ZVSmokeRun::saveAndSampleWindow(const InboxRects& inbox, QString* message) {
    const auto& window = globals_.window();
    const QImage image = window->render();
    if (!image.save(imagePath_, "PNG")) {
        *message = u"could not write "_s + imagePath_;
        return false;
    }
    const qreal scale = window->scale();
    const int top = int(window->profile().statusBarHeight * scale);
    const int bottom =
        std::min(image.height(), int(top + platform::NavigationBar::kHeight * scale));
    const QRectF bar(0, window->profile().statusBarHeight, image.width() / scale,
                     platform::NavigationBar::kHeight);
    if (smokeColoursIn(image, bar, scale).size() < kMinimumDrawnColours) {
        *message = u"the navigation bar was not drawn"_s;
        return false;
    }
    // The bar's right end holds no item: it shows the application's bar colour.
    const QColor expected = platform::resolveColor(
        ZVColorTable::colorWithName(QString(ZVGlobals::kNavigationBarColor)));
    const QColor shown = image.pixelColor(image.width() - 1, (top + bottom) / 2);
    if (shown.rgb() != expected.rgb()) {
        *message = u"the navigation bar shows %1, not %2"_s.arg(shown.name(), expected.name());
        return false;
    }
    if (smokeColoursIn(image, inbox.row, scale).size() < kMinimumDrawnColours) {
        *message = u"the first conversation row was not drawn"_s;
        return false;
    }
    if (smokeColoursIn(image, inbox.header, scale).size() < kMinimumDrawnColours) {
        *message = u"the section header was not drawn"_s;
        return false;
    }
    return true;
}

void ZVSmokeRun::finish(int status, const QString& message) {
    if (finished_) {
        return;
    }
    finished_ = true;
    timers_.cancelAll();
    done_(status, message);
}
