#include "app/zelvo/ZVSmokeRun.h"

#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/shell/ZVControlSocket.h"
#include "app/shell/ZVGlobals.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
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
// A drawn bar shows its background and its title: at least this many colours.
constexpr int kMinimumBarColours = 2;

}  // namespace

ZVSmokeRun::ZVSmokeRun(ZVGlobals& globals, ZVControlSocket& control, QString imagePath,
                       std::function<void(int, const QString&)> done)
    : globals_(globals),
      control_(control),
      imagePath_(std::move(imagePath)),
      done_(std::move(done)) {
    timers_.every(kPollInterval, [this] { check(); });
    timers_.after(kTimeout, [this] {
        finish(1, pushed_ ? u"the tapped push did not reach the coordinator"_s
                          : u"no signed-in window with conversations in time"_s);
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
    QString message;
    if (!saveAndSampleWindow(&message)) {
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

bool ZVSmokeRun::saveAndSampleWindow(QString* message) {
    const auto& window = globals_.window();
    window->updateNow();
    const QImage image = window->render();
    if (!image.save(imagePath_, "PNG")) {
        *message = u"could not write "_s + imagePath_;
        return false;
    }
    const qreal scale = window->scale();
    const int top = int(window->profile().statusBarHeight * scale);
    const int bottom =
        std::min(image.height(), int(top + platform::NavigationBar::kHeight * scale));
    QSet<QRgb> colours;
    for (int y = top; y < bottom; y += kRowStep) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    if (colours.size() < kMinimumBarColours) {
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
