#pragma once

#include "platform/ui/standins/EditMenu.h"

#include <vector>

namespace platform {

// An edit menu that tests drive: it draws nothing and records each time it was shown, with the
// items and where. Never the one a user runs.
class FakeEditMenu : public EditMenu {
public:
    struct Showing {
        QList<EditMenuItem> items;
        std::weak_ptr<View> view;
        QRectF rect;
        bool animated = false;
    };

    const std::vector<Showing>& showings() const { return showings_; }
    int hideCount() const { return hideCount_; }
    // Chooses the shown item with `title`; false when none is shown.
    bool chooseTitle(const QString& title);

protected:
    void showBar(const QList<EditMenuItem>& items, View& view, const QRectF& rect,
                 bool animated) override;
    void hideBar(bool animated) override;

private:
    std::vector<Showing> showings_;
    int hideCount_ = 0;
};

}  // namespace platform
