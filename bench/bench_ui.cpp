// The view layer's speed: message texts laid out in text frames beside raw QTextLayout of the
// same strings, and a phone screen of rich-text rows rendered offscreen at scale 2. The goals are
// printed after the runs.

#include "GuiBenchmarkMain.h"
#include "platform/ui/StartUp.h"
#include "platform/ui/text/FontTable.h"
#include "platform/ui/text/TextFrame.h"
#include "platform/ui/view/Window.h"
#include "tools/gallery/SampleScreen.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPainter>
#include <QtGui/QTextLayout>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace platform;

namespace {

constexpr int kTexts = 1000;
constexpr qreal kFirstWidth = 300;
constexpr qreal kSecondWidth = 220;
constexpr int kRows = 12;
constexpr qreal kRowHeight = 667.0 / kRows;
constexpr qreal kEmoticonSide = 18;
constexpr double kFirstLayoutGoal = 2.0;
constexpr double kRenderGoalMs = 4;

// Message-like texts: plain words, a link, emoticon placeholders, a quote and a code line.
struct Fixture {
    std::vector<StyledText> styled;
    // The same strings with the same fonts as format ranges, for raw QTextLayout.
    std::vector<std::pair<QString, QList<QTextLayout::FormatRange>>> raw;
};

const Fixture& fixture() {
    static const Fixture f = [] {
        Fixture made;
        TextLook body;
        body.font = FontTable::font(QStringLiteral("OpenSans"), 16);
        TextLook link = body;
        link.foreground = QColor(0x1E, 0x6F, 0xD9);
        link.underline = true;
        TextLook quote = body;
        quote.font = FontTable::font(QStringLiteral("OpenSans-Italic"), 16);
        quote.paragraph.headIndent = 12;
        quote.paragraph.firstLineHeadIndent = 12;
        TextLook code;
        code.font = FontTable::font(QStringLiteral("Courier New"), 14);
        const auto emoticon = [] {
            return PlaceholderMetrics{kEmoticonSide, kEmoticonSide - 2, 2};
        };
        for (int i = 0; i < kTexts; ++i) {
            StyledText text;
            text.append(
                QStringLiteral("Message %1: the build on the branch is green again, ").arg(i),
                body);
            text.append(QStringLiteral("https://example.org/builds/%1").arg(i * 7), link);
            text.append(QStringLiteral(" has the log "), body);
            for (int e = 0; e < 1 + i % 3; ++e) {
                text.appendPlaceholder(body, emoticon);
                text.append(QStringLiteral(" "), body);
            }
            if (i % 2 == 0) {
                text.append(
                    QStringLiteral("\n> quoting the earlier message about the release plan"),
                    quote);
            }
            if (i % 3 == 0) {
                text.append(QStringLiteral("\nconst int answer = %1;").arg(i), code);
            }
            text.append(QStringLiteral("\nThanks, see you at the review tomorrow."), body);
            QList<QTextLayout::FormatRange> formats;
            for (const TextLookRun& run : text.runs()) {
                QTextCharFormat format;
                format.setFont(run.look.font);
                format.setForeground(run.look.foreground);
                format.setFontUnderline(run.look.underline);
                formats.append({run.location, run.length, format});
            }
            made.raw.emplace_back(text.string(), formats);
            made.styled.push_back(std::move(text));
        }
        return made;
    }();
    return f;
}

qreal rawLayout(const QString& string, const QList<QTextLayout::FormatRange>& formats,
                qreal width) {
    // Paragraph by paragraph, as a text frame does.
    qreal height = 0;
    int start = 0;
    const QFont font = FontTable::font(QStringLiteral("OpenSans"), 16);
    for (const QString& paragraph : string.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        QList<QTextLayout::FormatRange> mine;
        for (const auto& range : formats) {
            const int from = std::max(range.start, start);
            const int to = std::min(range.start + range.length, start + int(paragraph.size()));
            if (from < to) {
                mine.append({from - start, to - from, range.format});
            }
        }
        layout.setFormats(mine);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
        start += int(paragraph.size()) + 1;
    }
    return height;
}

void FrameLayoutFirst(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        for (const StyledText& text : f.styled) {
            const TextFrame frame(text, {kFirstWidth, TextFrame::kUnlimited});
            benchmark::DoNotOptimize(frame.usedSize());
        }
    }
    state.SetItemsProcessed(state.iterations() * kTexts);
}

void RawLayoutFirst(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        for (const auto& [string, formats] : f.raw) {
            benchmark::DoNotOptimize(rawLayout(string, formats, kFirstWidth));
        }
    }
    state.SetItemsProcessed(state.iterations() * kTexts);
}

void FrameLayoutNewWidth(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        for (const StyledText& text : f.styled) {
            TextFrame frame(text, {kFirstWidth, TextFrame::kUnlimited});
            frame.setSize({kSecondWidth, TextFrame::kUnlimited});
            benchmark::DoNotOptimize(frame.usedSize());
        }
    }
    state.SetItemsProcessed(state.iterations() * kTexts);
}

void RawLayoutNewWidth(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        for (const auto& [string, formats] : f.raw) {
            benchmark::DoNotOptimize(rawLayout(string, formats, kFirstWidth));
            benchmark::DoNotOptimize(rawLayout(string, formats, kSecondWidth));
        }
    }
    state.SetItemsProcessed(state.iterations() * kTexts);
}

void RenderRichTextScreen(benchmark::State& state) {
    auto window = Window::make(DeviceProfile::phone());
    auto root = View::make(window->bounds());
    root->setBackgroundColor(Qt::white);
    window->setRootView(root);
    const Fixture& f = fixture();
    for (int row = 0; row < kRows; ++row) {
        auto view = View::make<gallery::TextBlockView>(
            QRectF(8, row * kRowHeight, window->bounds().width() - 16, kRowHeight - 1));
        view->setText(f.styled[static_cast<std::size_t>(row)]);
        view->setClipsToBounds(true);
        root->addSubview(view);
    }
    QImage image((window->profile().size * window->profile().scale).toSize(),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(window->profile().scale);
    for (auto _ : state) {
        QPainter painter(&image);
        window->render(painter);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(FrameLayoutFirst)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawLayoutFirst)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(FrameLayoutNewWidth)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawLayoutNewWidth)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RenderRichTextScreen)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &startUpUi, [](const RatioReporter& reporter) {
        const auto& s = reporter.seconds;
        reporter.printRatio("FrameLayoutFirst", "RawLayoutFirst", kFirstLayoutGoal);
        if (s.count("FrameLayoutNewWidth") != 0 && s.count("RawLayoutNewWidth") != 0) {
            std::printf("FrameLayoutNewWidth / RawLayoutNewWidth: %.2f (no goal: for reference)\n",
                        s.at("FrameLayoutNewWidth") / s.at("RawLayoutNewWidth"));
        }
        if (s.count("RenderRichTextScreen") != 0) {
            std::printf(
                "Render 12 rich-text rows at scale 2, ms per frame: %.2f (goal: at most %.0f)\n",
                s.at("RenderRichTextScreen") * 1000, kRenderGoalMs);
        }
    });
}
