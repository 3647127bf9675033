// The display model's speed:
//  - DisplayHeights: 1,000 messages (text, events, tasks, e-mails, emoticons alone) given a fresh
//    display model and measured for a width, beside ParseAndMeasure, the parser and the text
//    height of the same bodies in the same run;
//  - CachedHeights: the same heights asked for again at the same width;
//  - EmailToHeight: a 50-KB HTML e-mail's page loaded and measured through its display model,
//    beside BareWebView, the same page in a web view of its own.
// The goals are printed after the runs, one line each.

#include "GuiBenchmarkMain.h"
#include "ModelBench.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/WebView.h"
#include "toolkit/richtext/StartUp.h"
#include "toolkit/richtext/ZVMessageParser.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/richtext/email/ZVEmailPage.h"
#include "toolkit/richtext/email/ZVLocalizedMessage.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kMessages = 1000;
constexpr double kWidth = 320;
constexpr double kColdGoal = 1.3;
constexpr double kCachedGoal = 0.02;
constexpr double kEmailGoal = 1.2;
constexpr qsizetype kEmailBytes = 50 * 1024;
constexpr int kPageTimeoutMs = 60000;
// The line height of style 5 times the lines of a read text message: the parser's baseline is
// measured within the same limit.
constexpr int kTextLines = 20;
constexpr std::int64_t kEmailNr = kMessages + 1;
// 1 January 2026, when the fixture's messages were posted, one a second.
constexpr std::int64_t kPostedBase = 1767225600;

const QString kConversationId = u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s;
const QString kSelf = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;
const QString kFox = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;

QJsonObject messageRecord(std::int64_t nr, const QString& type, const QString& body,
                          QJsonObject fields = {}) {
    fields.insert(u"mk_rec_type"_s, u"message"_s);
    fields.insert(u"conversation_id"_s, kConversationId);
    fields.insert(u"message_nr"_s, qint64(nr));
    fields.insert(u"mk_message_type"_s, type);
    fields.insert(u"message"_s, body);
    fields.insert(u"account_id"_s, kFox);
    fields.insert(u"posted_time"_s, qint64(kPostedBase + nr));
    return fields;
}

QString json(const QJsonObject& data) {
    return QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact));
}

// Message `nr` of the fixture: five kinds in turn.
QJsonObject fixtureRecord(int nr) {
    switch (nr % 5) {
        case 0:
            return messageRecord(
                nr, u"text"_s,
                u"<msg>Message %1: the <b>build</b> is green again, see <a "
                u"href=\"https://ci.example.test/run/%1\">the run</a> <emo kind=\"esmile\">:)</emo>"
                u" and <i>the notes</i>.<br/>Next: the release notes for Friday.</msg>"_s.arg(nr));
        case 1:
            return messageRecord(nr, u"add"_s, json({{u"members"_s, QJsonArray{kSelf}}}));
        case 2:
            return messageRecord(nr, u"text"_s,
                                 u"<msg>Task %1: update the changelog</msg>"_s.arg(nr),
                                 {{u"tags"_s, QJsonArray{u"is_todo"_s}}});
        case 3:
            return messageRecord(nr, u"email"_s,
                                 u"<msg>Thanks, agreed.<q>On Monday you wrote: shall we move the "
                                 u"review to Thursday? %1</q></msg>"_s.arg(nr));
        default:
            return messageRecord(nr, u"text"_s, u"<msg>\U0001F600\U0001F389</msg>"_s);
    }
}

QString emailBody() {
    QString html;
    for (int i = 0; html.size() < kEmailBytes; ++i) {
        html +=
            u"<p>Paragraph %1 of the newsletter: <b>news</b> and <a "
            u"href=\"https://example.test/%1\">a link</a>, lorem ipsum dolor sit amet.</p>"_s.arg(
                i);
    }
    return html;
}

// One account whose store holds the fixture; made once for the whole run.
struct Account : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::vector<std::shared_ptr<Message>> messages;
    std::shared_ptr<Message> email;
};

Account& account() {
    static Account* made = [] {
        auto* account = new Account(kSelf, u"bench@example.com"_s);
        if (!account->session) {
            return account;
        }
        QJsonArray stream{modelbench::contactRecord(kFox, u"Fox Mulder"_s),
                          modelbench::conversationRecord(kConversationId, QJsonArray{kSelf, kFox},
                                                         kEmailNr, kMessages)};
        for (int nr = 1; nr <= kMessages; ++nr) {
            stream.append(fixtureRecord(nr));
        }
        stream.append(
            messageRecord(kEmailNr, u"text"_s, u"<msg>newsletter</msg>"_s,
                          {{u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, emailBody()}}}}));
        modelbench::storeStream(account->session, stream);
        account->messages =
            modelbench::storedMessages(account->session, kConversationId, 1, kMessages);
        account->email = account->session->messageFromKey(kConversationId, kEmailNr);
        account->email->setConversation(account->session->conversationFromId(kConversationId));
        return account;
    }();
    return *made;
}

double measureAll(bool fresh) {
    double total = 0;
    for (const auto& message : account().messages) {
        if (fresh) {
            message->resetRepresentation();
        }
        total += ZVRichMessageRepresentation::of(message)->formattedHeightForWidth(kWidth);
    }
    return total;
}

void DisplayHeights(benchmark::State& state) {
    if (account().messages.empty()) {
        state.SkipWithError("no account");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(measureAll(true));
    }
}

void CachedHeights(benchmark::State& state) {
    if (account().messages.empty()) {
        state.SkipWithError("no account");
        return;
    }
    measureAll(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(measureAll(false));
    }
}

void ParseAndMeasure(benchmark::State& state) {
    std::vector<QString> bodies;
    for (const auto& message : account().messages) {
        bodies.push_back(message->message());
    }
    const QSizeF size(kWidth, ZVTextStyles::lineHeightForStyle(5) * kTextLines);
    for (auto _ : state) {
        double total = 0;
        for (const QString& body : bodies) {
            ZVMessageParser parser;
            parser.allowFormatting = true;
            parser.defaultAttributes = ZVTextStyles::attributesForStyle(0);
            parser.parseMessage(body);
            total += ZVRichTextLayout::heightForText(parser.attributedText(), size);
        }
        benchmark::DoNotOptimize(total);
    }
}

void EmailToHeight(benchmark::State& state) {
    const auto message = account().email;
    if (!message) {
        state.SkipWithError("no account");
        return;
    }
    for (auto _ : state) {
        message->resetRepresentation();
        const auto model =
            std::dynamic_pointer_cast<ZVLocalizedMessage>(ZVRichMessageRepresentation::of(message));
        model->webView();
        if (!platform::Scheduler::main().runUntil(
                [&] { return model->webViewState() == ZVLocalizedMessage::kMeasured; },
                kPageTimeoutMs)) {
            state.SkipWithError("the page was not measured");
            return;
        }
        benchmark::DoNotOptimize(model->formattedHeightForWidth(kWidth));
    }
    message->resetRepresentation();
}

void BareWebView(benchmark::State& state) {
    const QString page = ZVEmailPage::pageForBody(emailBody());
    for (auto _ : state) {
        const auto view = std::make_shared<platform::WebView>(
            QRectF(0, 0, ZVLocalizedMessage::kDefaultWidth, ZVLocalizedMessage::kCollapsedHeight));
        view->setScriptsEnabled(false);
        view->loadHtmlString(page, ZVApi::api().baseURL());
        if (!platform::Scheduler::main().runUntil(
                [&] { return view->contentHeight() > ZVLocalizedMessage::kCollapsedHeight; },
                kPageTimeoutMs)) {
            state.SkipWithError("the page was not measured");
            return;
        }
    }
}

BENCHMARK(DisplayHeights)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ParseAndMeasure)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(CachedHeights)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(EmailToHeight)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BareWebView)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void startUp() {
    // The web engine's processes refuse to run as root inside their sandbox; no GPU is needed.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    }
    ZVStartUpToolkitRichText();
    // No phone-number scans beside the measured work.
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
}

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &startUp, [](const RatioReporter& reporter) {
        reporter.printRatio("DisplayHeights", "ParseAndMeasure", kColdGoal);
        reporter.printRatio("CachedHeights", "DisplayHeights", kCachedGoal);
        reporter.printRatio("EmailToHeight", "BareWebView", kEmailGoal);
    });
}
