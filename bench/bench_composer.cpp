// The conversation's composer while typing: 200 characters typed after a 5,000-character draft
// (twenty paragraphs), then a 10-letter "@" mention in a conversation of 1,000 members. Each key
// goes through the window to the editor: its change handling (Send, height, typing status; the
// conversation allows no posting, so no report leaves the machine), the suggestion refresh 0.1 s
// later on the virtual clock, the host's resize, layout and an offscreen render of the editor at
// scale 2. Beside it, the same keys inserted into a raw QTextDocument of
// the same draft and laid out. The goals are printed after the runs.

#include "GuiBenchmarkMain.h"
#include "MessageEditor/ZVAutoCompletePicker.h"
#include "MessageEditor/ZVMessageEditor.h"
#include "ModelBench.h"
#include "TimeFigures.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/StartUp.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/TextView.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTextView.h"

#include <QtCore/QJsonArray>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kMembers = 1000;
constexpr int kDraftParagraphs = 20;
constexpr int kDraftParagraphLength = 250;
constexpr int kTyped = 200;
constexpr double kRatioGoal = 5;
constexpr double kKeystrokeGoalMs = 4;
constexpr double kMentionGoalMs = 8;
constexpr double kSuggestionDelay = ZVMessageEditor::kDeferDelay;
const QString kMention = u"@maximilian"_s;
const QString kComposerConversationId = u"6d1f2e3c-4b5a-4c6d-8e7f-9a0b1c2d3e4f"_s;
const QString kComposerSelf = u"1c2b3a4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d"_s;

QString composerDraft() {
    static const QString sentence =
        u"The figures for the quarter are in, with the new accounts. "_s;
    QString draft;
    for (int p = 0; p < kDraftParagraphs; ++p) {
        QString paragraph;
        while (paragraph.size() < kDraftParagraphLength) {
            paragraph += sentence;
        }
        paragraph.truncate(kDraftParagraphLength - 1);
        draft += paragraph + u'\n';
    }
    return draft;
}

// What is typed after the draft: words and spaces, no trigger.
QString composerTyped() {
    static const QString words = u"see you at the review on thursday "_s;
    QString typed;
    while (typed.size() < kTyped) {
        typed += words;
    }
    typed.truncate(kTyped);
    return typed;
}

// Names of which a growing share starts with the mention's letters.
QString composerMemberName(int n) {
    static const QStringList first = {u"Maximilian"_s, u"Maxine"_s, u"Marta"_s, u"Mia"_s,  u"Ben"_s,
                                      u"Clara"_s,      u"David"_s,  u"Emma"_s,  u"Frank"_s};
    static const QStringList last = {u"Stone"_s, u"Marsh"_s, u"Lane"_s,  u"Bowman"_s,
                                     u"Reed"_s,  u"Silva"_s, u"Weber"_s, u"Young"_s};
    return first.at(n % first.size()) + u' ' + last.at((n / first.size()) % last.size()) + u' ' +
           QString::number(n);
}

struct ComposerStage {
    QTemporaryDir root;
    std::shared_ptr<ZVRepositorySession> session;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::View> rootView;
    std::shared_ptr<ZVMessageEditor> editor;
    platform::Observation heightObservation;

    ComposerStage() {
        platform::Scheduler::main().useVirtualClock();
        platform::Keyboard::setShared(std::make_shared<platform::FakeKeyboard>());
        platform::Paths::setRoot(root.path());
        session = modelbench::openSession(kComposerSelf, u"bench@example.com"_s);
        if (!session) {
            return;
        }
        QJsonArray stream;
        QJsonArray members{kComposerSelf};
        for (int n = 0; n < kMembers; ++n) {
            const QString id = u"00000000-0000-4000-8000-%1"_s.arg(n, 12, 10, QChar(u'0'));
            members.append(id);
            stream.append(QJsonObject{{u"mk_rec_type"_s, u"contact"_s},
                                      {u"account_id"_s, id},
                                      {u"display_name"_s, composerMemberName(n)},
                                      {u"email"_s, u"member%1@example.org"_s.arg(n)}});
        }
        stream.append(QJsonObject{{u"mk_rec_type"_s, u"conv"_s},
                                  {u"conversation_id"_s, kComposerConversationId},
                                  {u"members"_s, members},
                                  {u"last_message_nr"_s, 1}});
        session->startTransaction();
        ZVApi::api().processStream(stream, session);
        session->endTransaction();
        conversation = session->conversationFromId(kComposerConversationId);
        if (!conversation) {
            return;
        }
        window = platform::Window::make();
        rootView = platform::View::make(window->bounds());
        window->setRootView(rootView);
    }
    ~ComposerStage() { platform::Scheduler::main().reset(); }

    // A new editor holding the draft, focused, with the caret at its end.
    void open() {
        heightObservation = {};
        if (editor) {
            editor->removeFromSuperview();
        }
        conversation->setPendingMessage(composerDraft());
        editor = ZVMessageEditor::make(conversation, nullptr);
        rootView->addSubview(editor);
        place();
        heightObservation = editor->observe(ZVMessageEditor::kRequestedHeightKey,
                                            [this](const QString&) { place(); });
        editor->becomeFirstResponder();
        settle();
    }
    void place() {
        const qreal height = editor->requestedHeight();
        editor->setFrame(
            QRectF(0, window->bounds().height() - height, window->bounds().width(), height));
    }
    void settle() {
        platform::Scheduler::main().advance(kSuggestionDelay);
        window->updateNow();
        const QImage rendered = editor->snapshot(window->profile().scale);
        benchmark::DoNotOptimize(rendered.constBits());
    }
    // One key through the window, the deferred suggestions, layout and a render; in ms.
    double key(const QString& text) {
        const auto start = std::chrono::steady_clock::now();
        window->sendKey({0, Qt::NoModifier, text});
        settle();
        return milliseconds(std::chrono::steady_clock::now() - start);
    }
};

ComposerStage& composerStage() {
    static auto* made = new ComposerStage;
    return *made;
}

std::vector<double> keystrokeMs;
std::vector<double> mentionMs;
int mentionRows = 0;

void ComposerKeystroke(benchmark::State& state) {
    ComposerStage& stage = composerStage();
    if (!stage.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    keystrokeMs.clear();
    const QString typed = composerTyped();
    for (auto _ : state) {
        state.PauseTiming();
        stage.open();
        state.ResumeTiming();
        for (const QChar c : typed) {
            keystrokeMs.push_back(stage.key(QString(c)));
        }
    }
    state.SetItemsProcessed(state.iterations() * kTyped);
}

void ComposerMentionKeystroke(benchmark::State& state) {
    ComposerStage& stage = composerStage();
    if (!stage.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    mentionMs.clear();
    for (auto _ : state) {
        state.PauseTiming();
        stage.open();
        stage.key(u" "_s);
        state.ResumeTiming();
        for (const QChar c : kMention) {
            mentionMs.push_back(stage.key(QString(c)));
        }
        mentionRows = static_cast<int>(stage.editor->autoCompletePicker().items().size());
    }
    state.SetItemsProcessed(state.iterations() * kMention.size());
}

void RawDocumentKeystroke(benchmark::State& state) {
    ComposerStage& stage = composerStage();
    if (!stage.conversation) {
        state.SkipWithError("no conversation");
        return;
    }
    // Laid out as wide as the editor lays its text out.
    stage.open();
    const qreal width =
        stage.editor->textView()->bounds().width() - 2 * platform::TextView::kLineFragmentPadding;
    const QString typed = composerTyped();
    const QFont font =
        platform::resolveFont(ZVTextStyles::fontForStyle(ZVMessageEditor::kTextStyle));
    for (auto _ : state) {
        state.PauseTiming();
        QTextDocument document;
        document.setDefaultFont(font);
        document.setTextWidth(width);
        document.setPlainText(composerDraft());
        document.documentLayout()->documentSize();
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        state.ResumeTiming();
        for (const QChar c : typed) {
            cursor.insertText(QString(c));
            benchmark::DoNotOptimize(document.documentLayout()->documentSize());
        }
    }
    state.SetItemsProcessed(state.iterations() * kTyped);
}

void startUp() {
    ZVStartUpApp();
    // No phone-number scans beside the measured work.
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
}

BENCHMARK(ComposerKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ComposerMentionKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawDocumentKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The 95th percentile of the times.
double p95(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() * 95 / 100];
}

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &startUp, [](const RatioReporter& reporter) {
        const auto& s = reporter.seconds;
        if (s.count("ComposerKeystroke") != 0 && s.count("RawDocumentKeystroke") != 0 &&
            s.at("RawDocumentKeystroke") > 0) {
            std::printf("Keystroke / raw: %.2f (goal: at most %.2f)\n",
                        s.at("ComposerKeystroke") / s.at("RawDocumentKeystroke"), kRatioGoal);
        }
        if (!keystrokeMs.empty()) {
            std::printf("Keystroke, ms p95: %.2f (goal: at most %.0f)\n", p95(keystrokeMs),
                        kKeystrokeGoalMs);
        }
        if (!mentionMs.empty()) {
            std::printf("Mention keystroke, ms p95: %.2f (goal: at most %.0f)\n", p95(mentionMs),
                        kMentionGoalMs);
            std::printf("(members suggested after the mention: %d)\n", mentionRows);
        }
    });
}
