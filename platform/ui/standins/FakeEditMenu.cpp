#include "platform/ui/standins/FakeEditMenu.h"

namespace platform {

bool FakeEditMenu::chooseTitle(const QString& title) {
    const QList<EditMenuItem>& items = shownItems();
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).title == title) {
            return chooseItem(i);
        }
    }
    return false;
}

void FakeEditMenu::showBar(const QList<EditMenuItem>& items, View& view, const QRectF& rect,
                           bool animated) {
    showings_.push_back({items, view.weak_from_this(), rect, animated});
}

void FakeEditMenu::hideBar(bool /*animated*/) {
    ++hideCount_;
}

}  // namespace platform
