#pragma once

#include "platform/foundation/Observable.h"
#include "platform/foundation/TextAttributes.h"
#include "platform/ui/view/View.h"

#include <QtCore/QLatin1StringView>

#include <memory>
#include <optional>
#include <vector>

class ZVVerticalMenuItem;

// A column of items with at most one selected. The selection follows the finger while it is
// down and is committed when it lifts, announced as a change of "selectedItemIndex" (announced
// only by hand: setting the index from code tells nobody). In toggle mode touching the selected
// item again deselects everything.
class ZVVerticalMenu : public platform::View, public platform::Observable {
public:
    static constexpr QLatin1StringView SelectedItemIndexKey{"selectedItemIndex"};
    static constexpr int kNotFound = -1;
    static constexpr qreal kDefaultItemHeight = 40;

    using Items = std::vector<std::shared_ptr<ZVVerticalMenuItem>>;

    explicit ZVVerticalMenu(int colorScheme);
    ~ZVVerticalMenu() override;

    int color() const { return color_; }

    // Gives the item the menu's scheme and row height, and shows it last.
    void addItem(const std::shared_ptr<ZVVerticalMenuItem>& item);
    void removeItem(const std::shared_ptr<ZVVerticalMenuItem>& item);
    void removeAllItems();
    const Items& items() const { return items_; }
    // Replaces the list alone: the subviews stay as they are.
    void setItems(Items items) { items_ = std::move(items); }

    qreal itemHeight() const { return itemHeight_; }
    void setItemHeight(qreal height);
    qreal topOffset() const { return topOffset_; }
    void setTopOffset(qreal offset);
    bool toggleItems() const { return toggleItems_; }
    void setToggleItems(bool toggle) { toggleItems_ = toggle; }
    const std::optional<platform::Color>& verticalSeparatorColor() const {
        return verticalSeparatorColor_;
    }
    void setVerticalSeparatorColor(std::optional<platform::Color> color);

    // The first selected item, kNotFound / null when none is.
    int selectedItemIndex() const;
    std::shared_ptr<ZVVerticalMenuItem> selectedItem() const;
    // Selects the item at `index` alone; an index outside the list deselects all.
    void setSelectedItemIndex(int index);

    // The first visible item whose frame holds `point` (menu coordinates), else kNotFound.
    int itemIndexAtPos(QPointF point) const;
    void selectItemByPos(QPointF point);

    bool selectionChanging() const { return selectionChanging_; }
    int initialSelection() const { return initialSelection_; }
    // Records the selection as it is, unless a change is already under way.
    void startSelectionChange();
    // Ends the change and restores the selection it started from.
    void cancelSelectionChange();
    // Ends the change, keeping the selection: for a gesture of the owner that committed it, so
    // that the next touch starts from what is selected then.
    void endSelectionChange() { selectionChanging_ = false; }

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesMoved(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    // A touch taken by a gesture leaves the change under way: the gesture's owner goes on with it
    // and ends it (endSelectionChange() or cancelSelectionChange()).
    void touchesCancelled(const platform::TouchSet& /*touches*/,
                          const platform::TouchEvent& /*event*/) override {}

private:
    int color_;
    qreal itemHeight_ = kDefaultItemHeight;
    qreal topOffset_ = 0;
    bool selectionChanging_ = false;
    int initialSelection_ = kNotFound;
    bool toggleItems_ = false;
    std::optional<platform::Color> verticalSeparatorColor_;
    Items items_;
};
