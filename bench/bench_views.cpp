// The message views' speed over 1,000 messages of a local store (links, quotes, code, e-mails,
// 0 to 5 files, link cards, pins, tasks, separators) at 375 pt:
//  - ViewHeightsCold: each message given a fresh display model and its row height asked of its
//    view class, beside RawParseAndLayout, QXmlStreamReader and a bare QTextLayout over the same
//    bodies;
//  - ViewHeightsWarm: the same heights asked again;
//  - SetLayoutRender: each message set into a reused view of its class, laid out and drawn at
//    scale 2, beside RawDraw, the same texts laid out and drawn with QPainter alone.
// The run also checks that every row's height is what its view lays out. The goals are printed
// after the runs, one line each.

#include "GuiBenchmarkMain.h"
#include "MessageFlow/views/ZVBaseMessageView.h"
#include "MessageFlow/views/ZVMessageViewCell.h"
#include "MessageFlow/views/ZVMessageViewCells.h"
#include "MessageFlow/views/ZVMessageViewClass.h"
#include "MessageFlow/views/board/ZVTaskMessageView.h"
#include "ModelBench.h"
#include "TimeFigures.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/StartUp.h"
#include "platform/foundation/Application.h"
#include "platform/ui/view/ViewRenderer.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QJsonArray>
#include <QtCore/QXmlStreamReader>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QTextLayout>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kMessages = 1000;
constexpr qreal kWidth = 375;
constexpr qreal kScale = 2;
constexpr qreal kRenderHeightLimit = 2000;
constexpr double kColdGoal = 3.5;
constexpr double kWarmGoalMs = 1;
constexpr double kRenderGoal = 2.5;
constexpr double kRenderP95GoalMs = 4;
constexpr std::int64_t kPostedBase = 1767225600;

const QString kConversationId = u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s;
const QString kSelf = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;
const QString kFox = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;

class ConversationCells : public ZVMessageViewCells {
public:
    bool showFilePreviews() const override { return true; }
    bool listStyle() const override { return false; }
    bool showSubjectForMessage(const Message& message) const override {
        return !message.subject().isEmpty();
    }
};

QJsonObject record(const QString& kind, QJsonObject fields) {
    fields.insert(u"mk_rec_type"_s, kind);
    fields.insert(u"conversation_id"_s, kConversationId);
    return fields;
}

// Message `nr`: seven kinds in turn, with up to five files and a link card on some.
void appendFixture(int nr, QJsonArray& stream, std::map<int, ZVMessageViewClass>& classes) {
    const int files = nr % 6;
    QString attachments;
    for (int i = 0; i < files; ++i) {
        const QString key = u"f%1-%2"_s.arg(nr).arg(i);
        QJsonObject file{{u"message_nr"_s, nr},
                         {u"attachment_id"_s, key},
                         {u"file_name"_s, key + (i % 2 ? u".pdf"_s : u".png"_s)},
                         {u"file_size"_s, 1000 + i},
                         {u"file_sha256"_s, QString(64, u'a')},
                         {u"file_url"_s, u"https://files.example/"_s + key}};
        if (i % 2 == 0) {
            file.insert(u"width"_s, 400);
            file.insert(u"height"_s, 300);
        }
        stream.append(record(u"file"_s, file));
        attachments += u"<file key=\"%1\">%1</file>"_s.arg(key);
    }
    QString link;
    if (nr % 4 == 0) {
        const QString url = u"https://news.example/%1"_s.arg(nr);
        stream.append(record(u"preview"_s, {{u"message_nr"_s, nr},
                                            {u"attached_url"_s, url},
                                            {u"title"_s, u"News %1"_s.arg(nr)},
                                            {u"description"_s, u"What happened today."_s}}));
        link = u" <a href=\"%1\">%1</a>"_s.arg(url);
    }
    QJsonObject fields{{u"message_nr"_s, nr},
                       {u"account_id"_s, kFox},
                       {u"posted_time"_s, qint64(kPostedBase + nr)},
                       {u"mk_message_type"_s, u"text"_s}};
    QString body;
    ZVMessageViewClass viewClass = ZVMessageViewClass::Text;
    switch (nr % 7) {
        case 0:
            body = u"The <b>build</b> %1 is green, see the run%2."_s.arg(nr).arg(link);
            break;
        case 1:
            body = u"Agreed.<q>On Monday you wrote: shall we move the review? %1</q>"_s.arg(nr);
            break;
        case 2:
            body = u"Try this:<pre>for (int i = 0; i &lt; %1; ++i) { run(i); }</pre>"_s.arg(nr);
            break;
        case 3:
            fields.insert(u"mk_message_type"_s, u"email"_s);
            fields.insert(u"subject"_s, u"Report %1"_s.arg(nr));
            body = u"Numbers for the quarter attached.%1"_s.arg(link);
            viewClass = ZVMessageViewClass::Email;
            break;
        case 4:
            fields.insert(u"tags"_s, QJsonArray{u"pin"_s});
            body = u"Pinned: the plan for week %1."_s.arg(nr);
            viewClass = ZVMessageViewClass::Pinned;
            break;
        case 5:
            fields.insert(u"tags"_s, QJsonArray{u"is_todo"_s});
            fields.insert(u"assignee_ids"_s, QJsonArray{kFox});
            body = u"Task %1: update the changelog"_s.arg(nr);
            viewClass = ZVMessageViewClass::Task;
            break;
        default:
            fields.insert(u"mk_message_type"_s, u"separator"_s);
            body = u"Week %1"_s.arg(nr);
            viewClass = ZVMessageViewClass::Separator;
            break;
    }
    fields.insert(u"message"_s, u"<msg>%1%2</msg>"_s.arg(body, attachments));
    stream.append(record(u"message"_s, fields));
    classes[nr] = viewClass;
}

struct Account : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::vector<std::shared_ptr<Message>> messages;
    std::vector<ZVMessageViewClass> classes;
};

Account& account() {
    static Account* made = [] {
        auto* account = new Account(kSelf, u"bench@example.com"_s);
        if (!account->session) {
            return account;
        }
        QJsonArray stream{modelbench::contactRecord(kFox, u"Fox Mulder"_s),
                          modelbench::conversationRecord(kConversationId, QJsonArray{kSelf, kFox},
                                                         kMessages, kMessages)};
        std::map<int, ZVMessageViewClass> classes;
        for (int nr = 1; nr <= kMessages; ++nr) {
            appendFixture(nr, stream, classes);
        }
        modelbench::storeStream(account->session, stream);
        account->messages =
            modelbench::storedMessages(account->session, kConversationId, 1, kMessages);
        for (int nr = 1; nr <= kMessages; ++nr) {
            account->classes.push_back(classes[nr]);
        }
        return account;
    }();
    return *made;
}

const ConversationCells& conversationCells() {
    static const ConversationCells table;
    return table;
}

double heightsOfAll(bool fresh) {
    Account& data = account();
    double total = 0;
    for (std::size_t i = 0; i < data.messages.size(); ++i) {
        if (fresh) {
            data.messages[i]->resetRepresentation();
        }
        total +=
            ZVMessageViewHeight(data.classes[i], data.messages[i], kWidth, conversationCells());
    }
    return total;
}

// The plain text of a body and the bare layout of it at the width, as a baseline.
std::vector<QString> plainTexts() {
    std::vector<QString> texts;
    for (const auto& message : account().messages) {
        QXmlStreamReader reader(message->message());
        QString text;
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::Characters) {
                text += reader.text();
            }
        }
        texts.push_back(text);
    }
    return texts;
}

qreal layOutText(QTextLayout& layout) {
    layout.beginLayout();
    qreal height = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(kWidth);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

void ViewHeightsCold(benchmark::State& state) {
    if (account().messages.empty()) {
        state.SkipWithError("no account");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(heightsOfAll(true));
    }
}

void RawParseAndLayout(benchmark::State& state) {
    const QFont font = ZVTextStyles::qfontForStyle(0);
    for (auto _ : state) {
        double total = 0;
        for (const auto& message : account().messages) {
            QXmlStreamReader reader(message->message());
            QString text;
            while (!reader.atEnd()) {
                if (reader.readNext() == QXmlStreamReader::Characters) {
                    text += reader.text();
                }
            }
            QTextLayout layout(text, font);
            total += layOutText(layout);
        }
        benchmark::DoNotOptimize(total);
    }
}

double warmMs = 0;

void ViewHeightsWarm(benchmark::State& state) {
    if (account().messages.empty()) {
        state.SkipWithError("no account");
        return;
    }
    heightsOfAll(false);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(heightsOfAll(false));
        warmMs = milliseconds(std::chrono::steady_clock::now() - start);
    }
}

class NoCell : public ZVMessageViewCell {
public:
    const ZVMessageViewCells* cells() const override { return &conversationCells(); }
    void toggleExpand() override {}
    void notifyCellHeightChangeAnimated(bool) override {}
};

std::vector<double> perMessageMs;
int mismatches = 0;

// Whether the view left its text the room the text measures.
bool heightMatchesLayout(const ZVMessageView& view, const std::shared_ptr<Message>& message,
                         ZVMessageViewClass viewClass) {
    const auto* base = dynamic_cast<const ZVBaseMessageView*>(&view);
    if (!base) {
        return true;
    }
    const auto model = ZVRichMessageRepresentation::of(message);
    const QRectF text = base->text()->frame();
    const bool collapsedTask = viewClass == ZVMessageViewClass::Task &&
                               conversationCells().listStyle() &&
                               view.expandState() == ZVMessageView::kCollapsed;
    const qreal needed = collapsedTask
                             ? ZVTextStyles::lineHeightForStyle(ZVTaskMessageView::kFirstLineStyle)
                             : model->formattedHeightForWidth(text.width());
    return std::abs(text.height() - ZVBaseMessageView::kTextOverhang - needed) < 0.01;
}

void SetLayoutRender(benchmark::State& state) {
    Account& data = account();
    if (data.messages.empty()) {
        state.SkipWithError("no account");
        return;
    }
    const auto cell = std::make_shared<NoCell>();
    std::map<ZVMessageViewClass, std::shared_ptr<ZVMessageView>> views;
    QImage canvas(int(kWidth * kScale), int(kRenderHeightLimit * kScale),
                  QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        perMessageMs.clear();
        mismatches = 0;
        for (std::size_t i = 0; i < data.messages.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            const auto& message = data.messages[i];
            auto& view = views[data.classes[i]];
            if (!view) {
                view = ZVMakeMessageView(data.classes[i], cell);
                view->setShowFilePreviews(true);
            }
            const qreal height =
                ZVMessageViewHeight(data.classes[i], message, kWidth, conversationCells());
            view->setExpandState(
                ZVMessageView::expandStateOf(*ZVRichMessageRepresentation::of(message)));
            view->setMessage(message);
            view->setFrame(QRectF(0, 0, kWidth, height));
            view->layoutSubviews();
            {
                QPainter painter(&canvas);
                painter.scale(kScale, kScale);
                platform::ViewRenderer::drawContents(*view, painter);
            }
            perMessageMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
            mismatches += !heightMatchesLayout(*view, message, data.classes[i]);
        }
    }
}

void RawDraw(benchmark::State& state) {
    const std::vector<QString> texts = plainTexts();
    const QFont font = ZVTextStyles::qfontForStyle(0);
    QImage canvas(int(kWidth * kScale), int(kRenderHeightLimit * kScale),
                  QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (const QString& text : texts) {
            QTextLayout layout(text, font);
            const qreal height = layOutText(layout);
            QPainter painter(&canvas);
            painter.scale(kScale, kScale);
            painter.fillRect(QRectF(0, 0, kWidth, height), Qt::white);
            layout.draw(&painter, QPointF(0, 0));
        }
    }
}

BENCHMARK(ViewHeightsCold)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawParseAndLayout)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ViewHeightsWarm)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(SetLayoutRender)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RawDraw)->Unit(benchmark::kMillisecond)->MinTime(1.0);

double percentile95(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * 95 / 100)];
}

void startUp() {
    ZVStartUpApp();
    // No phone-number scans beside the measured work.
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
}

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &startUp, [](const RatioReporter& reporter) {
        reporter.printRatio("ViewHeightsCold", "RawParseAndLayout", kColdGoal);
        std::printf("ViewHeightsWarm of 1,000 messages, ms: %.3f (goal: at most %.0f)\n", warmMs,
                    kWarmGoalMs);
        reporter.printRatio("SetLayoutRender", "RawDraw", kRenderGoal);
        std::printf("SetLayoutRender per message, ms p95: %.3f (goal: at most %.0f)\n",
                    percentile95(perMessageMs), kRenderP95GoalMs);
        std::printf("Rows whose height differs from their layout: %d (goal: at most 0)\n",
                    mismatches);
    });
}
