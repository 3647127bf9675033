#include "AlertStage.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/scroll/ScrollView.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/richtext/ZVRichText.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    const char* name;
    QString title;
    QString message;
    QString cancel;
    QStringList others;
    // Expected: message top (-1: none), button row top (-1: none), height, default index,
    // whether the close button shows.
    qreal messageTop;
    qreal buttonTop;
    qreal height;
    int defaultIndex;
    bool closeButton;
};

TEST(AlertViewLayout, TitleMessageButtonsAndCloseButton) {
    AlertStage stage({320, 568});
    const QString line = QStringLiteral("Saved.");
    const LayoutCase cases[] = {
        {"title, one line, OK", "Done", line, QString(), {"OK"}, 48, 125, 170, 0, false},
        {"no title", QString(), line, QString(), {"OK"}, 10, 125, 170, 0, false},
        {"cancel and other", "Delete?", line, "Cancel", {"Delete"}, 48, 125, 170, 1, false},
        {"no cancel, two others", "Pick", line, QString(), {"A", "B"}, 48, 125, 170, 1, false},
        {"no button titles", "Note", line, QString(), {}, 48, -1, -1, -1, true},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto alert = ZVAlertView::make(c.title, c.message, {}, c.cancel, c.others);
        alert->show();
        EXPECT_EQ(alert->bounds().width(), 300);
        EXPECT_EQ(alert->titleBackground()->isHidden(), c.title.isNull());
        if (!c.title.isNull()) {
            EXPECT_EQ(alert->titleBackground()->frame(), QRectF(0, 0, 300, 38));
            const QRectF title = alert->titleLabel()->frame();
            EXPECT_EQ(title.center(), QPointF(150, 20));
            EXPECT_EQ(title.width(), 280);
            EXPECT_GE(title.height(), 20);
            EXPECT_FALSE(alert->titleLabel()->isTruncated());
        }
        EXPECT_EQ(alert->textLabel()->frame().top(), c.messageTop);
        EXPECT_EQ(alert->defaultButtonIndex(), c.defaultIndex);
        EXPECT_EQ(alert->closeButton()->isHidden(), !c.closeButton);
        const auto& buttons = alert->buttonViews();
        ASSERT_EQ(buttons.size(), static_cast<std::size_t>(c.others.size() + !c.cancel.isNull()));
        const qreal columnWidth = buttons.empty() ? 0 : 300.0 / buttons.size();
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(buttons[i]->frame(), QRectF(i * columnWidth, c.buttonTop, columnWidth, 45));
            EXPECT_EQ(buttons[i]->tag(), static_cast<int>(i));
            EXPECT_EQ(buttons[i]->isDefault(), static_cast<int>(i) == c.defaultIndex);
        }
        if (c.height > 0) {
            EXPECT_EQ(alert->bounds().height(), c.height);
        } else {
            // No minimum without buttons: the message's block is the card.
            EXPECT_EQ(alert->bounds().height(), alert->textLabel()->frame().bottom() + 10);
        }
        EXPECT_EQ(alert->contentView()->frame(), QRectF(QPointF(0, 0), alert->bounds().size()));
    }
}

TEST(AlertViewLayout, CloseButtonSitsInTheTitleBarOrAtTheTopLeft) {
    AlertStage stage({320, 568});
    auto titled = ZVAlertView::make("Note", "Text", {}, QString(), {});
    titled->show();
    const auto& close = titled->closeButton();
    EXPECT_EQ(close->center(), QPointF(300 - 10 - close->bounds().width() / 2, 19));

    auto untitled = ZVAlertView::make(QString(), "Text", {}, QString(), {});
    untitled->show();
    EXPECT_EQ(untitled->closeButton()->frame().topLeft(), QPointF(0, 0));
}

TEST(AlertViewLayout, NarrowWindowsWidenTheDefaultCard) {
    const std::pair<qreal, qreal> widths[] = {{320, 300}, {375, 355}, {400, 300}, {768, 300}};
    for (const auto& [window, card] : widths) {
        SCOPED_TRACE(window);
        AlertStage stage({window, 600});
        auto alert = ZVAlertView::make("T", "M", {}, QString(), {"OK"});
        alert->show();
        EXPECT_EQ(alert->bounds().width(), card);
        EXPECT_EQ(alert->buttonViews().front()->frame().width(), card);
        alert->hide();
        stage.settle();
    }
}

TEST(AlertViewLayout, TallMessageScrollsInAWindowOfTwoHundredPoints) {
    AlertStage stage({320, 568});
    QStringList lines;
    for (int i = 0; i < 40; ++i) {
        lines << QStringLiteral("Line %1 of a long explanation").arg(i);
    }
    auto alert = ZVAlertView::make("Long", lines.join('\n'), {}, QString(), {"OK"});
    alert->show();
    const auto& scroll = alert->messageScrollView();
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->frame(), QRectF(10, 48, 280, 200));
    EXPECT_TRUE(alert->textLabel()->isDescendantOf(scroll.get()));
    EXPECT_GT(alert->textLabel()->frame().height(), 200);
    EXPECT_EQ(scroll->contentSize(), alert->textLabel()->frame().size());
    EXPECT_EQ(alert->buttonViews().front()->frame().top(), 38 + 10 + 200 + 10);

    // Laid out again (the arrow turned over), the message is in one scroll view still.
    alert->setArrowAbove(false);
    EXPECT_EQ(alert->messageScrollView()->frame(), QRectF(10, 48, 280, 200));
    int scrollViews = 0;
    for (const auto& view : alert->contentView()->subviews()) {
        scrollViews += dynamic_cast<platform::ScrollView*>(view.get()) != nullptr;
    }
    EXPECT_EQ(scrollViews, 1);
}

TEST(AlertViewLayout, SecondPageSlidesTheSecondaryRowsUnderTheSeparator) {
    AlertStage stage({320, 568});
    auto alert = std::make_shared<ZVAlertView>();
    std::vector<std::shared_ptr<ZVAlertButton>> rows;
    for (const char* title : {"One", "Two", "Three"}) {
        rows.push_back(ZVAlertButton::alertButtonWithTitle(title, QString()));
    }
    rows.push_back(ZVAlertButton::separatorButton());
    rows.push_back(ZVAlertButton::alertButtonWithTitle("Four", QString()));
    alert->setViews({rows.begin(), rows.end()});
    alert->show();
    stage.settle();
    const qreal bottom = alert->frame().bottom();

    // First page: three rows and the dots; the fourth row waits below the card.
    EXPECT_EQ(alert->bounds().height(), 190);
    EXPECT_FALSE(rows[0]->separator());
    EXPECT_EQ(rows[3]->frame(), QRectF(0, 150, 300, 40));
    EXPECT_EQ(rows[4]->frame().top(), 190);

    struct Page {
        qreal height;
        std::vector<qreal> tops;
        bool dotsLine;
        bool fourthLine;
    };
    const Page pages[] = {{90, {-150, -100, -50, 0, 40}, false, true},
                          {190, {0, 50, 100, 150, 190}, true, false}};
    for (const Page& page : pages) {
        alert->toggleSecondaryState();
        stage.settle();
        EXPECT_NEAR(alert->bounds().height(), page.height, 0.01);
        EXPECT_NEAR(alert->contentView()->frame().height(), page.height, 0.01);
        // Not pointing at anything, the card keeps its top.
        EXPECT_NEAR(alert->frame().top(), bottom - 190, 0.01);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_NEAR(rows[i]->frame().top(), page.tops[i], 0.01) << i;
        }
        EXPECT_EQ(rows[3]->separator(), page.dotsLine);
        EXPECT_EQ(rows[4]->separator(), page.fourthLine);
    }
}

}  // namespace
