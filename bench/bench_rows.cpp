// The message rows' speed when a message arrives while 5,000 messages are loaded (display models
// warm): the row model reloads its 375 pt table, which asks every row's height and makes the
// visible cells.
//  - Reload: one message added and the table reloaded and laid out;
//  - ViewHeights: a loop of the message views' own class heights over the same rows, as baseline.
// The goals are printed after the runs, one line each.

#include "GuiBenchmarkMain.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ModelBench.h"
#include "TimeFigures.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/StartUp.h"
#include "platform/foundation/Application.h"
#include "platform/ui/view/Window.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QJsonArray>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kMessages = 5000;
constexpr qreal kWidth = 375;
constexpr qreal kHeight = 667;
constexpr double kRatioGoal = 3.0;
constexpr double kReloadGoalMs = 8;
constexpr std::int64_t kPostedBase = 1767225600;
constexpr qint64 kSpacing = 60;
constexpr qint64 kDay = 24 * 3600;

const QString kConversationId = u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s;
const QString kSelf = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;
const QString kFox = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
const QString kOwl = u"8b2f1d5e-3c4a-4f6b-9d7e-0f1a2b3c4d5e"_s;

// Message `nr`: runs of three by one poster, a day change every 200, an e-mail with a subject
// every 50, a pin every 97, someone leaving every 300.
QJsonObject rowsFixture(int nr) {
    QJsonObject fields{
        {u"mk_rec_type"_s, u"message"_s},
        {u"conversation_id"_s, kConversationId},
        {u"message_nr"_s, nr},
        {u"prev_message_nr"_s, nr - 1},
        {u"account_id"_s, (nr / 3) % 2 ? kFox : kOwl},
        {u"posted_time"_s, qint64(kPostedBase + nr * kSpacing + (nr / 200) * kDay)},
        {u"mk_message_type"_s, u"text"_s},
        {u"message"_s, u"<msg>Row %1: the <b>build</b> is green again.</msg>"_s.arg(nr)}};
    if (nr % 50 == 0) {
        fields.insert(u"mk_message_type"_s, u"email"_s);
        fields.insert(u"subject"_s, u"Report %1"_s.arg(nr / 50));
    } else if (nr % 97 == 0) {
        fields.insert(u"tags"_s, QJsonArray{u"pin"_s});
    } else if (nr % 300 == 0) {
        fields.insert(u"mk_message_type"_s, u"leave"_s);
    }
    return fields;
}

struct Rows : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::shared_ptr<ZVMessageArray> list;
    std::shared_ptr<Message> arriving;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ZVTableView> table;
    std::shared_ptr<ZVConversationCells> cells;
    std::vector<ZVMessageViewClass> classes;
    std::vector<qreal> widths;
};

Rows& rows() {
    static Rows* made = [] {
        auto* data = new Rows(kSelf, u"bench@example.com"_s);
        if (!data->session) {
            return data;
        }
        QJsonArray stream{
            modelbench::contactRecord(kFox, u"Fox Mulder"_s),
            modelbench::contactRecord(kOwl, u"Owl Jones"_s),
            modelbench::conversationRecord(kConversationId, QJsonArray{kSelf, kFox, kOwl},
                                           kMessages + 1, kMessages - 20)};
        for (int nr = 1; nr <= kMessages + 1; ++nr) {
            stream.append(rowsFixture(nr));
        }
        modelbench::storeStream(data->session, stream);
        ZVMessageArray::Messages messages =
            modelbench::storedMessages(data->session, kConversationId, 1, kMessages + 1);
        data->arriving = messages.back();
        messages.pop_back();
        data->list = std::make_shared<ZVMessageArray>(messages, ZVMessageArray::AscendingNumber);
        data->window = platform::Window::make();
        data->table = platform::View::make<ZVTableView>(QRectF(0, 0, kWidth, kHeight));
        data->window->setRootView(data->table);
        data->cells = ZVConversationCells::make(data->table, data->list, 0);
        data->table->setDelegate(data->cells);
        data->cells->setEnableAccessories(true);
        data->cells->setAvatarSize(2);
        data->cells->setReadMessageNr(kMessages - 20);
        // Display models warm: every message measured once at its row's width.
        data->list->addMessage(data->arriving);
        for (qsizetype i = 0; i < data->list->count(); ++i) {
            data->cells->heightForRowAtIndex(i);
        }
        data->list->removeMessageNr(data->arriving->messageNr());
        for (const auto& message : *data->list) {
            data->classes.push_back(data->cells->viewClassForMessage(message));
            data->widths.push_back(
                ZVMessageCell::contentWidth(*data->cells, message->messageType().value_or(0)));
        }
        data->cells->reloadData();
        data->table->layoutIfNeeded();
        return data;
    }();
    return *made;
}

std::vector<double> reloadMs;

void Reload(benchmark::State& state) {
    Rows& data = rows();
    if (!data.session) {
        state.SkipWithError("no account");
        return;
    }
    reloadMs.clear();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        data.list->addMessage(data.arriving);
        data.cells->reloadData();
        data.table->layoutIfNeeded();
        reloadMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
        data.list->removeMessageNr(data.arriving->messageNr());
    }
}

void ViewHeights(benchmark::State& state) {
    Rows& data = rows();
    if (!data.session) {
        state.SkipWithError("no account");
        return;
    }
    for (auto _ : state) {
        double total = 0;
        for (std::size_t i = 0; i < data.classes.size(); ++i) {
            total += ZVMessageViewHeight(data.classes[i], (*data.list)[qsizetype(i)],
                                         data.widths[i], *data.cells);
        }
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK(Reload)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ViewHeights)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void startUp() {
    ZVStartUpApp();
    // No phone-number scans beside the measured work.
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
}

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &startUp, [](const RatioReporter& reporter) {
        const auto reload = reporter.seconds.find("Reload");
        const auto views = reporter.seconds.find("ViewHeights");
        if (reload != reporter.seconds.end() && views != reporter.seconds.end() &&
            views->second > 0) {
            std::printf("Reload / view heights: %.2f (goal: at most %.2f)\n",
                        reload->second / views->second, kRatioGoal);
        }
        std::printf("Reload 5000 rows, ms p50: %.2f (goal: at most %.0f)\n", median(reloadMs),
                    kReloadGoalMs);
    });
}
