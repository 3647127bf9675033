// The inbox search as the user types: an account holding the generated fixture (2,000 contacts,
// 500 conversations known in full) searched once per keystroke of a few names and topic words,
// each keystroke abandoning the search of the one before and matching every contact and
// conversation anew, beside RawPrefixScan, the bare word-start test over the same names and
// topics. The server search is never reached: a keystroke comes well inside its second.
// The goals are printed after the runs. Times are the main thread's CPU time, so that other work
// on a shared machine does not count against the search.

#include "BenchmarkMain.h"
#include "ModelBench.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/StartUp.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/model/search/ZVSearch.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "platform/foundation/SharedState.h"
#include "tests/emulator/Fixture.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr zvemu::FixtureSize kFixtureSize{.contacts = 2000,
                                          .conversations = 500,
                                          .messages = 0,
                                          .hooks = 0,
                                          .teams = 0,
                                          .organisations = 1};
constexpr std::uint64_t kFixtureSeed = 2026;
constexpr qint64 kEpoch = 1767225600;
constexpr qint64 kInboxStep = 600;
constexpr double kGoalMs = 5.0;
const QString kEmail = u"bench@example.com"_s;
const QString kOwnerId = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;
// What the user types, one keystroke at a time: names and topic words of the fixture, and an
// address.
const QStringList kTyped{u"priya park"_s, u"review"_s, u"sprint plan"_s,
                         u"ben.costa@example.com"_s};

// The calling thread's CPU time, in milliseconds.
double threadMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

QStringList keystrokes() {
    QStringList texts;
    for (const QString& typed : kTyped) {
        for (qsizetype length = 1; length <= typed.size(); ++length) {
            texts.append(typed.left(length));
        }
    }
    return texts;
}

// The account: the fixture's contacts and its conversations, known in full and spread over the
// inbox by time.
struct Account : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
};

std::unique_ptr<Account> openAccount() {
    auto account = std::make_unique<Account>(kOwnerId, kEmail);
    if (!account->session) {
        return nullptr;
    }
    const zvemu::Fixture fixture =
        zvemu::generateFixture(kOwnerId, kEmail, kFixtureSize, kFixtureSeed);
    QJsonArray records;
    for (const QJsonObject& record : fixture.contacts) {
        records.append(record);
    }
    qint64 n = 0;
    for (QJsonObject record : fixture.conversations) {
        record.insert(u"is_init"_s, true);
        record.insert(u"inbox_time"_s, kEpoch + n++ * kInboxStep);
        records.append(record);
    }
    const ZVErrorPtr error = modelbench::storeStream(account->session, records);
    if (error || account->session->conversations().size() < kFixtureSize.conversations) {
        return nullptr;
    }
    return account;
}

std::vector<double> searchMs;
std::vector<double> rawMs;
qsizetype matchesSeen = 0;

void InboxSearchPerKeystroke(benchmark::State& state) {
    const auto account = openAccount();
    if (!account) {
        state.SkipWithError("the fixture was not applied");
        return;
    }
    const QStringList texts = keystrokes();
    std::shared_ptr<ZVSearch> previous;
    qsizetype next = 0;
    for (auto _ : state) {
        const QString& text = texts[next++ % texts.size()];
        const double start = threadMs();
        if (previous) {
            previous->abandon();
        }
        previous = ZVSearch::create(account->session, text, true);
        searchMs.push_back(threadMs() - start);
        matchesSeen += previous->totalMatchCount();
    }
    if (previous) {
        previous->abandon();
    }
    if (matchesSeen == 0) {
        state.SkipWithError("nothing matched");
    }
    account->session.reset();
    ZVApi::resetSharedApi();
    platform::resetSharedState();
}

// The least any search must do: the word-start test of the text on every name and topic.
void RawPrefixScan(benchmark::State& state) {
    const auto account = openAccount();
    if (!account) {
        state.SkipWithError("the fixture was not applied");
        return;
    }
    QStringList names;
    for (const auto& contact : account->session->contacts()) {
        names.append(contact->displayName());
    }
    for (const auto& conversation : account->session->conversations()) {
        names.append(conversation->topicText());
    }
    const QStringList texts = keystrokes();
    qsizetype next = 0;
    for (auto _ : state) {
        const QString& text = texts[next++ % texts.size()];
        const double start = threadMs();
        qsizetype found = 0;
        for (const QString& name : names) {
            found += rangeOfPrefixString(name, text).found() ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
        rawMs.push_back(threadMs() - start);
    }
    account->session.reset();
    ZVApi::resetSharedApi();
    platform::resetSharedState();
}

BENCHMARK(InboxSearchPerKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawPrefixScan)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    return runBenchmarksIn<QCoreApplication>(argc, argv, ZVStartUpModel, [](const RatioReporter&) {
        if (!searchMs.empty()) {
            std::printf(
                "Inbox search per keystroke, ms (thread CPU) p50: %.3f (goal: at most %.0f)\n",
                percentile(searchMs, 0.5), kGoalMs);
            std::printf(
                "Inbox search per keystroke, ms (thread CPU) p95: %.3f (goal: at most %.0f)\n",
                percentile(searchMs, 0.95), kGoalMs);
        }
        if (!searchMs.empty() && !rawMs.empty()) {
            std::printf("InboxSearchPerKeystroke / RawPrefixScan, p50: %.1f (no goal)\n",
                        percentile(searchMs, 0.5) / percentile(rawMs, 0.5));
        }
    });
}
