#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVSegmentedControl.h"
#include "toolkit/widgets/ZVSegmentedControlContainer.h"

#include <gtest/gtest.h>

using platform::TouchPhase;

namespace {

const QStringList kThree{QStringLiteral("All"), QStringLiteral("Unread"), QStringLiteral("Mine")};

struct SegmentScreen {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<ZVSegmentedControl> control = std::make_shared<ZVSegmentedControl>();
    int changes = 0;

    SegmentScreen() {
        window->addSubview(control);
        control->addTarget(platform::Control::ValueChanged,
                           [this](platform::Control&) { ++changes; });
    }
    // A touch at `x` in the track's coordinates, at its middle height.
    void touchTrack(qreal x) {
        const QPointF at = control->container()->convertPointTo(
            QPointF(x, control->container()->bounds().height() / 2), nullptr);
        window->sendTouch(1, TouchPhase::Began, at);
        window->sendTouch(1, TouchPhase::Ended, at);
    }
};

}  // namespace

TEST(SegmentedControl, LaysOutEqualSegmentsAndSelectsByTouch) {
    SegmentScreen s;
    s.control->setFrame(QRectF(0, 100, 320, 50));
    s.control->setSectionTitles(kThree);
    s.control->layoutIfNeeded();

    EXPECT_EQ(s.control->container()->frame(), QRectF(13, 10, 294, 30));
    EXPECT_EQ(s.control->selectionBackground()->frame(), QRectF(0, 0, 98, 30));
    ASSERT_EQ(s.control->sectionLabels().size(), 3u);
    EXPECT_EQ(s.control->sectionLabels()[1]->center(), QPointF(98 + 49, 15));

    struct {
        qreal x;
        int index;
    } const touches[] = {{200, 2}, {97.9, 0}, {98, 1}, {-12, 0}, {300, 2}, {150, 1}};
    int expectedChanges = 0;
    for (const auto& t : touches) {
        s.touchTrack(t.x);
        EXPECT_EQ(s.control->selectedSegmentIndex(), t.index) << t.x;
        EXPECT_EQ(s.changes, ++expectedChanges) << "every touch-down reports, " << t.x;
    }
    s.control->layoutIfNeeded();
    EXPECT_EQ(s.control->selectionBackground()->frame(), QRectF(98, 0, 98, 30));
    const QColor logo = platform::resolveColor(ZVColors::logo());
    EXPECT_EQ(s.control->sectionLabels()[0]->textColor(), logo);
    EXPECT_EQ(s.control->sectionLabels()[1]->textColor(), QColor(Qt::white));
}

TEST(SegmentedControl, IndexIsClampedAlsoWhenTitlesChange) {
    ZVSegmentedControl control;
    control.setSelectedSegmentIndex(-1);
    EXPECT_EQ(control.selectedSegmentIndex(), 0);
    control.setSelectedSegmentIndex(4);
    EXPECT_EQ(control.selectedSegmentIndex(), 0) << "nothing to select without titles";

    control.setSectionTitles(kThree);
    struct {
        int set;
        int index;
    } const cases[] = {{5, 2}, {-1, 0}, {1, 1}};
    for (const auto& c : cases) {
        control.setSelectedSegmentIndex(c.set);
        EXPECT_EQ(control.selectedSegmentIndex(), c.index) << c.set;
    }

    control.setSectionTitles({QStringLiteral("A"), QStringLiteral("B")});
    EXPECT_EQ(control.selectedSegmentIndex(), 1) << "still in range: kept";
    EXPECT_EQ(control.sectionLabels().size(), 2u);
    EXPECT_EQ(control.container()->subviews().size(), 3u) << "old labels are gone";
    control.setSectionTitles({QStringLiteral("Only")});
    EXPECT_EQ(control.selectedSegmentIndex(), 0) << "out of range: clamped";
    EXPECT_EQ(control.sectionLabels()[0]->textColor(), QColor(Qt::white));
}

TEST(SegmentedControl, TouchBeforeTheFirstLayoutChangesNothing) {
    SegmentScreen s;
    s.control->setSectionTitles(kThree);
    s.control->setSelectedSegmentIndex(1);
    ASSERT_EQ(s.control->container()->bounds().width(), 0);
    s.window->sendTouch(1, TouchPhase::Began, QPointF(50, 25));
    s.window->sendTouch(1, TouchPhase::Ended, QPointF(50, 25));
    EXPECT_EQ(s.control->selectedSegmentIndex(), 1);
    EXPECT_EQ(s.changes, 0);
}

TEST(SegmentedControl, RendersTheSelectedBlockInTheTrack) {
    auto control = std::make_shared<ZVSegmentedControl>();
    control->setFrame(QRectF(0, 0, 320, 50));
    control->setSectionTitles(kThree);
    control->setSelectedSegmentIndex(2);
    control->layoutIfNeeded();
    const QImage shot = control->snapshot(1);
    EXPECT_EQ(shot.pixelColor(5, 25), platform::resolveColor(ZVColors::background()));
    EXPECT_EQ(shot.pixelColor(13 + 196 + 20, 12), platform::resolveColor(ZVColors::logo()));
    EXPECT_EQ(shot.pixelColor(13 + 60, 12), QColor(Qt::white));
}
