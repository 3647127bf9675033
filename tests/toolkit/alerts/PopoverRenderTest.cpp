#include "AlertStage.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVArrowView.h"
#include "toolkit/style/ZVColorTable.h"

#include <QtGui/QImage>

#include <gtest/gtest.h>

namespace {

QColor logo() {
    return platform::resolveColor(ZVColorTable::colorWithName(QStringLiteral("logo")));
}

// Drawn at one pixel per point, a popover's title bar shows the brand colour and its arrow the
// colour of what it joins: white under a card above its view, the title bar's over a card below.
TEST(PopoverRender, TitleBarAndArrowPixels) {
    struct Case {
        const char* name;
        QRectF target;
        bool arrowAbove;
        QColor arrow;
    };
    const Case cases[] = {{"card above its view", {100, 400, 120, 40}, false, Qt::white},
                          {"card below its view", {100, 60, 120, 40}, true, logo()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlertStage stage({500, 700}, 1);
        auto target = platform::View::make(c.target);
        target->setBackgroundColor(Qt::green);
        stage.root->addSubview(target);
        auto alert = ZVAlertView::make("Title", "Message", {}, QString(), {"OK"});
        alert->setPointAtView(target);
        alert->show();
        stage.settle();
        ASSERT_EQ(alert->arrowAbove(), c.arrowAbove);

        const QImage image = stage.window->render();
        ASSERT_EQ(image.size(), QSize(500, 700));
        const QRectF titleBar =
            alert->titleBackground()->convertRectTo(alert->titleBackground()->bounds(), nullptr);
        // Off the title text: its bottom-left corner, inside the rounded edge.
        const QPoint inTitle(qRound(titleBar.left() + 6), qRound(titleBar.bottom() - 4));
        EXPECT_EQ(image.pixelColor(inTitle).rgb(), logo().rgb());

        const auto& arrow = *alert->arrow();
        const QPointF wide = arrow.convertPointTo(
            QPointF(ZVArrowView::kWidth / 2, c.arrowAbove ? ZVArrowView::kHeight - 1 : 1), nullptr);
        EXPECT_EQ(image.pixelColor(wide.toPoint()).rgb(), c.arrow.rgb());
        // Beside the tip, the dimmed screen shows through.
        const QPointF beside = arrow.convertPointTo(
            QPointF(0, c.arrowAbove ? 0.5 : ZVArrowView::kHeight - 0.5), nullptr);
        EXPECT_NE(image.pixelColor(beside.toPoint()).rgb(), c.arrow.rgb());
        alert->hide();
        stage.settle();
    }
}

}  // namespace
