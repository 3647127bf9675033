// A form's text row while the user types: 200 characters typed one key at a time into the
// text-view row of a phone-sized form, each key through the row's growth (content size, height,
// the table's animated update) and a render of the form at scale 2, beside the same text edited
// in a bare QTextDocument, laid out and drawn into an image of the same size. The goals are
// printed after the runs.
#include "GuiBenchmarkMain.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/view/Window.h"
#include "toolkit/StartUp.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/dialogs/ZVTextFieldCell.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QPainter>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace platform;

namespace {

constexpr int kKeystrokes = 200;
constexpr double kRatioGoal = 5;
constexpr double kKeystrokeGoalMs = 4;
constexpr double kFrame = 1.0 / 60;
// The text view's width in the form: the phone's width less the row's margins.
constexpr qreal kTextWidth = 375 - 2 * 13;

// Words of mixed lengths, so that lines wrap as they would in a description.
QChar keyAt(int index) {
    static const QString text = QStringLiteral(
        "Our team plans the spring release here: questions about the schedule, the design "
        "review and the shared files go to this conversation, please keep it short and kind "
        "to everyone who reads it later on.");
    return text.at(index % text.size());
}

struct Form {
    std::shared_ptr<Window> window = Window::make(DeviceProfile::phone());
    std::shared_ptr<ZVDialogCells> form = ViewController::make<ZVDialogCells>();
    std::shared_ptr<ZVTextViewCell> about = std::make_shared<ZVTextViewCell>();

    Form() {
        Keyboard::setShared(std::make_shared<FakeKeyboard>());
        form->addHeader(QStringLiteral("Team"));
        form->addCell(std::make_shared<ZVTextFieldCell>());
        form->addHeader(QStringLiteral("About"));
        form->addCell(about);
        form->addHeader(QStringLiteral("Members"));
        for (int i = 0; i < 8; ++i) {
            auto row = std::make_shared<ZVLabelCell>();
            row->setLabelText(QStringLiteral("Member %1").arg(i + 1));
            row->setDetailText(QStringLiteral("admin"));
            form->addCell(row);
        }
        window->setRootView(form->view());
        form->view()->setFrame(window->bounds());
        form->tableView()->reloadData();
        window->updateNow();
    }
};

void TypeIntoFormTextView(benchmark::State& state) {
    Scheduler::main().useVirtualClock();
    Form stage;
    QImage image((stage.window->profile().size * stage.window->profile().scale).toSize(),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(stage.window->profile().scale);
    const auto& view = stage.about->textView();
    for (auto _ : state) {
        state.PauseTiming();
        view->resignFirstResponder();
        view->setText(QString());
        Scheduler::main().advance(1);
        view->becomeFirstResponder();
        stage.window->updateNow();
        state.ResumeTiming();
        for (int i = 0; i < kKeystrokes; ++i) {
            const QString key(keyAt(i));
            stage.window->sendKey({0, {}, key});
            Scheduler::main().advance(kFrame);
            stage.window->updateNow();
            QPainter painter(&image);
            stage.window->render(painter);
        }
    }
    benchmark::DoNotOptimize(stage.about->height());
    state.SetItemsProcessed(state.iterations() * kKeystrokes);
}

void RawDocumentEdit(benchmark::State& state) {
    const QSizeF size = DeviceProfile::phone().size;
    const qreal scale = DeviceProfile::phone().scale;
    QImage image((size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    for (auto _ : state) {
        QTextDocument document;
        document.setDefaultFont(ZVTextStyles::qfontForStyle(0));
        document.setTextWidth(kTextWidth);
        QTextCursor cursor(&document);
        qreal height = 0;
        for (int i = 0; i < kKeystrokes; ++i) {
            cursor.insertText(QString(keyAt(i)));
            height = document.documentLayout()->documentSize().height();
            QPainter painter(&image);
            painter.fillRect(QRectF(QPointF(), size), Qt::white);
            painter.translate(13, 100);
            document.drawContents(&painter);
        }
        benchmark::DoNotOptimize(height);
    }
    state.SetItemsProcessed(state.iterations() * kKeystrokes);
}

BENCHMARK(TypeIntoFormTextView)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawDocumentEdit)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &ZVStartUpToolkit, [](const RatioReporter& reporter) {
        reporter.printRatio("TypeIntoFormTextView", "RawDocumentEdit", kRatioGoal);
        const auto& s = reporter.seconds;
        if (s.count("TypeIntoFormTextView") != 0) {
            std::printf("Type into a form's text row, ms a keystroke: %.2f (goal: at most %.0f)\n",
                        s.at("TypeIntoFormTextView") * 1000 / kKeystrokes, kKeystrokeGoalMs);
        }
    });
}
