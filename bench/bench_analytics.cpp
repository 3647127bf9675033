// The analytics library's costs on the main thread and in its store. Goal: handing a hit to the
// library's thread costs the main thread under 20 µs per event while the dispatcher sends. The hit
// store's insert rate is printed beside plain SQLite's, each hit saved in its own transaction as
// the dispatcher saves it.
#include "Analytics/Library/StartUp.h"
#include "Analytics/Library/ZA.h"
#include "Analytics/Library/ZADataStore.h"
#include "Analytics/Library/ZADictionaryBuilder.h"
#include "Analytics/Library/ZAThread.h"
#include "Analytics/Library/ZATrackerImpl.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kEvents = 10000;
constexpr int kStoredHits = 1000;
constexpr double kMainThreadGoalMicros = 20.0;

double trackMicrosPerEvent = 0;
double storeSecondsPerHit = 0;
double rawSecondsPerHit = 0;

void TrackEvents(benchmark::State& state) {
    auto& analytics = ZA::sharedInstance();
    auto tracker = std::dynamic_pointer_cast<ZATrackerImpl>(
        analytics.trackerWithTrackingId(QStringLiteral("ZA-24681357-1")));
    tracker->set(QStringLiteral("&cd"), QStringLiteral("Conversation screen"));
    // The rate limit would drop all but 60 of a burst; transactions take the same road unthrottled.
    const ZAHitParameters hit =
        ZADictionaryBuilder::createTransactionWithId(QStringLiteral("t"), QStringLiteral("a"), 1,
                                                     {}, {}, QStringLiteral("EUR"))
            .build();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kEvents; ++i) {
            tracker->send(hit);
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        trackMicrosPerEvent = std::chrono::duration<double, std::micro>(elapsed).count() / kEvents;
        state.PauseTiming();
        analytics.dispatch();
        ZAThread::shared().waitUntilIdle();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void HitStoreInsert(benchmark::State& state) {
    auto store = ZADataStore::dataStore();
    ZAHitRecord hit;
    hit.parameters = {{QStringLiteral("&t"), QStringLiteral("event")},
                      {QStringLiteral("&ec"), QStringLiteral("Conversation screen")},
                      {QStringLiteral("&ea"), QStringLiteral("Send")}};
    for (auto _ : state) {
        // On the SDK thread, where the dispatcher stores each hit.
        ZAThread::shared().performAndWait([&] {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kStoredHits; ++i) {
                store->addHit(hit);
                store->save();
            }
            storeSecondsPerHit =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                kStoredHits;
        });
    }
}

void RawInsert(benchmark::State& state) {
    const QString path = QDir(platform::Paths::libraryDirectory()).filePath("raw.sql");
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                 nullptr);
    sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS hit (timestamp REAL, parameters BLOB)", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO hit VALUES (?, ?)", -1, &insert, nullptr);
    const QByteArray parameters = R"({"&t":"event","&ec":"Conversation screen","&ea":"Send"})";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kStoredHits; ++i) {
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            sqlite3_bind_double(insert, 1, i);
            sqlite3_bind_blob(insert, 2, parameters.constData(), int(parameters.size()),
                              SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
        rawSecondsPerHit =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
            kStoredHits;
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

BENCHMARK(TrackEvents)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(HitStoreInsert)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(RawInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    platform::Paths::setRoot(root.path());
    ZAStartUp();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Track event, main thread, us per event: %.2f (goal: at most %.2f)\n",
                trackMicrosPerEvent, kMainThreadGoalMicros);
    if (rawSecondsPerHit > 0) {
        std::printf("Hit store insert / raw SQLite insert: %.2f (hits per second: %.0f / %.0f)\n",
                    storeSecondsPerHit / rawSecondsPerHit, 1 / storeSecondsPerHit,
                    1 / rawSecondsPerHit);
    }
    ZA::resetSharedInstance();
    benchmark::Shutdown();
    return 0;
}
