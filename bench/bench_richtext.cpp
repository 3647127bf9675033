// Rich text's speed: message XML parsed to attributed text and measured for a width, beside a
// plain XML read and a raw QTextLayout of the same text in the same run. The goal is printed after
// the runs.

#include "GuiBenchmarkMain.h"
#include "toolkit/richtext/StartUp.h"
#include "toolkit/richtext/ZVMessageParser.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QXmlStreamReader>
#include <QtGui/QGuiApplication>
#include <QtGui/QTextLayout>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kMessages = 1000;
constexpr qreal kWidth = 300;
constexpr double kColdGoal = 3.0;
constexpr int kCodeLines = 30;

// Message XML with links, emoticons, a quote and, every tenth message, a long code block.
const std::vector<QString>& fixture() {
    static const std::vector<QString> messages = [] {
        std::vector<QString> made;
        QString code;
        for (int line = 0; line < kCodeLines; ++line) {
            code += QStringLiteral("for (int i = 0; i &lt; n; ++i) { total += value[i]; }\n");
        }
        for (int i = 0; i < kMessages; ++i) {
            QString xml = QStringLiteral(
                              "<msg>Message %1: the <b>build</b> on the branch is green again, "
                              "see <a href=\"https://ci.example.test/run/%1\">the run</a> "
                              "<emo kind=\"esmile\">:)</emo> and <i>the notes</i>.<br/>"
                              "<q>Earlier: is the release still on for Friday?</q>")
                              .arg(i);
            if (i % 10 == 0) {
                xml += QStringLiteral("<pre>") + code + QStringLiteral("</pre>");
            }
            xml += QStringLiteral("</msg>");
            made.push_back(xml);
        }
        return made;
    }();
    return messages;
}

void ParseAndMeasure(benchmark::State& state) {
    for (auto _ : state) {
        qreal total = 0;
        for (const QString& xml : fixture()) {
            ZVMessageParser parser;
            parser.allowFormatting = true;
            parser.defaultAttributes = ZVTextStyles::attributesForStyle(0);
            parser.parseMessage(xml);
            total += ZVRichTextLayout::heightForText(parser.attributedText(), kWidth);
        }
        benchmark::DoNotOptimize(total);
    }
}

void RawReadAndLayout(benchmark::State& state) {
    const QFont font = ZVTextStyles::qfontForStyle(0);
    for (auto _ : state) {
        qreal total = 0;
        for (const QString& xml : fixture()) {
            QXmlStreamReader reader(xml);
            QString text;
            while (!reader.atEnd()) {
                if (reader.readNext() == QXmlStreamReader::Characters) {
                    text += reader.text();
                }
            }
            QTextLayout layout(text, font);
            layout.beginLayout();
            qreal height = 0;
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(kWidth);
                line.setPosition(QPointF(0, height));
                height += line.height();
            }
            layout.endLayout();
            total += height;
        }
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK(ParseAndMeasure)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawReadAndLayout)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(
        argc, argv, &ZVStartUpToolkitRichText, [](const RatioReporter& reporter) {
            reporter.printRatio("ParseAndMeasure", "RawReadAndLayout", kColdGoal);
        });
}
