// The conversation screen over 5,000 stored messages on a phone (375 x 667 at scale 2), offscreen:
//  - OpenToFirstFrame: the page made, its window read from the store, the rows measured, scrolled
//    to the unread and drawn once; beside RawOpen, plain SQLite reading the same rows from the same
//    file and QTextLayout drawing the texts of a screenful of them;
//  - ScrollFrame: the table scrolled towards the top at 60 steps a second, 20 pt a step, older
//    pages coming in as the screen asks for them, each step drawn; beside PaintVisibleLayouts, the
//    visible rows' texts drawn with prepared QTextLayouts alone.
// The goals are printed after the runs, one line each.

#include "GuiBenchmarkMain.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "MessageFlow/screen/ZVConversationViewController.h"
#include "ModelBench.h"
#include "TimeFigures.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVDataRepository.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/StartUp.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QJsonArray>
#include <QtGui/QFont>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QTextLayout>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kScreenMessages = 5000;
constexpr int kScreenUnread = 15;
constexpr double kOpenRatioGoal = 4.0;
constexpr double kOpenGoalMs = 100;
constexpr double kFrameP95GoalMs = 8;
constexpr double kFrameMaxGoalMs = 16;
constexpr double kFrameRatioGoal = 2.0;
constexpr platform::TimeInterval kFrameInterval = 1.0 / 60;
constexpr qreal kStep = 20;
// Steps of 20 pt from the bottom to the top of all 5,000 messages, pages arriving on the way.
constexpr int kScrollFrames = 16000;
// Frames before the cells in use are counted as the warm set.
constexpr int kWarmUpFrames = 60;
// The rows a phone's screen shows at most, for the raw drawing.
constexpr int kScreenfulRows = 12;
constexpr std::int64_t kScreenPostedBase = 1767225600;

const QString kScreenConversationId = u"5e1d2c3b-4a59-4687-9a0b-1c2d3e4f5a60"_s;
const QString kScreenSelf = u"1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d"_s;
const QString kScreenFox = u"2b3c4d5e-6f7a-4b8c-9d0e-1f2a3b4c5d6e"_s;

QString screenText(int nr) {
    return nr % 7 == 0 ? u"Row %1: the figures for the quarter are in, with last year's beside "
                         u"them and the new accounts at the end."_s.arg(nr)
                       : u"Row %1: the build is green again."_s.arg(nr);
}

struct ScreenData : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::NavigationController> navigation;
    std::shared_ptr<ZVConversationViewController> screen;
    QImage image;
};

ScreenData& screenData() {
    static ScreenData* made = [] {
        platform::Scheduler::main().useVirtualClock();
        auto* data = new ScreenData(kScreenSelf, u"bench@example.com"_s);
        if (!data->session) {
            return data;
        }
        QJsonArray stream{modelbench::contactRecord(kScreenFox, u"Fox Mulder"_s),
                          modelbench::conversationRecord(
                              kScreenConversationId, QJsonArray{kScreenSelf, kScreenFox},
                              kScreenMessages, kScreenMessages - kScreenUnread,
                              {{u"join_message_nr"_s, 1},
                               {u"inbox_message_nr"_s, kScreenMessages - kScreenUnread + 1},
                               {u"unread_count"_s, kScreenUnread},
                               // The whole record: the store is all there is to read.
                               {u"is_init"_s, true}})};
        for (int nr = 1; nr <= kScreenMessages; ++nr) {
            stream.append(QJsonObject{{u"mk_rec_type"_s, u"message"_s},
                                      {u"conversation_id"_s, kScreenConversationId},
                                      {u"message_nr"_s, nr},
                                      {u"prev_message_nr"_s, nr - 1},
                                      {u"inbox_nr"_s, nr},
                                      {u"account_id"_s, (nr / 3) % 2 ? kScreenFox : kScreenSelf},
                                      {u"posted_time"_s, qint64(kScreenPostedBase + nr * 60)},
                                      {u"mk_message_type"_s, u"text"_s},
                                      {u"message"_s, u"<msg>%1</msg>"_s.arg(screenText(nr))}});
        }
        modelbench::storeStream(data->session, stream);
        data->conversation = data->session->conversationFromId(kScreenConversationId);
        data->window = platform::Window::make();
        const qreal scale = data->window->profile().scale;
        data->image = QImage((data->window->profile().size * scale).toSize(),
                             QImage::Format_ARGB32_Premultiplied);
        data->image.setDevicePixelRatio(scale);
        return data;
    }();
    return *made;
}

void drawWindow(ScreenData& data) {
    data.window->updateNow();
    QPainter painter(&data.image);
    data.window->render(painter);
}

void openScreen(ScreenData& data) {
    data.screen = ZVConversationViewController::make(data.conversation, 0);
    // No screen views for the analytics library to send beside the measured work.
    data.screen->setTrackingCategory(0);
    data.navigation = std::make_shared<platform::NavigationController>(data.screen);
    data.window->setRootViewController(data.navigation);
    drawWindow(data);
}

// Back to a conversation with nothing loaded, as before it was first opened.
void closeScreen(ScreenData& data) {
    if (data.screen) {
        data.screen->releaseObservers();
    }
    data.window->setRootViewController(nullptr);
    data.navigation.reset();
    data.screen.reset();
    data.conversation->releaseMessages();
    platform::Scheduler::main().advance(1);
}

void OpenToFirstFrame(benchmark::State& state) {
    ScreenData& data = screenData();
    if (!data.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    for (auto _ : state) {
        openScreen(data);
        state.PauseTiming();
        closeScreen(data);
        state.ResumeTiming();
    }
}

// The window's rows as the store holds them, and a screenful of their texts laid out and drawn.
void RawOpen(benchmark::State& state) {
    ScreenData& data = screenData();
    if (!data.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    modelbench::RawMessageRows store(data.session->repository()->repositoryURL().toLocalFile(),
                                     kScreenConversationId);
    if (!store.isOpen()) {
        state.SkipWithError("store not readable");
        return;
    }
    const std::int64_t from = kScreenMessages - kScreenUnread - 20;
    QFont font;
    font.setPixelSize(15);
    const qreal width = data.window->profile().size.width() - 60;
    for (auto _ : state) {
        const std::int64_t rows = store.read(from, kScreenMessages);
        QPainter painter(&data.image);
        qreal y = 0;
        for (int row = 0; row < kScreenfulRows && row < rows; ++row) {
            QTextLayout layout(screenText(int(from) + row), font);
            layout.beginLayout();
            qreal height = 0;
            while (true) {
                QTextLine line = layout.createLine();
                if (!line.isValid()) {
                    break;
                }
                line.setLineWidth(width);
                line.setPosition(QPointF(0, height));
                height += line.height();
            }
            layout.endLayout();
            layout.draw(&painter, QPointF(50, y));
            y += height + 20;
        }
    }
}

std::vector<double> frameMs;
int newCellsAfterWarmUp = -1;

void ScrollFrame(benchmark::State& state) {
    ScreenData& data = screenData();
    if (!data.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    frameMs.clear();
    openScreen(data);
    std::set<std::weak_ptr<platform::TableViewCell>, std::owner_less<>> warm;
    int frames = 0;
    newCellsAfterWarmUp = 0;
    for (auto _ : state) {
        const auto& table = data.screen->table();
        if (table->contentOffset().y() <= table->minimumContentOffset().y() &&
            data.conversation->firstLoadedMessage() <= 1) {
            // At the very top of everything: start again from the bottom, untimed.
            state.PauseTiming();
            data.screen->scrollToBottomAnimated(false);
            drawWindow(data);
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        table->setContentOffset(QPointF(
            0, std::max(table->contentOffset().y() - kStep, table->minimumContentOffset().y())));
        platform::Scheduler::main().advance(kFrameInterval);
        drawWindow(data);
        frameMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
        state.PauseTiming();
        ++frames;
        for (const auto& cell : table->visibleCells()) {
            if (frames <= kWarmUpFrames) {
                warm.insert(cell);
            } else if (!warm.contains(cell)) {
                ++newCellsAfterWarmUp;
                warm.insert(cell);
            }
        }
        state.ResumeTiming();
    }
    closeScreen(data);
}

// The texts of the rows a frame shows, laid out once and drawn each iteration.
void PaintVisibleLayouts(benchmark::State& state) {
    ScreenData& data = screenData();
    if (!data.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    QFont font;
    font.setPixelSize(15);
    const qreal width = data.window->profile().size.width() - 60;
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    for (int row = 0; row < kScreenfulRows; ++row) {
        auto layout = std::make_unique<QTextLayout>(screenText(row + 1), font);
        layout->beginLayout();
        qreal height = 0;
        while (true) {
            QTextLine line = layout->createLine();
            if (!line.isValid()) {
                break;
            }
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout->endLayout();
        layouts.push_back(std::move(layout));
    }
    for (auto _ : state) {
        QPainter painter(&data.image);
        painter.fillRect(data.image.rect(), Qt::white);
        qreal y = 0;
        for (const auto& layout : layouts) {
            layout->draw(&painter, QPointF(50, y));
            y += layout->boundingRect().height() + 20;
        }
    }
}

BENCHMARK(OpenToFirstFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawOpen)->Unit(benchmark::kMillisecond)->MinTime(1.0);
// Enough steps to bring every stored message in, from the newest to the first.
BENCHMARK(ScrollFrame)->Unit(benchmark::kMillisecond)->Iterations(kScrollFrames);
BENCHMARK(PaintVisibleLayouts)->Unit(benchmark::kMillisecond)->MinTime(1.0);

double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &ZVStartUpApp, [](const RatioReporter& reporter) {
        const auto& s = reporter.seconds;
        const auto ratio = [&s](const char* name, const char* base) {
            return s.count(name) != 0 && s.count(base) != 0 && s.at(base) > 0
                       ? s.at(name) / s.at(base)
                       : -1.0;
        };
        if (const double open = ratio("OpenToFirstFrame", "RawOpen"); open >= 0) {
            std::printf("Open / raw: %.2f (goal: at most %.2f)\n", open, kOpenRatioGoal);
        }
        if (s.count("OpenToFirstFrame") != 0) {
            std::printf("Open, ms: %.2f (goal: at most %.0f)\n", s.at("OpenToFirstFrame") * 1000,
                        kOpenGoalMs);
        }
        if (!frameMs.empty()) {
            std::printf("Frame, ms p95: %.2f (goal: at most %.0f)\n", percentile(frameMs, 0.95),
                        kFrameP95GoalMs);
            std::printf("Frame, ms max: %.2f (goal: at most %.0f)\n",
                        *std::max_element(frameMs.begin(), frameMs.end()), kFrameMaxGoalMs);
        }
        if (const double frame = ratio("ScrollFrame", "PaintVisibleLayouts"); frame >= 0) {
            std::printf("Frame / painting the visible layouts alone: %.2f (goal: at most %.2f)\n",
                        frame, kFrameRatioGoal);
        }
        if (newCellsAfterWarmUp >= 0) {
            std::printf("New cells after warm-up: %d (goal: at most 0)\n", newCellsAfterWarmUp);
        }
    });
}
