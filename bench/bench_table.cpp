// The table view's speed: a phone-sized table of 10,000 rows of mixed heights scrolled at 60 steps
// a second and drawn offscreen at scale 2 each step, and how many cells it needed. The goals are
// printed after the runs.

#include "GuiBenchmarkMain.h"
#include "platform/ui/StartUp.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/view/Window.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>

using namespace platform;

namespace {

constexpr int kRows = 10000;
// A brisk flick's speed: the content moves this far each step at 60 steps a second.
constexpr qreal kPointsPerSecond = 1500;
constexpr qreal kStepsPerSecond = 60;
constexpr double kFrameGoalMs = 4;
constexpr int kSpareCellsGoal = 2;
const qreal kHeights[] = {44, 64, 88, 52, 120};

// Subtitle rows of mixed heights, every cell dequeued before one is made.
class Rows : public TableViewDataSource, public TableViewDelegate {
public:
    int cellsMade = 0;

    int tableViewNumberOfRowsInSection(TableView&, int) override { return kRows; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table,
                                                                  IndexPath path) override {
        static const QString identifier = QStringLiteral("row");
        auto cell = table.dequeueReusableCell(identifier);
        if (!cell) {
            cell = View::make<TableViewCell>(TableViewCell::Style::Subtitle, identifier);
            cell->setAccessoryType(TableViewCell::AccessoryType::DisclosureIndicator);
            ++cellsMade;
        }
        cell->textLabel()->setText(QStringLiteral("Conversation %1").arg(path.row));
        cell->detailTextLabel()->setText(
            QStringLiteral("The last message of the conversation, row %1").arg(path.row));
        return cell;
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(TableView&, IndexPath path) override {
        return kHeights[static_cast<std::size_t>(path.row) % std::size(kHeights)];
    }
};

struct Result {
    int cellsMade = 0;
    int mostVisible = 0;
};
Result result;

void ScrollTableFrame(benchmark::State& state) {
    auto window = Window::make(DeviceProfile::phone());
    auto table = View::make<TableView>(window->bounds());
    auto rows = std::make_shared<Rows>();
    table->setDataSource(rows);
    table->setDelegate(rows);
    window->setRootView(table);
    window->updateNow();
    QImage image((window->profile().size * window->profile().scale).toSize(),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(window->profile().scale);
    const qreal step = kPointsPerSecond / kStepsPerSecond;
    const qreal end = table->maximumContentOffset().y();
    qreal direction = 1;
    int mostVisible = 0;
    for (auto _ : state) {
        qreal y = table->contentOffset().y() + direction * step;
        // Back and forth over the whole table, so every height and reuse path is taken.
        if (y > end || y < 0) {
            direction = -direction;
            y = std::clamp(y, 0.0, end);
        }
        table->setContentOffset({0, y});
        window->updateNow();
        QPainter painter(&image);
        window->render(painter);
        mostVisible = std::max(mostVisible, static_cast<int>(table->visibleCells().size()));
    }
    state.SetItemsProcessed(state.iterations());
    result = {rows->cellsMade, mostVisible};
}

BENCHMARK(ScrollTableFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &startUpUi, [](const RatioReporter& reporter) {
        const auto& s = reporter.seconds;
        if (s.count("ScrollTableFrame") != 0) {
            std::printf(
                "Scroll a 10,000-row table at scale 2, ms per frame: %.2f (goal: at most %.0f)\n",
                s.at("ScrollTableFrame") * 1000, kFrameGoalMs);
            std::printf(
                "Table cells made beyond the most rows visible at once (%d): %d (goal: at most "
                "%d)\n",
                result.mostVisible, result.cellsMade - result.mostVisible, kSpareCellsGoal);
        }
    });
}
