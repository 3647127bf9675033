#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/menus/ZVVerticalMenu.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

using platform::ChangePhase;
using platform::TouchPhase;

namespace {

constexpr qreal kWidth = 200;

// A menu of `count` items in a window, with every announcement of the selection recorded as the
// index the menu had at will-change and at did-change.
struct MenuScreen {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<ZVVerticalMenu> menu = std::make_shared<ZVVerticalMenu>(3);
    std::vector<std::pair<int, int>> announced;
    int willIndex = ZVVerticalMenu::kNotFound;
    platform::Observation token;

    explicit MenuScreen(int count = 3) {
        menu->setFrame(QRectF(0, 0, kWidth, 400));
        menu->setItemHeight(45);
        for (int k = 0; k < count; ++k) {
            auto item = std::make_shared<ZVVerticalMenuItem>();
            item->setTitle(QStringLiteral("Item %1").arg(k));
            menu->addItem(item);
        }
        window->addSubview(menu);
        menu->layoutIfNeeded();
        token = menu->observe(ZVVerticalMenu::SelectedItemIndexKey,
                              [this](const QString&, ChangePhase phase) {
                                  if (phase == ChangePhase::WillChange) {
                                      willIndex = menu->selectedItemIndex();
                                  } else {
                                      announced.emplace_back(willIndex, menu->selectedItemIndex());
                                  }
                              });
    }
    QPointF rowCentre(int index) const { return menu->items()[index]->frame().center(); }
    void touch(TouchPhase phase, QPointF at) { window->sendTouch(1, phase, at); }
    void tap(QPointF at) {
        touch(TouchPhase::Began, at);
        touch(TouchPhase::Ended, at);
    }
};

}  // namespace

TEST(VerticalMenu, StacksVisibleRowsBelowTheTopOffsetAndGivesTheLastOneMore) {
    MenuScreen s(4);
    s.menu->setTopOffset(20);
    s.menu->items()[3]->setExpanded(true);
    s.menu->items()[3]->setExpandedHeight(80);
    s.menu->layoutIfNeeded();
    struct {
        qreal y;
        qreal height;
        bool last;
    } const rows[] = {{20, 45, false}, {65, 45, false}, {110, 45, false}, {155, 81, true}};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(s.menu->items()[k]->frame(), QRectF(0, rows[k].y, kWidth, rows[k].height)) << k;
        EXPECT_EQ(s.menu->items()[k]->isLast(), rows[k].last) << k;
        EXPECT_EQ(s.menu->items()[k]->normalHeight(), 45) << k;
    }

    // A hidden row takes no room and keeps its old frame; the rows below move up.
    s.menu->items()[1]->setHidden(true);
    s.menu->setNeedsLayout();
    s.menu->layoutIfNeeded();
    EXPECT_EQ(s.menu->items()[1]->frame(), QRectF(0, 65, kWidth, 45));
    EXPECT_EQ(s.menu->items()[2]->frame(), QRectF(0, 65, kWidth, 45));
    EXPECT_EQ(s.menu->items()[3]->frame(), QRectF(0, 110, kWidth, 81));

    // Where the hidden row's frame and a shown one's overlap, the shown one is hit.
    EXPECT_EQ(s.menu->itemIndexAtPos(QPointF(10, 70)), 2);
    s.tap(QPointF(10, 70));
    EXPECT_EQ(s.menu->selectedItemIndex(), 2);
    EXPECT_FALSE(s.menu->items()[1]->isSelected());

    // The height applies at once.
    s.menu->setItemHeight(30);
    EXPECT_EQ(s.menu->items()[2]->frame(), QRectF(0, 50, kWidth, 30));
}

TEST(VerticalMenu, RowEdgesBelongToTheRowBelow) {
    MenuScreen s;
    struct {
        qreal y;
        int index;
    } const cases[] = {{0, 0}, {44.9, 0}, {45, 1}, {90, 2}, {135.9, 2}, {136, -1}, {-1, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(s.menu->itemIndexAtPos(QPointF(10, c.y)), c.index) << c.y;
    }
    EXPECT_EQ(s.menu->itemIndexAtPos(QPointF(kWidth, 10)), ZVVerticalMenu::kNotFound);
}

TEST(VerticalMenu, SelectionFollowsTheFingerAndIsAnnouncedOnceOnLift) {
    MenuScreen s;
    s.menu->setSelectedItemIndex(0);
    EXPECT_TRUE(s.announced.empty()) << "setting the index from code tells nobody";

    s.touch(TouchPhase::Began, s.rowCentre(1));
    EXPECT_EQ(s.menu->selectedItemIndex(), 1);
    EXPECT_TRUE(s.menu->selectionChanging());
    EXPECT_EQ(s.menu->initialSelection(), 0);
    s.touch(TouchPhase::Moved, s.rowCentre(2));
    EXPECT_EQ(s.menu->selectedItemIndex(), 2);
    s.touch(TouchPhase::Moved, QPointF(10, 300));
    EXPECT_EQ(s.menu->selectedItemIndex(), 2) << "between rows the last one stays selected";
    EXPECT_TRUE(s.announced.empty());

    s.touch(TouchPhase::Ended, s.rowCentre(2));
    ASSERT_EQ(s.announced.size(), 1u);
    EXPECT_EQ(s.announced[0], std::make_pair(2, 2));
    EXPECT_FALSE(s.menu->selectionChanging());
    EXPECT_EQ(s.menu->selectedItem(), s.menu->items()[2]);

    // A lift outside every row deselects and is still announced.
    s.touch(TouchPhase::Began, s.rowCentre(0));
    s.touch(TouchPhase::Ended, QPointF(10, 300));
    ASSERT_EQ(s.announced.size(), 2u);
    EXPECT_EQ(s.announced[1], std::make_pair(0, ZVVerticalMenu::kNotFound));
    EXPECT_EQ(s.menu->selectedItem(), nullptr);
}

TEST(VerticalMenu, ToggleModeDeselectsTheRowSelectedWhenTheTouchBegan) {
    struct {
        bool toggle;
        int selected;
        int tapped;
        int result;
    } const cases[] = {
        {true, 1, 1, ZVVerticalMenu::kNotFound},
        {true, 1, 2, 2},
        {true, ZVVerticalMenu::kNotFound, 0, 0},
        {false, 1, 1, 1},
    };
    for (const auto& c : cases) {
        MenuScreen s;
        s.menu->setToggleItems(c.toggle);
        s.menu->setSelectedItemIndex(c.selected);
        s.tap(s.rowCentre(c.tapped));
        EXPECT_EQ(s.menu->selectedItemIndex(), c.result)
            << c.toggle << " " << c.selected << " " << c.tapped;
        EXPECT_EQ(s.announced.size(), 1u);
    }
}

TEST(VerticalMenu, AnEndedChangeLetsTheNextTouchRecordAFreshInitialSelection) {
    // An owner's gesture drives the selection and commits it itself (a pan that took the touch
    // from the menu): the next touch must compare with what is selected then.
    MenuScreen s;
    s.menu->setToggleItems(true);
    s.menu->setSelectedItemIndex(0);
    s.menu->startSelectionChange();
    s.menu->selectItemByPos(s.rowCentre(2));
    s.menu->endSelectionChange();
    EXPECT_EQ(s.menu->selectedItemIndex(), 2);

    s.tap(s.rowCentre(2));
    EXPECT_EQ(s.menu->selectedItemIndex(), ZVVerticalMenu::kNotFound)
        << "a tap on the selected row toggles it off";

    // A cancelled change puts the selection back and ends too.
    s.menu->setSelectedItemIndex(1);
    s.menu->startSelectionChange();
    s.menu->startSelectionChange();
    s.menu->selectItemByPos(s.rowCentre(0));
    s.menu->cancelSelectionChange();
    EXPECT_EQ(s.menu->selectedItemIndex(), 1);
    EXPECT_FALSE(s.menu->selectionChanging());
    s.menu->selectItemByPos(QPointF(10, 300));
    EXPECT_EQ(s.menu->selectedItemIndex(), 1) << "a position off the rows selects nothing";
}

TEST(VerticalMenu, ItemsTakeTheirMenusSchemeColours) {
    const auto white = [](double w) { return platform::resolveColor(colorWithWhite(w)); };
    const auto named = [](const char* name) {
        return platform::resolveColor(colorWithName(QString::fromLatin1(name)));
    };
    struct {
        int scheme;
        QColor background;
        QColor selected;
        QColor title;
    } const cases[] = {
        {1, platform::resolveColor(ZVColors::background()), white(0.871), QColor(Qt::black)},
        {2, white(0.75), white(0.85), QColor(Qt::black)},
        {3, named("menuBackground"), named("slideInMenuSelection"), QColor(Qt::white)},
    };
    for (const auto& c : cases) {
        ZVVerticalMenu menu(c.scheme);
        auto item = std::make_shared<ZVVerticalMenuItem>();
        EXPECT_EQ(item->color(), 2) << "a new item has scheme 2";
        item->setTitle(QStringLiteral("Inbox"));
        menu.addItem(item);
        EXPECT_EQ(menu.backgroundColor(), c.background) << c.scheme;
        EXPECT_EQ(item->color(), c.scheme);
        EXPECT_EQ(item->backgroundColor(), c.background) << c.scheme;
        EXPECT_EQ(item->titleLabel()->backgroundColor(), c.background) << c.scheme;
        EXPECT_EQ(item->titleLabel()->textColor(), c.title) << c.scheme;
        menu.setSelectedItemIndex(0);
        EXPECT_EQ(item->backgroundColor(), c.selected) << c.scheme;
        EXPECT_EQ(item->titleLabel()->backgroundColor(), c.selected) << c.scheme;
        EXPECT_EQ(ZVVerticalMenuItem::colors(c.scheme).size(), 5u);
    }
    for (const char* name : {"menuBackground", "slideInMenuSelection", "menuSeparator"}) {
        EXPECT_NE(colorWithName(QString::fromLatin1(name)), ZVColorTable::kUnknownColor) << name;
    }

    ZVVerticalMenu none(7);
    auto item = std::make_shared<ZVVerticalMenuItem>();
    none.addItem(item);
    EXPECT_TRUE(ZVVerticalMenuItem::colors(7).empty());
    EXPECT_FALSE(item->backgroundColor().isValid());
    EXPECT_FALSE(none.backgroundColor().isValid());
    none.setSelectedItemIndex(0);
    EXPECT_FALSE(item->backgroundColor().isValid());
}

TEST(VerticalMenu, ItemTitleAndIconComeAndGo) {
    auto item = std::make_shared<ZVVerticalMenuItem>();
    item->setFrame(QRectF(0, 0, kWidth, 45));
    EXPECT_TRUE(item->title().isNull());
    item->setTitle(QStringLiteral("Files"));
    ASSERT_NE(item->titleLabel(), nullptr);
    EXPECT_EQ(item->title(), QStringLiteral("Files"));
    item->setIconId(QStringLiteral("search"));
    ASSERT_NE(item->icon(), nullptr);
    EXPECT_FALSE(item->icon()->image().isNull());
    item->layoutIfNeeded();
    const QRectF content(20, 5, kWidth - 40, 35);
    EXPECT_TRUE(content.contains(item->icon()->frame()));
    EXPECT_LT(item->icon()->frame().right(), item->titleLabel()->frame().left());
    EXPECT_DOUBLE_EQ(item->titleLabel()->frame().right(), content.right())
        << "the title takes the rest of the row";
    EXPECT_DOUBLE_EQ(item->icon()->center().y(), content.center().y());

    // Selection recolours a plain title; a bold one keeps its style's colour.
    const QColor styleColor = platform::resolveColor(ZVTextStyles::colorForStyle(27));
    item->setColor(1);
    item->setTitleIsBold(true);
    EXPECT_EQ(item->titleLabel()->textColor(), styleColor);
    item->setSelected(true);
    EXPECT_EQ(item->titleLabel()->textColor(), styleColor);
    EXPECT_EQ(item->titleLabel()->font(), ZVTextStyles::fontForStyle(27));
    item->setTitleIsBold(false);
    EXPECT_EQ(item->titleLabel()->font(), ZVTextStyles::fontForStyle(0));
    EXPECT_EQ(item->icon()->superview(), item.get()) << "the icon is there after a selection";

    item->setTitle(QString());
    item->setIconId(QString());
    EXPECT_EQ(item->titleLabel(), nullptr);
    EXPECT_EQ(item->icon(), nullptr);
    EXPECT_TRUE(item->subviews().empty());
}

TEST(VerticalMenu, DrawsSeparatorsAndTheVerticalLine) {
    MenuScreen s(2);
    s.menu->setSelectedItemIndex(1);
    s.menu->setVerticalSeparatorColor(platform::Color{255, 0, 0, 255});
    s.menu->layoutIfNeeded();
    // At two pixels a point, the first pixel of a one-point line centred on an edge is all line.
    const QImage shot = s.menu->snapshot(2);
    const auto scheme = [](int index) {
        return platform::resolveColor(ZVVerticalMenuItem::colors(3)[index]);
    };
    EXPECT_EQ(shot.pixelColor(0, 2 * 20), QColor(Qt::red)) << "over the rows too";
    EXPECT_EQ(shot.pixelColor(0, 2 * 200), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(2 * 150, 0), scheme(ZVVerticalMenuItem::kSeparator))
        << "an unselected row's top line";
    EXPECT_EQ(shot.pixelColor(2 * 150, 2 * 45), scheme(ZVVerticalMenuItem::kSelectedBackground))
        << "a selected row has no top line";
    EXPECT_EQ(shot.pixelColor(2 * 150, 2 * 91 - 1), scheme(ZVVerticalMenuItem::kSeparator))
        << "the last row's bottom line shows in its extra point";
    EXPECT_EQ(shot.pixelColor(2 * 150, 2 * 20), scheme(ZVVerticalMenuItem::kBackground));
}
