// Picking a search hit in a 5,000-message conversation on the messages page, on a phone (375 x 667
// at scale 2), offscreen. The page is open on its newest messages; the hit lies far above them,
// and the search's answer holds it with its highlight, as the search page does.
//  - Focus: from the pick to the painted frame with the hit in view: the hit looked up in the
//    page's window (read from the store when outside it), measured, expanded and highlighted, the
//    rows reloaded and the table scrolled to the match, then the frame drawn;
//  - Reload: the same table reloaded and drawn at the same place, as baseline.
// Before each pick the page is opened again on the newest messages (untimed), so every pick reads
// its rows from the store. The goals are printed after the runs, one line each.

#include "GuiBenchmarkMain.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "MessageFlow/screen/ZVConversationViewController.h"
#include "ModelBench.h"
#include "TimeFigures.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/StartUp.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QJsonArray>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kFocusMessages = 5000;
// Far above the newest messages the page opens on.
constexpr int kFocusHitNr = 1500;
constexpr double kFocusPickRatioGoal = 3.0;
constexpr double kFocusPickGoalMs = 100;
constexpr std::int64_t kFocusPostedBase = 1767225600;

const QString kFocusConversationId = u"6f2e3d4c-5b6a-4798-8a9b-0c1d2e3f4a71"_s;
const QString kFocusSelf = u"3c4d5e6f-7a8b-4c9d-8e0f-1a2b3c4d5e7f"_s;
const QString kFocusFox = u"4d5e6f7a-8b9c-4d0e-9f1a-2b3c4d5e6f80"_s;

// Message `nr`; every seventh a long one that shows cut, the hit among them.
QString focusText(int nr) {
    QString text = u"Row %1: the build is green again."_s.arg(nr);
    if (nr % 7 == 0 || nr == kFocusHitNr) {
        text +=
            u" The figures for the quarter are in, with last year's beside them, the new "
            u"accounts at the end and a note on what changed in between."_s.repeated(8);
    }
    return text;
}

QJsonObject focusRecord(int nr) {
    return {{u"mk_rec_type"_s, u"message"_s},
            {u"conversation_id"_s, kFocusConversationId},
            {u"message_nr"_s, nr},
            {u"prev_message_nr"_s, nr - 1},
            {u"inbox_nr"_s, nr},
            {u"account_id"_s, (nr / 3) % 2 ? kFocusFox : kFocusSelf},
            {u"posted_time"_s, qint64(kFocusPostedBase + nr * 60)},
            {u"mk_message_type"_s, u"text"_s},
            {u"message"_s, u"<msg>%1</msg>"_s.arg(focusText(nr))}};
}

struct FocusData : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::NavigationController> navigation;
    std::shared_ptr<ZVConversationViewController> screen;
    // The hit as the search's answer holds it.
    std::shared_ptr<Message> hit;
    QImage image;

    void draw() {
        window->updateNow();
        QPainter painter(&image);
        window->render(painter);
    }
    void open() {
        screen = ZVConversationViewController::make(conversation, 0);
        screen->setTrackingCategory(0);
        navigation = std::make_shared<platform::NavigationController>(screen);
        window->setRootViewController(navigation);
        draw();
    }
    void close() {
        if (screen) {
            screen->releaseObservers();
        }
        window->setRootViewController(nullptr);
        navigation.reset();
        screen.reset();
        conversation->releaseMessages();
        platform::Scheduler::main().advance(1);
    }
};

FocusData& focusData() {
    static FocusData* made = [] {
        platform::Scheduler::main().useVirtualClock();
        auto* data = new FocusData(kFocusSelf, u"bench@example.com"_s);
        if (!data->session) {
            return data;
        }
        QJsonArray stream{
            modelbench::contactRecord(kFocusFox, u"Fox Mulder"_s),
            modelbench::conversationRecord(kFocusConversationId, QJsonArray{kFocusSelf, kFocusFox},
                                           kFocusMessages, kFocusMessages,
                                           {{u"join_message_nr"_s, 1}, {u"is_init"_s, true}})};
        for (int nr = 1; nr <= kFocusMessages; ++nr) {
            stream.append(focusRecord(nr));
        }
        modelbench::storeStream(data->session, stream);
        data->conversation = data->session->conversationFromId(kFocusConversationId);
        // The search's answer: the hit with its words marked, for the message it holds.
        data->hit = data->session->messageFromKey(kFocusConversationId, kFocusHitNr);
        QJsonObject answer = focusRecord(kFocusHitNr);
        answer.insert(
            u"marked_text"_s,
            u"<msg>%1</msg>"_s.arg(
                focusText(kFocusHitNr).replace(u"a note on"_s, u"a <mark>note</mark> on"_s)));
        modelbench::storeStream(data->session, QJsonArray{answer});
        data->window = platform::Window::make();
        const qreal scale = data->window->profile().scale;
        data->image = QImage((data->window->profile().size * scale).toSize(),
                             QImage::Format_ARGB32_Premultiplied);
        data->image.setDevicePixelRatio(scale);
        return data;
    }();
    return *made;
}

// The pick leaves the hit's row on screen, highlighted.
bool hitInView(FocusData& data) {
    const auto& listed = data.conversation->messages();
    const auto shown = listed ? listed->messageByNr(kFocusHitNr) : nullptr;
    return data.screen->cells()->cellByMessageNr(kFocusHitNr) && shown &&
           !shown->markedText().isEmpty();
}

std::vector<double> pickMs;

void Focus(benchmark::State& state) {
    FocusData& data = focusData();
    if (!data.conversation || !data.hit) {
        state.SkipWithError("no conversation");
        return;
    }
    data.open();
    data.screen->focusMessage(kFocusHitNr);
    data.draw();
    if (!hitInView(data)) {
        state.SkipWithError("the hit is not in view");
        data.close();
        return;
    }
    data.close();
    pickMs.clear();
    for (auto _ : state) {
        state.PauseTiming();
        data.open();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        data.screen->focusMessage(kFocusHitNr);
        data.draw();
        pickMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
        state.PauseTiming();
        data.close();
        state.ResumeTiming();
    }
}

void Reload(benchmark::State& state) {
    FocusData& data = focusData();
    if (!data.conversation || !data.hit) {
        state.SkipWithError("no conversation");
        return;
    }
    data.open();
    data.screen->focusMessage(kFocusHitNr);
    data.draw();
    for (auto _ : state) {
        data.screen->cells()->reloadData();
        data.draw();
    }
    data.close();
}

BENCHMARK(Focus)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Reload)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &ZVStartUpApp, [](const RatioReporter& reporter) {
        const auto focus = reporter.seconds.find("Focus");
        const auto reload = reporter.seconds.find("Reload");
        if (focus != reporter.seconds.end() && reload != reporter.seconds.end() &&
            reload->second > 0) {
            std::printf("Conversation focus / reload: %.2f (goal: at most %.2f)\n",
                        focus->second / reload->second, kFocusPickRatioGoal);
        }
        if (!pickMs.empty()) {
            std::printf("Conversation focus, ms: %.2f (goal: at most %.0f)\n", median(pickMs),
                        kFocusPickGoalMs);
        }
    });
}
