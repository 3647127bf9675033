// The inbox's labels after a local change: an account holding the generated fixture (2,000
// contacts, 500 conversations) under twelve labels (the system labels and five of the user's),
// one unread conversation marked read, which re-sorts and recounts every label before the call
// returns. Each run's conversation is marked unread again outside the measured time. Beside it, the
// same change with the labels held, which measures the change without the labels' work.
// The goal is printed after the runs.

#include "ModelBench.h"
#include "TimeFigures.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/markup/StartUp.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/SharedState.h"
#include "tests/emulator/Fixture.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;
using Clock = std::chrono::steady_clock;

constexpr zvemu::FixtureSize kFixtureSize{.contacts = 2000,
                                          .conversations = 500,
                                          .messages = 10000,
                                          .hooks = 10,
                                          .teams = 10,
                                          .organisations = 2};
constexpr std::uint64_t kFixtureSeed = 2026;
constexpr int kUserLabels = 5;
// One conversation in this many is left unread, one in this many archived.
constexpr int kUnreadEvery = 3;
constexpr int kArchivedEvery = 7;
constexpr qint64 kEpoch = 1767225600;
constexpr qint64 kInboxStep = 600;
constexpr double kGoalMs = 2.0;
const QString kEmail = u"bench@example.com"_s;
const QString kOwnerId = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;

std::vector<double> markReadMs;
std::vector<double> heldMs;

QJsonObject labelRecord(const QString& id, const QString& kind, int index) {
    return {
        {u"mk_rec_type"_s, u"label"_s},       {u"label_id"_s, id},           {u"index"_s, index},
        {u"mk_label_status"_s, u"active"_s},  {u"mk_label_subtype"_s, kind}, {u"label"_s, id},
        {u"is_in_recent"_s, kind == u"user"}, {u"is_in_muted"_s, true}};
}

// The fixture's records, made whole as the service's full records are: every conversation read
// up to a point, placed in the inbox by time, some under the user's labels; every message an
// inbox message.
QJsonArray accountRecords() {
    const zvemu::Fixture fixture =
        zvemu::generateFixture(kOwnerId, kEmail, kFixtureSize, kFixtureSeed);
    QJsonArray records;
    const QStringList system{u"recent"_s,   u"unread"_s, u"muted"_s, u"starred"_s,
                             u"archived"_s, u"spam"_s,   u"email"_s};
    int index = 0;
    for (const QString& kind : system) {
        records.append(labelRecord(kind, kind, index++));
    }
    for (int i = 0; i < kUserLabels; ++i) {
        records.append(labelRecord(u"user%1"_s.arg(i), u"user"_s, index++));
    }
    for (const QJsonObject& record : fixture.contacts) {
        records.append(record);
    }
    int n = 0;
    for (const QJsonObject& conversation : fixture.conversations) {
        QJsonObject record = conversation;
        const qint64 last = std::max<qint64>(record.value(u"last_message_nr"_s).toInteger(), 1);
        const bool unread = n % kUnreadEvery == 0 && last > 1;
        const qint64 read = unread ? last - 1 : last;
        record.insert(u"is_init"_s, true);
        record.insert(u"join_message_nr"_s, 1);
        record.insert(u"bw_message_nr"_s, 1);
        record.insert(u"fw_message_nr"_s, last);
        record.insert(u"last_message_nr"_s, last);
        record.insert(u"last_inbox_nr"_s, last);
        record.insert(u"show_message_nr"_s, last);
        record.insert(u"hide_message_nr"_s, n % kArchivedEvery == 0 ? last : 0);
        record.insert(u"read_message_nr"_s, read);
        record.insert(u"unread_count"_s, unread ? 1 : 0);
        record.insert(u"inbox_message_nr"_s, unread ? read + 1 : last);
        record.insert(u"inbox_time"_s, kEpoch + n * kInboxStep);
        record.insert(u"label_ids"_s, QJsonArray{u"user%1"_s.arg(n % kUserLabels)});
        records.append(record);
        ++n;
    }
    for (const QJsonObject& message : fixture.messages) {
        QJsonObject record = message;
        const qint64 nr = record.value(u"message_nr"_s).toInteger();
        record.insert(u"inbox_nr"_s, nr);
        record.insert(u"prev_message_nr"_s, nr - 1);
        records.append(record);
    }
    return records;
}

// The account, built once for both runs.
struct World : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::vector<std::shared_ptr<Conversation>> unread;
};

World* world() {
    static World* made = [] {
        auto* w = new World(kOwnerId, kEmail);
        if (!w->session) {
            return w;
        }
        const ZVErrorPtr error = modelbench::storeStream(w->session, accountRecords());
        if (error) {
            return w;
        }
        for (const auto& conversation : w->session->conversations()) {
            if (conversation->isUnread()) {
                w->unread.push_back(conversation);
            }
        }
        return w;
    }();
    return made;
}

void closeWorld() {
    World* w = world();
    w->unread.clear();
    w->session.reset();
    ZVApi::resetSharedApi();
    platform::resetSharedState();
    delete w;
}

// Marks unread conversations read one after the other, each made unread again unmeasured.
// With `labelsHeld` the labels take the changes only then, unmeasured too: the local change alone.
void markRead(benchmark::State& state, bool labelsHeld, std::vector<double>& figures) {
    World* w = world();
    if (w->unread.empty() || w->session->labels().size() < kUserLabels) {
        state.SkipWithError("no account to change");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        const auto& conversation = w->unread[next++ % w->unread.size()];
        if (labelsHeld) {
            w->session->holdLabelChanges();
        }
        const Clock::time_point start = Clock::now();
        conversation->markRead();
        figures.push_back(milliseconds(Clock::now() - start));
        state.PauseTiming();
        if (conversation->isUnread()) {
            state.SkipWithError("the conversation stayed unread");
            break;
        }
        conversation->markUnread();
        if (labelsHeld) {
            w->session->resumeLabelChanges();
        }
        state.ResumeTiming();
    }
}

void MarkReadResortsLabels(benchmark::State& state) {
    markRead(state, false, markReadMs);
}

void MarkReadLabelsHeld(benchmark::State& state) {
    markRead(state, true, heldMs);
}

BENCHMARK(MarkReadResortsLabels)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(MarkReadLabelsHeld)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ZVStartUpMarkup();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (!markReadMs.empty()) {
        std::printf("MarkRead re-sorting every label, ms p50: %.3f (goal: at most %.0f)\n",
                    median(markReadMs), kGoalMs);
    }
    if (!heldMs.empty()) {
        std::printf("MarkRead with the labels held (the change alone), ms p50: %.3f\n",
                    median(heldMs));
    }
    closeWorld();
    benchmark::Shutdown();
    return 0;
}
