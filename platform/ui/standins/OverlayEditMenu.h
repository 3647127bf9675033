#pragma once

#include "platform/ui/standins/EditMenu.h"

namespace platform {

// The edit menu a user sees: a small dark bar of buttons laid over the window, above the target
// rectangle (below it when there is no room above). A button chooses its item.
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
    std::shared_ptr<View> bar_;
};

}  // namespace platform
