#include "tests/MessageFlow/pages/side/SidePagesTestSupport.h"

#include "MessageFlow/pages/side/ZVConversationTableViewController.h"
#include "ZelvoKit/model/ZVConversationLoadRequest.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "toolkit/tables/ZVTableMessage.h"
#include "toolkit/tables/ZVTableViewCell.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <gtest/gtest.h>

namespace sidetest {
namespace {

// A side page of `rows` rows, `rowHeight` high, that counts its loads.
class ListPage : public ZVConversationTableViewController, public platform::TableViewDataSource {
public:
    using ZVConversationTableViewController::ZVConversationTableViewController;

    int rows = 0;
    qreal rowHeight = 44;
    bool more = false;
    QString moreText = u"There is more"_s;
    int loads = 0;

    void start() override {
        ZVConversationTableViewController::start();
        const auto self = std::static_pointer_cast<ListPage>(weakSelf().lock());
        table()->setDataSource(std::shared_ptr<platform::TableViewDataSource>(self, self.get()));
    }
    int tableViewNumberOfRowsInSection(platform::TableView&, int) override { return rows; }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath) override {
        if (auto cell = table.dequeueReusableCell(u"row"_s)) {
            return cell;
        }
        return platform::View::make<ZVTableViewCell>(ZVTableViewCell::Style::Default, u"row"_s);
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath) override {
        return rowHeight;
    }
    QStringList observeProps() const override { return {u"isLoading"_s}; }
    bool canLoadMore() const override { return more; }
    void loadMore() override { ++loads; }
    QString moreAvailableText() const override { return moreText; }
};

class SidePageBase : public SidePagesTest {
protected:
    void TearDown() override {
        page.reset();
        SidePagesTest::TearDown();
    }
    void open(int rows, qreal rowHeight, qreal height = kPhoneHeight) {
        page = ZVConversationTableViewController::create<ListPage>(conversation(), 3);
        page->rows = rows;
        page->rowHeight = rowHeight;
        show(*page, height);
        page->updateSource();
        window->updateNow();
    }
    qreal barHeight() const { return page->searchBar()->frame().height(); }

    std::shared_ptr<ListPage> page;
};

// The bar shows only with a search text, or when the top of a list taller than the table and of
// more than two rows shows; it is tucked just above the rows; edit mode hides it.
TEST_F(SidePageBase, TheSearchBarShowsOnlyWhenThereIsSomethingToSearch) {
    struct Case {
        const char* name;
        int rows;
        qreal rowHeight;
        QString search;
        bool editing;
        bool shown;
    };
    const Case cases[] = {
        {"two tall rows", 2, 400, {}, false, false},
        {"two tall rows, searched", 2, 400, u"plan"_s, false, true},
        {"a short list", 3, 100, {}, false, false},
        {"a long list", 20, 100, {}, false, true},
        {"a long list in edit mode", 20, 100, {}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.rows, c.rowHeight);
        if (!c.search.isEmpty()) {
            page->searchBar()->setText(c.search);
        }
        // The page places its bar a moment after it is made.
        scheduler().advance(ZVConversationTableViewController::kSearchBarDelay);
        if (c.editing) {
            page->setEditing(true, false);
        }
        EXPECT_EQ(page->searchBarShown(), c.shown);
        if (c.shown && !c.editing) {
            EXPECT_EQ(page->table()->contentOffset().y(), barHeight());
        }
        page.reset();
    }
}

// Rows that push a short list past the table's height bring the bar, tucked, once scrolling
// rests; leaving edit mode brings it back without moving the rows.
TEST_F(SidePageBase, TheBarComesWhenTheListGrowsAndReturnsAfterEditing) {
    open(3, 100);
    scheduler().advance(ZVConversationTableViewController::kSearchBarDelay);
    ASSERT_FALSE(page->searchBarShown());

    page->rows = 20;
    page->updateSource();
    page->scrollViewDidEndDecelerating(*page->table());
    EXPECT_TRUE(page->searchBarShown());
    EXPECT_EQ(page->table()->contentOffset().y(), barHeight());

    page->table()->setContentOffset(QPointF(0, 300));
    page->setEditing(true, false);
    EXPECT_FALSE(page->searchBarShown());
    // The rows stay where they were: the offset lost the bar's height.
    EXPECT_EQ(page->table()->contentOffset().y(), 300 - barHeight());
}

// Less than one more screen of rows below the visible one loads more: with 1000 points of rows
// in a 400-point table, not at 150 (1000 > 950) but at 200 (1000 <= 1000), and never for a page
// that cannot load more.
TEST_F(SidePageBase, MoreIsLoadedWithinOneScreenOfTheEnd) {
    open(10, 100, 400);
    page->more = true;
    // An empty footer adds no height.
    page->moreText = QString();
    page->updateSource();
    ASSERT_EQ(page->table()->contentSize().height(), 1000);

    page->table()->setContentOffset(QPointF(0, 150));
    page->loadMoreIfNeeded();
    EXPECT_EQ(page->loads, 0);
    page->table()->setContentOffset(QPointF(0, 200));
    page->loadMoreIfNeeded();
    EXPECT_EQ(page->loads, 1);

    page->more = false;
    page->scrollViewDidEndDragging(*page->table(), false);
    EXPECT_EQ(page->loads, 1);
}

// The footer says "Loading" while the conversation loads, then what more there is, or goes.
TEST_F(SidePageBase, TheFooterFollowsLoading) {
    struct Case {
        const char* name;
        bool loading;
        bool more;
        bool footer;
        QString text;
        bool activity;
    };
    const Case cases[] = {
        {"loading", true, false, true, u"Loading"_s, true},
        {"more to load", false, true, true, u"There is more"_s, false},
        {"nothing more", false, false, false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(5, 44);
        page->more = c.more;
        if (c.loading) {
            // The observed change brings the footer.
            conversation()->setLoadRequest(ZVConversationLoadRequest::Pins, 0);
            ASSERT_TRUE(settle([&] { return page->table()->tableFooterView() != nullptr; }));
        } else {
            page->updateLoadingStatus();
        }
        const auto& footer = page->table()->tableFooterView();
        EXPECT_EQ(footer != nullptr, c.footer);
        if (c.footer) {
            EXPECT_EQ(footer, page->statusText());
            EXPECT_EQ(page->statusText()->text(), c.text);
            EXPECT_EQ(page->statusText()->activity(), c.activity);
        }
        conversation()->clearLoadRequest();
        if (c.loading) {
            ASSERT_TRUE(settle([&] { return page->table()->tableFooterView() == nullptr; }));
            // A page that cannot load more has no footer once loading ends.
            EXPECT_EQ(page->table()->tableFooterView(), nullptr);
        }
        page.reset();
    }
}

}  // namespace
}  // namespace sidetest
