// Opening a conversation of 5,000 stored messages against the rows it reads:
//  - FirstWindow: the window a conversation screen shows when it opens, read from the store
//    (the conversation holds no message before), beside RawRangeRead, plain SQLite reading the
//    same rows from the same file;
//  - NextPage: the page before that window, beside RawPageRead, the same rows read plainly.
// The goals are printed after the runs, one line each.

#include "ModelBench.h"
#include "RatioReporter.h"

#include "ZelvoKit/markup/StartUp.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>
#include <QtCore/QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr qint64 kMessages = 5000;
// What the first window and the next page read: 20 back from the end, then 30 before that.
constexpr qint64 kWindowFrom = kMessages - 20;
constexpr qint64 kPageFrom = kWindowFrom - 30;
constexpr double kRatioGoal = 3.0;
constexpr double kFirstWindowGoalMs = 20;
const QString kConversationId = u"1d2c3b4a-5f6e-4d7c-8b9a-0f1e2d3c4b5a"_s;
const QString kAccountId = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;

// A signed-in account whose store holds the conversation, made once for every run.
struct Account {
    QTemporaryDir root;
    std::shared_ptr<ZVRepositorySession> session;
    std::shared_ptr<Conversation> conversation;
    QString storePath;

    Account() {
        platform::Paths::setRoot(root.path());
        session = modelbench::openSession(kAccountId, u"bench@example.com"_s);
        if (!session) {
            return;
        }
        QJsonArray stream{QJsonObject{{u"mk_rec_type"_s, u"conv"_s},
                                      {u"conversation_id"_s, kConversationId},
                                      {u"is_init"_s, true},
                                      {u"join_message_nr"_s, 1},
                                      {u"bw_message_nr"_s, 1},
                                      {u"fw_message_nr"_s, kMessages},
                                      {u"last_message_nr"_s, kMessages},
                                      {u"show_message_nr"_s, kMessages},
                                      {u"read_message_nr"_s, kMessages},
                                      {u"inbox_message_nr"_s, kMessages}}};
        for (qint64 nr = 1; nr <= kMessages; ++nr) {
            stream.append(QJsonObject{
                {u"mk_rec_type"_s, u"message"_s},
                {u"conversation_id"_s, kConversationId},
                {u"message_nr"_s, nr},
                {u"inbox_nr"_s, nr},
                {u"prev_message_nr"_s, nr - 1},
                {u"account_id"_s, kAccountId},
                {u"posted_time"_s, 1767225600 + nr * 60},
                {u"mk_message_type"_s, u"text"_s},
                {u"message"_s, u"<msg><p>Message number %1 of the benchmark</p></msg>"_s.arg(nr)}});
        }
        modelbench::storeStream(session, stream);
        conversation = session->conversations().value(kConversationId);
        storePath = session->repository()->repositoryURL().toLocalFile();
    }
};

std::unique_ptr<Account>& sharedAccount() {
    static std::unique_ptr<Account> shared;
    return shared;
}

Account& account() {
    if (!sharedAccount()) {
        sharedAccount() = std::make_unique<Account>();
    }
    return *sharedAccount();
}

void FirstWindow(benchmark::State& state) {
    Account& a = account();
    if (!a.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    for (auto _ : state) {
        a.conversation->releaseMessages();
        a.conversation->loadMessages();
        benchmark::DoNotOptimize(a.conversation->messages()->count());
    }
    if (a.conversation->messages()->count() != kMessages - kWindowFrom + 1) {
        state.SkipWithError("unexpected first window");
    }
}

void NextPage(benchmark::State& state) {
    Account& a = account();
    if (!a.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        a.conversation->releaseMessages();
        a.conversation->loadMessages();
        state.ResumeTiming();
        a.conversation->loadMoreMessages();
    }
    if (a.conversation->firstLoadedMessage() != kPageFrom) {
        state.SkipWithError("unexpected page");
    }
}

// Reads every column of the conversation's rows from..to, as plainly as SQLite allows.
void rawRead(benchmark::State& state, qint64 from, qint64 to) {
    Account& a = account();
    modelbench::RawMessageRows store(a.storePath, kConversationId);
    if (!store.isOpen()) {
        state.SkipWithError("cannot open the store");
        return;
    }
    qint64 rows = 0;
    for (auto _ : state) {
        rows = store.read(from, to);
    }
    if (rows != to - from + 1) {
        state.SkipWithError("unexpected rows");
    }
}

void RawRangeRead(benchmark::State& state) {
    rawRead(state, kWindowFrom, kMessages);
}

void RawPageRead(benchmark::State& state) {
    rawRead(state, kPageFrom, kWindowFrom - 1);
}

}  // namespace

BENCHMARK(FirstWindow)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawRangeRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(NextPage)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawPageRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ZVStartUpMarkup();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("FirstWindow", "RawRangeRead", kRatioGoal);
    reporter.printRatio("NextPage", "RawPageRead", kRatioGoal);
    if (const auto window = reporter.seconds.find("FirstWindow");
        window != reporter.seconds.end()) {
        std::printf("First window, ms: %.3f (goal: at most %.0f)\n", window->second * 1000,
                    kFirstWindowGoalMs);
    }
    sharedAccount().reset();
    platform::resetSharedState();
    benchmark::Shutdown();
    return 0;
}
