// The markup encoder and the stripper over 1,000 typical messages, beside a plain XML read of the
// same documents; and the encoder's worst case, a long line full of markers that never close. The
// goals: encoding within five times the plain read, and the worst case under 50 ms, which only a
// search without quadratic rescans meets.

#include "RatioReporter.h"
#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "platform/foundation/Resources.h"

#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QXmlStreamReader>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMessages = 1000;
constexpr int kWorstCaseMarkers = 2000;
constexpr double kEncodeGoal = 5.0;
constexpr double kWorstCaseGoalMs = 50.0;

const std::shared_ptr<ZVMarkupSyntax>& syntax() {
    static const std::shared_ptr<ZVMarkupSyntax> loaded = [] {
        qputenv("ZELVO_HOME", "/nonexistent/zelvo-bench");
        auto s = std::make_shared<ZVMarkupSyntax>();
        QFile file(platform::Resources::pathForResource("syntax", "json"));
        if (!file.open(QIODevice::ReadOnly) || !s->loadFromData(file.readAll())) {
            std::fprintf(stderr, "bench_markup: the bundled syntax did not load\n");
            std::abort();
        }
        return s;
    }();
    return loaded;
}

// Messages as people write them: a few lines of words with some emphasis, links, emoticons,
// now and then a quote or a code block.
const QStringList& messages() {
    static const QStringList built = [] {
        const QStringList words = {"the",    "meeting", "moved", "to",      "friday", "please",
                                   "review", "draft",   "and",   "comment", "thanks", "build"};
        const QStringList extras = {"*important*", "_soon_",
                                    ":)",          "https://example.com/docs/a_(b).",
                                    "((coffee))",  "www.example.org[the wiki]",
                                    "~old~",       "(see above)"};
        QRandomGenerator random(42);
        QStringList list;
        for (int m = 0; m < kMessages; ++m) {
            QString text;
            if (random.bounded(10) == 0) {
                text += "> " + words[random.bounded(int(words.size()))] + " said so\n";
            }
            const int lines = 1 + random.bounded(3);
            for (int l = 0; l < lines; ++l) {
                const int count = 6 + random.bounded(14);
                for (int w = 0; w < count; ++w) {
                    text += (random.bounded(6) == 0 ? extras[random.bounded(int(extras.size()))]
                                                    : words[random.bounded(int(words.size()))]);
                    text += ' ';
                }
                text += '\n';
            }
            if (random.bounded(15) == 0) {
                text += "```\nmake -j4 && ./run --all\n```";
            }
            list << text;
        }
        return list;
    }();
    return built;
}

const QStringList& documents() {
    static const QStringList built = [] {
        QStringList list;
        for (const QString& text : messages()) {
            list << ZVMarkupEncoder(text, std::nullopt, syntax()).result();
        }
        return list;
    }();
    return built;
}

void Encode(benchmark::State& state) {
    const QStringList& texts = messages();
    for (auto _ : state) {
        for (const QString& text : texts) {
            benchmark::DoNotOptimize(ZVMarkupEncoder(text, std::nullopt, syntax()).result());
        }
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}

void Strip(benchmark::State& state) {
    const QStringList& xml = documents();
    for (auto _ : state) {
        for (const QString& document : xml) {
            benchmark::DoNotOptimize(
                ZVMessageStripper::extractPlainTextWithMarkup(document, false));
        }
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}

// The bare read the others are measured against: every token of every document, text kept.
void XmlRead(benchmark::State& state) {
    const QStringList& xml = documents();
    for (auto _ : state) {
        for (const QString& document : xml) {
            QXmlStreamReader reader(document);
            QString text;
            while (!reader.atEnd()) {
                if (reader.readNext() == QXmlStreamReader::Characters) {
                    text += reader.text();
                }
            }
            benchmark::DoNotOptimize(text);
        }
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}

// 10,000 characters on one line, 2,000 opening markers, none of them closed.
void WorstCase(benchmark::State& state) {
    QString text;
    for (int i = 0; i < kWorstCaseMarkers; ++i) {
        text += "*abc ";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZVMarkupEncoder(text, std::nullopt, syntax()).result());
    }
}

BENCHMARK(Encode)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Strip)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(XmlRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(WorstCase)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("Encode", "XmlRead", kEncodeGoal);
    const auto& seconds = reporter.seconds;
    if (seconds.count("WorstCase")) {
        std::printf(
            "Encode 10,000 characters with 2,000 unmatched markers, ms: %.1f (goal: under "
            "%.0f)\n",
            seconds.at("WorstCase") * 1000.0, kWorstCaseGoalMs);
    }
    benchmark::Shutdown();
    return 0;
}
