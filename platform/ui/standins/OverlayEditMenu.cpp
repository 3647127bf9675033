#include "platform/ui/standins/OverlayEditMenu.h"

#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/SheetButtons.h"
#include "platform/ui/standins/WindowOverlay.h"
#include "platform/ui/view/Window.h"

namespace platform {

namespace {

const QColor kBarColor(34, 34, 34, 240);
const QColor kTitleColor(Qt::white);
const EdgeInsets kButtonInsets{10, 12, 10, 12};

// Notices a touch that begins outside the bar, then fails at once, so that the touch goes on
// as if it were not there.
class OutsideTouchWatcher : public GestureRecognizer {
public:
    OutsideTouchWatcher(std::weak_ptr<View> bar, std::function<void()> outside)
        : bar_(std::move(bar)), outside_(std::move(outside)) {}

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override {
        GestureRecognizer::touchesBegan(touches, event);
        const auto bar = bar_.lock();
        if (bar && !bar->bounds().contains(touches.front()->locationInView(bar.get()))) {
            outside_();
        }
        setState(State::Failed);
    }

private:
    std::weak_ptr<View> bar_;
    std::function<void()> outside_;
};

}  // namespace

OverlayEditMenu::~OverlayEditMenu() {
    stopWatching();
    if (bar_) {
        bar_->removeFromSuperview();
    }
}

void OverlayEditMenu::stopWatching() {
    if (const auto window = watchedWindow_.lock(); window && watcher_) {
        window->removeGestureRecognizer(watcher_.get());
    }
    watcher_.reset();
    watchedWindow_.reset();
}

void OverlayEditMenu::showBar(const QList<EditMenuItem>& items, View& view, const QRectF& rect,
                              bool animated) {
    if (bar_) {
        bar_->removeFromSuperview();
    }
    Window* window = view.window();
    bar_ = View::make();
    bar_->setBackgroundColor(kBarColor);
    bar_->layer().setCornerRadius(kCornerRadius);
    bar_->setClipsToBounds(true);
    qreal x = 0;
    for (int i = 0; i < items.size(); ++i) {
        auto button = makeSheetButton(items.at(i).title, [this, i] { chooseItem(i); });
        button->setTitleColor(kTitleColor, Button::Normal);
        button->setContentEdgeInsets(kButtonInsets);
        const qreal width = button->sizeThatFits({}).width();
        button->setFrame({x, 0, width, kBarHeight});
        bar_->addSubview(button);
        x += width;
    }
    const QRectF target = view.convertRectTo(rect, nullptr);
    bar_->setFrame(WindowOverlay::placeNear({x, kBarHeight}, target, window->bounds(),
                                            window->profile().statusBarHeight));
    WindowOverlay::show(bar_, *window, animated);
    stopWatching();
    const int showing = ++showing_;
    watcher_ = std::make_shared<OutsideTouchWatcher>(
        bar_, [this, showing, alive = std::weak_ptr<int>(lifetime_)] {
            // After the touch has been delivered: what it touched may show the menu anew.
            Scheduler::main().post([this, showing, alive] {
                if (!alive.expired() && showing == showing_) {
                    setMenuVisible(false, true);
                }
            });
        });
    window->addGestureRecognizer(watcher_);
    watchedWindow_ = window->weak_from_this();
}

void OverlayEditMenu::hideBar(bool animated) {
    stopWatching();
    WindowOverlay::hide(std::exchange(bar_, nullptr), animated);
}

}  // namespace platform
