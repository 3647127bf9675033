#include "tests/MessageFlow/rows/RowsTestSupport.h"

#include "MessageFlow/views/ZVMessageView.h"

#include <gtest/gtest.h>

namespace rowstest {
namespace {

class RowAnchor : public RowsTest {
protected:
    // Where the message's text shows in the window now.
    qreal textTop(std::int64_t messageNr) {
        window->updateNow();
        const auto cell = cells->cellByMessageNr(messageNr);
        EXPECT_TRUE(cell) << messageNr;
        if (!cell) {
            return 0;
        }
        const auto& view = cell->messageView();
        return view->convertRectTo(view->bounds(), nullptr).top();
    }
};

// Older rows arrive above the row being read, alone or bringing a day line into that row: after
// the anchor is restored its text stands where it stood.
TEST_F(RowAnchor, TheTextBeingReadStaysPutWhenRowsComeInAbove) {
    struct Case {
        const char* name;
        bool olderFromYesterday;
        // The user touched the first row instead of reading the second.
        bool anchorByTouch;
    };
    const Case cases[] = {
        {"30 older rows of the same day", false, false},
        {"30 older rows of yesterday, a day line above the touched row", true, true},
    };
    std::int64_t base = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::shared_ptr<Message>> older;
        std::vector<std::shared_ptr<Message>> all;
        const qint64 olderStart = c.olderFromYesterday ? -kDay / kMinute : -60;
        for (int i = 0; i < 30; ++i) {
            older.push_back(row(base + i, olderStart + i));
        }
        std::vector<std::shared_ptr<Message>> recent;
        for (int i = 30; i < 50; ++i) {
            recent.push_back(row(base + i, i));
        }
        show(listOf(recent));
        const std::int64_t anchor = c.anchorByTouch ? base + 30 : base + 31;
        if (c.anchorByTouch) {
            cells->tableViewDidHighlightRowAtIndexPath(*table, {0, 0});
        } else {
            cells->saveAnchorMessage();
        }
        ASSERT_EQ(cells->anchorMessageNumber(), anchor);
        const qreal before = textTop(anchor);

        all = older;
        all.insert(all.end(), recent.begin(), recent.end());
        shown = listOf(all);
        cells->setMessages(shown);
        if (c.olderFromYesterday) {
            ASSERT_EQ(cells->topAccessoryForMessageAtIndex(30), ZVMessageAccessoryClass::Date);
        }
        cells->scrollToAnchorMessage();
        EXPECT_NEAR(textTop(anchor), before, 0.5);
        EXPECT_GT(table->contentOffset().y(), 0);
        base += 100;
    }
}

// An anchor whose message has left the list is dropped, not retried.
TEST_F(RowAnchor, AnAnchorNoLongerListedIsCleared) {
    std::vector<std::shared_ptr<Message>> rows;
    for (int i = 0; i < 5; ++i) {
        rows.push_back(row(10 + i, i));
    }
    show(listOf(rows));
    cells->saveAnchorMessageNr(12);
    ASSERT_EQ(cells->anchorMessageNumber(), 12);
    shown = listOf({rows[0], rows[1]});
    cells->setMessages(shown);
    cells->scrollToAnchorMessage();
    EXPECT_EQ(cells->anchorMessageNumber(), 0);
    // A number not listed falls back to the visible rows, and with none showing there is none.
    shown = listOf({});
    cells->setMessages(shown);
    window->updateNow();
    cells->saveAnchorMessageNr(99);
    EXPECT_EQ(cells->anchorMessageNumber(), 0);
}

// Scrolling to a message puts its row `distance` below the top, within the content; numbers not
// listed move nothing.
TEST_F(RowAnchor, ScrollingToAMessageKeepsWithinTheContent) {
    std::vector<std::shared_ptr<Message>> rows;
    for (int i = 0; i < 60; ++i) {
        rows.push_back(row(10 + i, i));
    }
    show(listOf(rows));
    const qreal bottom = table->bottomScrollPos();
    ASSERT_GT(bottom, 0);
    struct Case {
        std::int64_t messageNr;
        qreal distance;
        qreal expected;
    };
    const qreal rowTop30 = table->rectForRowAtIndexPath({0, 30}).top();
    const Case cases[] = {
        {40, 100, rowTop30 - 100},
        {10, 100, 0},
        {69, 0, bottom},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messageNr);
        cells->scrollToMessage(c.messageNr, false, c.distance);
        EXPECT_DOUBLE_EQ(table->contentOffset().y(), c.expected);
    }
    for (const std::int64_t ignored : {0, 5, 1000}) {
        cells->scrollToMessage(ignored, false, 0);
        EXPECT_DOUBLE_EQ(table->contentOffset().y(), bottom);
    }
}

// The rectangle of a shown message is where it shows in the table's superview; a message without
// a visible row gets the strip just above the table.
TEST_F(RowAnchor, TheVisibleRectIsInTheSuperviewsCoordinates) {
    std::vector<std::shared_ptr<Message>> rows;
    for (int i = 0; i < 40; ++i) {
        rows.push_back(row(10 + i, i));
    }
    show(listOf(rows), kPhoneWidth, 2, 500);
    table->setFrame(QRectF(0, 60, kPhoneWidth, 500));
    cells->scrollToMessage(20, false, 0);
    window->updateNow();
    const qreal offset = table->contentOffset().y();
    const QRectF row20 = table->rectForRowAtIndexPath({0, 10});
    EXPECT_EQ(cells->visibleRectForMessageNr(20),
              QRectF(0, 60 + row20.top() - offset, kPhoneWidth, row20.height()));
    EXPECT_EQ(cells->visibleRectForMessageNr(10), QRectF(0, 60 - 100, kPhoneWidth, 100));
}

}  // namespace
}  // namespace rowstest
