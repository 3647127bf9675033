// The account's data model against the work it stands for:
//  - ApplyAnswer: a recorded answer of 100 contact records read, applied and saved by a repository
//    session, beside RawInsert, plain SQLite inserting the same rows in one transaction;
//  - InitialSync: a fresh account fed a generated fixture (2,000 contacts, 500 conversations,
//    100,000 messages) by the loopback emulator in answer-sized pages, with the longest time the
//    main loop went without turning;
//  - StartUp: a signed-in account with that store opened and its maps loaded.
// The goals are printed after the runs, one line each.

#include "ModelBench.h"
#include "TimeFigures.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/markup/StartUp.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "tests/emulator/Fixture.h"
#include "tests/emulator/ServiceEmulator.h"
#include "tests/emulator/ServiceModel.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;
using Clock = std::chrono::steady_clock;

constexpr int kAnswerRecords = 100;
// The people an account knows before the answer.
constexpr int kAccountContacts = 2000;
constexpr zvemu::FixtureSize kFixtureSize{.contacts = 2000,
                                          .conversations = 500,
                                          .messages = 100000,
                                          .hooks = 40,
                                          .teams = 30,
                                          .organisations = 3};
constexpr std::uint64_t kFixtureSeed = 2026;
constexpr int kPageSize = 1000;
// The main loop's probe turns this often, so that the loop still sleeps between answers.
constexpr platform::TimeInterval kProbeInterval = 0.002;
const QString kEmail = u"bench@example.com"_s;

// Figures the runs leave for the goal lines.
struct Figures {
    std::vector<double> applyMs;
    std::vector<double> rawMs;
    double syncMs = 0;
    double longestStallMs = 0;
    std::vector<double> startUpMs;
};
Figures figures;

// Keeps the batch numbers of ids positive (the account's own people have negative batches).
constexpr int kBatchIdBias = 100000;

QString contactId(int batch, int index) {
    return u"%1-0000-4000-8000-%2"_s.arg(batch + kBatchIdBias, 8, 10, QChar(u'0'))
        .arg(index, 12, 10, QChar(u'0'));
}

QJsonObject contactRecord(int batch, int index) {
    return {
        {u"mk_rec_type"_s, u"contact"_s},
        {u"account_id"_s, contactId(batch, index)},
        {u"email"_s, u"person%1.%2@example.com"_s.arg(batch).arg(index)},
        {u"display_name"_s, u"Person %1 %2"_s.arg(batch).arg(index)},
        {u"mk_account_status"_s, u"active"_s},
        {u"activity_time"_s, 1767225600 + index},
        {u"zelvo_address"_s, u"p%1x%2"_s.arg(batch).arg(index)},
        {u"avatar_urls"_s, QJsonObject{{u"size_50"_s, u"https://a.example/%1/50"_s.arg(index)},
                                       {u"size_100"_s, u"https://a.example/%1/100"_s.arg(index)}}}};
}

// An answer as the service sends it: the bytes of its JSON, bringing the batch's people or
// removing them.
QByteArray answerBytes(int batch, bool removal) {
    QJsonArray stream;
    for (int i = 0; i < kAnswerRecords; ++i) {
        stream.append(removal ? QJsonObject{{u"mk_rec_type"_s, u"contact"_s},
                                            {u"account_id"_s, contactId(batch, i)},
                                            {u"is_deleted"_s, true}}
                              : contactRecord(batch, i));
    }
    return QJsonDocument(QJsonObject{{u"stream"_s, stream}, {u"event_horizon"_s, batch}})
        .toJson(QJsonDocument::Compact);
}

using modelbench::credentialsFor;
using modelbench::openSession;

void ApplyAnswer(benchmark::State& state) {
    QTemporaryDir root;
    platform::Paths::setRoot(root.path());
    const auto session = openSession(u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s, kEmail);
    if (!session) {
        state.SkipWithError("no session");
        return;
    }
    const auto apply = [&](const QByteArray& bytes) {
        const QJsonObject answer = QJsonDocument::fromJson(bytes).object();
        modelbench::storeStream(session, answer.value(u"stream"_s));
    };
    // An account of the fixture's size; each answer's people are removed again after it.
    for (int batch = 1; batch <= kAccountContacts / kAnswerRecords; ++batch) {
        apply(answerBytes(-batch, false));
    }
    const qsizetype known = session->contacts().size();
    int batch = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QByteArray bytes = answerBytes(++batch, false);
        const QByteArray removal = answerBytes(batch, true);
        state.ResumeTiming();
        const Clock::time_point start = Clock::now();
        apply(bytes);
        figures.applyMs.push_back(milliseconds(Clock::now() - start));
        state.PauseTiming();
        if (session->contacts().size() != known + kAnswerRecords) {
            state.SkipWithError("the answer was not applied");
        }
        apply(removal);
        state.ResumeTiming();
    }
    platform::resetSharedState();
}

void RawInsert(benchmark::State& state) {
    QTemporaryDir root;
    sqlite3* db = nullptr;
    sqlite3_open(root.filePath(u"raw.sqlite"_s).toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE Contact (rowid INTEGER PRIMARY KEY, account_id TEXT, display_name "
                 "TEXT, email TEXT, mk_account_status INTEGER, is_hidden_for_add INTEGER, "
                 "avatar_urls TEXT, activity_time REAL, dialog_id TEXT, is_dialog_listed INTEGER, "
                 "phone_nr TEXT, zelvo_address TEXT, organisation_id TEXT, uncommitted_fields "
                 "INTEGER);"
                 "CREATE INDEX Contact_account_id ON Contact (account_id);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Contact (account_id, display_name, email, mk_account_status, "
                       "is_hidden_for_add, avatar_urls, activity_time, zelvo_address) VALUES "
                       "(?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &insert, nullptr);
    // The same number of rows as the account has, as in ApplyAnswer.
    const auto insertRow = [&](const QJsonObject& record) {
        const auto text = [&](int column, const QString& value) {
            const QByteArray utf8 = value.toUtf8();
            sqlite3_bind_text(insert, column, utf8.constData(), static_cast<int>(utf8.size()),
                              SQLITE_TRANSIENT);
        };
        text(1, record.value(u"account_id"_s).toString());
        text(2, record.value(u"display_name"_s).toString());
        text(3, record.value(u"email"_s).toString());
        sqlite3_bind_int(insert, 4, 3);
        sqlite3_bind_int(insert, 5, 0);
        text(6, QString::fromUtf8(QJsonDocument(record.value(u"avatar_urls"_s).toObject())
                                      .toJson(QJsonDocument::Compact)));
        sqlite3_bind_double(insert, 7, record.value(u"activity_time"_s).toDouble());
        text(8, record.value(u"zelvo_address"_s).toString());
        sqlite3_step(insert);
        sqlite3_reset(insert);
    };
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kAccountContacts; ++i) {
        insertRow(contactRecord(-1 - i / kAnswerRecords, i % kAnswerRecords));
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    int batch = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<QJsonObject> records;
        ++batch;
        for (int i = 0; i < kAnswerRecords; ++i) {
            records.push_back(contactRecord(batch, i));
        }
        state.ResumeTiming();
        const Clock::time_point start = Clock::now();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (const QJsonObject& record : records) {
            insertRow(record);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        figures.rawMs.push_back(milliseconds(Clock::now() - start));
        state.PauseTiming();
        sqlite3_exec(db, "DELETE FROM Contact WHERE rowid > 2000", nullptr, nullptr, nullptr);
        state.ResumeTiming();
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

// The emulator, its account holding the fixture, and the folder of the synced store.
struct SyncWorld {
    zvemu::ServiceEmulator emulator;
    std::unique_ptr<zvemu::ServiceModel> service;
    zvemu::Account account;
    QTemporaryDir syncedRoot;
};
SyncWorld& world() {
    static SyncWorld* made = [] {
        auto* w = new SyncWorld;
        w->emulator.start();
        w->service = std::make_unique<zvemu::ServiceModel>(w->emulator);
        w->service->setPageSize(kPageSize);
        w->account = w->emulator.addAccount(kEmail, u"secret"_s, u"bench"_s);
        w->service->seed(w->account.accountId, zvemu::generateFixture(w->account.accountId, kEmail,
                                                                      kFixtureSize, kFixtureSeed));
        return w;
    }();
    return *made;
}

// Under the address sanitizer the fixture's sync takes minutes: the figure would say nothing.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeavyRuns = false;
#else
constexpr bool kHeavyRuns = true;
#endif

void InitialSync(benchmark::State& state) {
    if (!kHeavyRuns) {
        state.SkipWithError(
            "skipped in the sanitizer build: the fixture's sync is measured in "
            "the optimised build only");
        return;
    }
    SyncWorld& w = world();
    platform::Scheduler& scheduler = platform::Scheduler::main();
    for (auto _ : state) {
        QTemporaryDir root;
        platform::Paths::setRoot(root.path());
        ZVApi::setApplicationId(u"ZelvoIPhone"_s);
        ZVApi::setSessionClass(ZVRepositorySession::factory());
        ZVApi::api().setCustomBaseURL(w.emulator.baseUrl());
        const zvemu::Credentials issued = w.emulator.issueCredentials(w.account.accountId);
        auto credentials = credentialsFor(w.account.accountId, kEmail);
        credentials->setTicket(issued.ticket);
        credentials->setCookie(issued.token);
        const qint64 end = w.emulator.eventHorizon(w.account.accountId);

        // The main loop's probe: the longest gap between two of its turns.
        Clock::time_point last = Clock::now();
        double longest = 0;
        bool probing = true;
        std::function<void()> probe = [&] {
            const Clock::time_point now = Clock::now();
            longest = std::max(longest, milliseconds(now - last) - kProbeInterval * 1000);

            last = now;
            if (probing) {
                scheduler.after(kProbeInterval, probe);
            }
        };
        scheduler.after(kProbeInterval, probe);

        const Clock::time_point start = Clock::now();
        ZVJsonParser profiles(QJsonObject{
            {u"profiles"_s, QJsonArray{QJsonObject{{u"account_id"_s, w.account.accountId},
                                                   {u"email"_s, kEmail}}}}});
        auto session = ZVApi::api().createSessionWithCredentials(credentials, &profiles);
        ZVApi::api().login();
        ZVApi::api().startLongPoll();
        const bool done =
            session && scheduler.runUntil([&] { return session->eventHorizon() >= end; }, 120000);
        const double elapsed = milliseconds(Clock::now() - start);
        probing = false;
        scheduler.runUntil([] { return false; }, 5);
        if (!done) {
            state.SkipWithError("the stream was not applied");
            break;
        }
        figures.syncMs = std::max(figures.syncMs, elapsed);
        figures.longestStallMs = std::max(figures.longestStallMs, longest);
        // The last synced store stays for the start-up run, once closed and whole in its file.
        const QString store = std::dynamic_pointer_cast<ZVRepositorySession>(session)
                                  ->repository()
                                  ->repositoryURL()
                                  .toLocalFile();
        session.reset();
        ZVApi::resetSharedApi();
        platform::resetSharedState();
        QDir(w.syncedRoot.path()).removeRecursively();
        QDir().mkpath(w.syncedRoot.path());
        QFile::copy(store, QDir(w.syncedRoot.path()).filePath(u"Zelvo.sqlite"_s));
    }
}

void StartUp(benchmark::State& state) {
    SyncWorld& w = world();
    const QString store = QDir(w.syncedRoot.path()).filePath(u"Zelvo.sqlite"_s);
    if (!QFile::exists(store)) {
        state.SkipWithError("run InitialSync first");
        return;
    }
    QTemporaryDir root;
    platform::Paths::setRoot(root.path());
    const QString placed =
        ZVDataRepository::repositoryURLWithSessionId(w.account.accountId).toLocalFile();
    QDir().mkpath(QFileInfo(placed).absolutePath());
    QFile::copy(store, placed);
    qsizetype loaded = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        auto session = openSession(w.account.accountId, kEmail);
        figures.startUpMs.push_back(milliseconds(Clock::now() - start));
        if (!session) {
            state.SkipWithError("no session");
            break;
        }
        loaded = session->contacts().size();
    }
    if (loaded < kFixtureSize.contacts) {
        state.SkipWithError("the store was not loaded");
    }
    platform::resetSharedState();
}

BENCHMARK(ApplyAnswer)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawInsert)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(InitialSync)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(StartUp)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // Messages read their XML through the markup library's services, as in the application;
    // without them each message record logs that a service is missing.
    ZVStartUpMarkup();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double apply = median(figures.applyMs);
    const double raw = median(figures.rawMs);
    if (apply > 0 && raw > 0) {
        std::printf("ApplyAnswer / RawInsert, p50: %.2f (goal: at most 3.00)\n", apply / raw);
        std::printf("Apply 100 records, ms p50: %.2f (goal: at most 10)\n", apply);
    }
    if (figures.syncMs > 0) {
        std::printf("InitialSync of the fixture, s: %.2f (goal: at most 5.00)\n",
                    figures.syncMs / 1000);
        std::printf("InitialSync longest main-loop stall, ms: %.1f (goal: at most 50)\n",
                    figures.longestStallMs);
    }
    if (!figures.startUpMs.empty()) {
        std::printf("StartUp store open to maps loaded, ms p50: %.1f (goal: at most 300)\n",
                    median(figures.startUpMs));
    }
    benchmark::Shutdown();
    return 0;
}
