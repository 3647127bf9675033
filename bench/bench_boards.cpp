// Picking a hit on the pins board of a 5,000-message conversation, every message pinned (display
// models warm): from the pick to the painted frame with the hit in view, the board highlights
// and expands the message, reloads its table, measures the rows and scrolls to it.
//  - Focus: the pick of a message far down the board, then the frame drawn offscreen at scale 2;
//  - Reload: the same table reloaded and drawn at the same place, as baseline.
// The goals are printed after the runs, one line each.

#include "GuiBenchmarkMain.h"
#include "MessageFlow/pages/ZVMessageBoard.h"
#include "MessageFlow/pages/side/ZVMessageBoardViewController.h"
#include "MessageFlow/pages/side/ZVPinsViewController.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ModelBench.h"
#include "TimeFigures.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/StartUp.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/view/Window.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QJsonArray>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kBoardMessages = 5000;
// The hit lies far from the top, where the board opens.
constexpr int kHitNr = 3500;
constexpr double kFocusRatioGoal = 3.0;
constexpr double kFocusGoalMs = 100;
constexpr std::int64_t kBoardPostedBase = 1767225600;

const QString kBoardConversationId = u"5c2a4f10-7d3e-4b8a-9f61-2e0d1c3b4a55"_s;
const QString kBoardSelf = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;
const QString kBoardFox = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;

// Message `nr`, pinned; lighter the later, so the board lists them by number; every tenth a long
// one that shows collapsed.
QJsonObject boardFixture(int nr) {
    QString text = u"Pin %1: book the <b>rooms</b> for the launch."_s.arg(nr);
    if (nr % 10 == 0) {
        text +=
            u" The long version runs on with the details of who comes, when the rooms open,"
            u" what is brought and who clears up after the evening is over."_s.repeated(6);
    }
    return {{u"mk_rec_type"_s, u"message"_s},
            {u"conversation_id"_s, kBoardConversationId},
            {u"message_nr"_s, nr},
            {u"prev_message_nr"_s, nr - 1},
            {u"account_id"_s, nr % 2 ? kBoardFox : kBoardSelf},
            {u"posted_time"_s, qint64(kBoardPostedBase + nr * 60)},
            {u"mk_message_type"_s, u"text"_s},
            {u"message"_s, u"<msg>%1</msg>"_s.arg(text)},
            {u"tags"_s, QJsonArray{u"pin"_s}},
            {u"pin_weight"_s, double(kBoardMessages - nr)}};
}

struct Board : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ZVMessageBoardViewController> board;
    QImage image;

    void draw() {
        window->updateNow();
        QPainter painter(&image);
        window->render(painter);
    }
};

Board& board() {
    static Board* made = [] {
        platform::Scheduler::main().useVirtualClock();
        auto* data = new Board(kBoardSelf, u"bench@example.com"_s);
        if (!data->session) {
            return data;
        }
        QJsonArray stream{
            modelbench::contactRecord(kBoardFox, u"Fox Mulder"_s),
            modelbench::conversationRecord(kBoardConversationId, QJsonArray{kBoardSelf, kBoardFox},
                                           kBoardMessages, kBoardMessages,
                                           {{u"can_post"_s, true}, {u"pin_horizon"_s, 0}})};
        for (int nr = 1; nr <= kBoardMessages; ++nr) {
            stream.append(boardFixture(nr));
        }
        modelbench::storeStream(data->session, stream);
        data->conversation = data->session->conversationFromId(kBoardConversationId);
        data->window = platform::Window::make();
        data->board = ZVMessageBoardViewController::make(
            data->conversation, 2, [](const std::weak_ptr<ZVMessageBoard>& shown) {
                return std::make_unique<ZVPinsViewController>(shown);
            });
        data->window->setRootViewController(data->board);
        data->window->updateNow();
        const qreal scale = data->window->profile().scale;
        data->image = QImage((data->window->profile().size * scale).toSize(),
                             QImage::Format_ARGB32_Premultiplied);
        data->image.setDevicePixelRatio(scale);
        // Display models warm: every row measured once.
        const auto cells = data->board->cells();
        const auto listed = cells->messages();
        for (qsizetype i = 0; listed && i < listed->count(); ++i) {
            cells->heightForRowAtIndex(i);
        }
        data->draw();
        return data;
    }();
    return *made;
}

std::vector<double> focusMs;

void Focus(benchmark::State& state) {
    Board& data = board();
    if (!data.session || !data.board->cells()->messages()) {
        state.SkipWithError("no board");
        return;
    }
    // The measure holds only when the pick does bring the hit into view.
    data.board->focusMessage(kHitNr);
    data.draw();
    if (!data.board->cells()->cellByMessageNr(kHitNr)) {
        state.SkipWithError("the hit is not in view");
        return;
    }
    data.board->table()->setContentOffset(QPointF(0, 0));
    data.draw();
    focusMs.clear();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        data.board->focusMessage(kHitNr);
        data.draw();
        focusMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
        state.PauseTiming();
        data.board->table()->setContentOffset(QPointF(0, 0));
        data.draw();
        state.ResumeTiming();
    }
}

void Reload(benchmark::State& state) {
    Board& data = board();
    if (!data.session || !data.board->cells()->messages()) {
        state.SkipWithError("no board");
        return;
    }
    data.board->focusMessage(kHitNr);
    data.draw();
    for (auto _ : state) {
        data.board->cells()->reloadData();
        data.draw();
    }
}

BENCHMARK(Focus)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Reload)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void startUp() {
    ZVStartUpApp();
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Phone);
}

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &startUp, [](const RatioReporter& reporter) {
        const auto focus = reporter.seconds.find("Focus");
        const auto reload = reporter.seconds.find("Reload");
        if (focus != reporter.seconds.end() && reload != reporter.seconds.end() &&
            reload->second > 0) {
            std::printf("Focus / reload: %.2f (goal: at most %.2f)\n",
                        focus->second / reload->second, kFocusRatioGoal);
        }
        std::printf("Focus, ms: %.2f (goal: at most %.0f)\n", median(focusMs), kFocusGoalMs);
    });
}
