#include "platform/ui/standins/OverlayEditMenu.h"

#include "platform/ui/standins/SheetButtons.h"
#include "platform/ui/standins/WindowOverlay.h"
#include "platform/ui/view/Window.h"

namespace platform {

namespace {

const QColor kBarColor(34, 34, 34, 240);
const QColor kTitleColor(Qt::white);
const EdgeInsets kButtonInsets{10, 12, 10, 12};

}  // namespace

OverlayEditMenu::~OverlayEditMenu() {
    if (bar_) {
        bar_->removeFromSuperview();
    }
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
}

void OverlayEditMenu::hideBar(bool animated) {
    WindowOverlay::hide(std::exchange(bar_, nullptr), animated);
}

}  // namespace platform
