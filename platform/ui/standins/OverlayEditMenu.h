#pragma once

#include "platform/ui/gesture/GestureRecognizer.h"
#include "platform/ui/standins/EditMenu.h"

namespace platform {

// The edit menu a user sees: a small dark bar of buttons laid over the window, above the target
// rectangle (below it when there is no room above). A button chooses its item; a touch anywhere
// else in the window hides the menu and goes on to where it landed.
class OverlayEditMenu : public EditMenu {
public:
    static constexpr qreal kBarHeight = 36;
    static constexpr qreal kCornerRadius = 8;

    ~OverlayEditMenu() override;

    // The bar while shown (tests look at its place and tap its buttons).
    std::shared_ptr<View> bar() const { return bar_; }

protected:
    void showBar(const QList<EditMenuItem>& items, View& view, const QRectF& rect,
                 bool animated) override;
    void hideBar(bool animated) override;

private:
    void stopWatching();

    std::shared_ptr<View> bar_;
    // Sees every touch of the bar's window while the menu shows.
    std::shared_ptr<GestureRecognizer> watcher_;
    std::weak_ptr<View> watchedWindow_;
    // Counts the showings, so that a touch outside hides only the showing it fell on.
    int showing_ = 0;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace platform
