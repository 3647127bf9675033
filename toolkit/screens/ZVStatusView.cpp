#include "toolkit/screens/ZVStatusView.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "platform/foundation/Format.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/screens/ZVStatusViewClient.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

namespace {

constexpr int kPercent = 100;

QString offlineText() {
    return QStringLiteral("No Internet connection");
}

}  // namespace

std::shared_ptr<ZVStatusView> ZVStatusView::make(
    const std::shared_ptr<platform::NavigationController>& superview,
    std::shared_ptr<ZVStatusViewClient> client) {
    auto view = std::make_shared<ZVStatusView>(Passkey{}, superview, std::move(client));
    // Showing inserts the bar into the navigation view, which needs it shared first.
    view->start();
    return view;
}

std::shared_ptr<ZVStatusView> ZVStatusView::make(
    const std::shared_ptr<platform::NavigationController>& superview) {
    return make(superview, ZVStatusViewClient::sharedApi());
}

ZVStatusView::ZVStatusView(Passkey,
                           const std::shared_ptr<platform::NavigationController>& superview,
                           std::shared_ptr<ZVStatusViewClient> client)
    : superview_(superview), client_(std::move(client)) {
    label_ = std::make_shared<platform::Label>();
    ZVTextStyles::styleLabel(*label_, kTextStyle);
    label_->setTextAlignment(platform::TextAlignment::Center);
    label_->setUserInteractionEnabled(false);
    addSubview(label_);
}

ZVStatusView::~ZVStatusView() = default;

void ZVStatusView::start() {
    updateStatusDelayed();
    connectionObservation_ = client_->observe(ZVApi::ConnectionStatusKey,
                                              [this](const QString&) { updateStatusDelayed(); });
    progressObservation_ = client_->observe(ZVApi::SyncProgressKey, [this](const QString&) {
        // Progress shows only in a bar that is out already.
        if (shown_) {
            updateStatus();
        }
    });
}

platform::TimeInterval ZVStatusView::now() const {
    return platform::Scheduler::main().now();
}

QString ZVStatusView::text() const {
    return label_->text();
}

void ZVStatusView::setText(const QString& text) {
    label_->setText(text);
}

void ZVStatusView::layoutSubviews() {
    label_->setFrame(bounds());
}

// --- the state machine ---

void ZVStatusView::updateStatusDelayed() {
    if (client_->connectionStatus() != ZVApi::ConnectionStatusOnline && !delayingUpdate_) {
        statusResetTime_ = now();
        delayingUpdate_ = true;
    }
    tryUpdateStatus();
}

void ZVStatusView::tryUpdateStatus() {
    const int state = client_->connectionStatus();
    if (state == ZVApi::ConnectionStatusOnline || state == ZVApi::ConnectionStatusError ||
        now() - statusResetTime_ > kDampingInterval) {
        updateStatus();
        return;
    }
    // The timer group holds the bar weakly: the chain ends with it.
    timers_.after(kRetryInterval, [this] { tryUpdateStatus(); });
}

void ZVStatusView::updateStatus() {
    if (client_->backgroundMode()) {
        return;
    }
    int state = client_->loginStatus() != ZVApi::LoginStatusSignedOut
                    ? client_->connectionStatus()
                    : static_cast<int>(ZVApi::ConnectionStatusOnline);
    // After "No Internet connection" the bar does not fall back to "Connecting".
    if (state == ZVApi::ConnectionStatusConnecting && status_ == ZVApi::ConnectionStatusOffline) {
        state = ZVApi::ConnectionStatusOffline;
    }
    const float progress = client_->syncProgress();
    const bool synchronising = progress > kProgressStarted && progress < kProgressFinished;
    if (!synchronising && state == status_) {
        delayingUpdate_ = false;
        return;
    }
    switch (state) {
        case ZVApi::ConnectionStatusOffline:
            setText(offlineText());
            showWithColor(ZVColors::orange());
            break;
        case ZVApi::ConnectionStatusConnecting:
            showWithMessage(synchronising ? platform::format(u"Synchronizing %ld%%",
                                                             static_cast<long>(progress * kPercent))
                                          : QStringLiteral("Connecting"));
            break;
        case ZVApi::ConnectionStatusOnline:
        case ZVApi::ConnectionStatusActivity:
            hide();
            break;
        case ZVApi::ConnectionStatusError:
            setText(QStringLiteral("Zelvo encountered an error"));
            showWithColor(ZVColors::orange());
            break;
        default:
            break;
    }
    status_ = state;
    delayingUpdate_ = false;
}

// --- showing and hiding ---

void ZVStatusView::showWithMessage(const QString& text) {
    setText(text);
    showProgress();
}

void ZVStatusView::showProgress() {
    showWithColor(colorWithName(QStringLiteral("statusbarBlue")));
}

void ZVStatusView::showWithColor(const platform::Color& color) {
    setBackgroundColor(platform::resolveColor(color));
    if (shown_) {
        return;
    }
    const auto navigation = superview_.lock();
    if (!navigation) {
        return;
    }
    shown_ = true;
    updateLocationShown(false);
    navigation->view()->insertSubviewBelow(shared_from_this(), &navigation->navigationBar());
    platform::ViewAnimation::animate(kAnimationDuration, [this] { updateLocationShown(true); });
}

void ZVStatusView::hide() {
    if (!shown_) {
        return;
    }
    shown_ = false;
    const std::weak_ptr<View> weakSelf = weak_from_this();
    platform::ViewAnimation::animate(
        kAnimationDuration, [this] { updateLocationShown(false); },
        [weakSelf](bool) {
            const auto self = std::static_pointer_cast<ZVStatusView>(weakSelf.lock());
            if (self && !self->shown_) {
                self->removeFromSuperview();
            }
        });
}

void ZVStatusView::hideAndUpdate() {
    shown_ = false;
    removeFromSuperview();
    notifyInsetChange();
    status_ = kNothingShown;
    statusResetTime_ = now();
    updateStatusDelayed();
}

void ZVStatusView::updateLocation() {
    updateLocationShown(shown_);
}

void ZVStatusView::updateLocationShown(bool shown) {
    if (const auto navigation = superview_.lock()) {
        const QRectF bar = navigation->navigationBar().frame();
        const qreal drop = shown ? bar.height() : bar.height() - kHeight;
        setFrame(QRectF(bar.x(), bar.y() + drop, bar.width(), kHeight));
    }
    notifyInsetChange();
}

void ZVStatusView::touchesEnded(const platform::TouchSet& touches,
                                const platform::TouchEvent& /*event*/) {
    // A finger that slid off the bar before lifting does not count as a tap.
    if (!touches.empty() && pointInside(touches.front()->locationInView(this), nullptr)) {
        statusButtonClicked();
    }
}
