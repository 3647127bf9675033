#include "platform/ui/standins/OverlayAlertPresenter.h"

#include "platform/foundation/Scheduler.h"

#include "platform/ui/standins/WindowOverlay.h"
#include "platform/ui/view/Window.h"

namespace platform {

namespace {

const QColor kDimColor(0, 0, 0, 100);

// Covers the window under a card: keeps touches from the screens beneath, and cancels a popover
// when tapped outside its card.
class DimView : public View {
public:
    DimView(const QRectF& frame, std::weak_ptr<AlertController> alert)
        : View(frame), alert_(std::move(alert)) {}

    void setCard(std::weak_ptr<View> card) { card_ = std::move(card); }

    void touchesBegan(const TouchSet&, const TouchEvent&) override {}
    void touchesMoved(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet& touches, const TouchEvent&) override {
        const auto alert = alert_.lock();
        const auto card = card_.lock();
        if (!alert || !card || !alert->isPopover()) {
            return;
        }
        if (!card->frame().contains(touches.front()->locationInView(this))) {
            // Later, so that the touch is done before the popover leaves.
            Scheduler::main().post([alert] { alert->dismissFromOutside(); });
        }
    }
    void touchesCancelled(const TouchSet&, const TouchEvent&) override {}

private:
    std::weak_ptr<AlertController> alert_;
    std::weak_ptr<View> card_;
};

}  // namespace

OverlayAlertPresenter::~OverlayAlertPresenter() {
    for (const Shown& shown : shown_) {
        shown.dim->removeFromSuperview();
    }
}

std::shared_ptr<AlertCardView> OverlayAlertPresenter::cardFor(
    const std::shared_ptr<AlertController>& alert) const {
    for (const Shown& shown : shown_) {
        if (shown.alert.lock() == alert) {
            return shown.card;
        }
    }
    return nullptr;
}

void OverlayAlertPresenter::show(const std::shared_ptr<AlertController>& alert, View& window,
                                 bool animated, std::function<void()> shown) {
    const QRectF area = window.bounds();
    const qreal statusBar =
        window.asWindow() != nullptr ? window.asWindow()->profile().statusBarHeight : 0;
    auto dim = std::make_shared<DimView>(area, alert);
    qreal width = AlertCardView::kAlertWidth;
    if (alert->isPopover()) {
        width = AlertCardView::kPopoverWidth;
    } else if (alert->style() == AlertStyle::ActionSheet) {
        width = area.width() - 2 * kSheetInset;
    }
    auto card = std::make_shared<AlertCardView>(alert, width);
    const QSizeF size = card->frame().size();
    if (alert->isPopover()) {
        const auto source = alert->sourceView();
        const QRectF target = source ? source->convertRectTo(alert->sourceRect(), nullptr)
                                     : QRectF(area.center(), QSizeF(0, 0));
        card->setFrame(WindowOverlay::placeNear(size, target, area, statusBar));
    } else if (alert->style() == AlertStyle::ActionSheet) {
        card->setFrame({QPointF(kSheetInset, area.bottom() - kSheetInset - size.height()), size});
    } else {
        card->setFrame({area.center() - QPointF(size.width() / 2, size.height() / 2), size});
    }
    if (!alert->isPopover()) {
        dim->setBackgroundColor(kDimColor);
    }
    dim->addSubview(card);
    dim->setCard(card);
    shown_.push_back({alert, dim, card});
    WindowOverlay::show(dim, window, animated, std::move(shown));
    if (!card->fields().empty()) {
        card->fields().front()->becomeFirstResponder();
    }
}

void OverlayAlertPresenter::hide(const std::shared_ptr<AlertController>& alert, bool animated,
                                 std::function<void()> hidden) {
    for (auto it = shown_.begin(); it != shown_.end(); ++it) {
        if (it->alert.lock() == alert) {
            const auto dim = it->dim;
            shown_.erase(it);
            WindowOverlay::hide(dim, animated, std::move(hidden));
            return;
        }
    }
    if (hidden) {
        hidden();
    }
}

}  // namespace platform
