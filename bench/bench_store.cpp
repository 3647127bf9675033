// The object store against plain SQLite doing the same work: 100,000 message-like rows and 5,000
// conversation-like rows written in one transaction, then read back (through the identity map for
// the store). The goal is the store within twice the time of plain SQLite; the ratios are printed
// after the runs, with the cost of the page check that every open makes.

#include "RatioReporter.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/StoreFiles.h"

#include <QtCore/QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <unistd.h>
#include <cstdio>
#include <map>

using namespace platform;

namespace {

constexpr int kMessages = 100000;
constexpr int kConversations = 5000;
constexpr int kConversationColumns = 30;

struct MessageRow {
    QString conversationId;
    std::int64_t nr = 0;
    QString accountId;
    QString body;
    std::int64_t type = 0;
    std::int64_t tags = 0;
    double postedTime = 0;
    std::int64_t inboxNr = 0;
    std::int64_t prevNr = 0;
    QString senderName;
    std::optional<double> pinWeight;
};

struct ConversationRow {
    QString conversationId;
    QString topic;
    std::int64_t numbers[kConversationColumns - 4] = {};
    double inboxTime = 0;
    bool canPost = true;
};

struct Data {
    std::vector<MessageRow> messages;
    std::vector<ConversationRow> conversations;
};

const Data& data() {
    static const Data d = [] {
        Data made;
        for (int c = 0; c < kConversations; ++c) {
            ConversationRow row;
            row.conversationId =
                QStringLiteral("%1-4a6b-11e4-9b1f-0025905a3d6e").arg(c, 8, 10, QLatin1Char('0'));
            row.topic = QStringLiteral("Topic of conversation %1").arg(c);
            for (int i = 0; i < kConversationColumns - 4; ++i) {
                row.numbers[i] = c * 31 + i;
            }
            row.inboxTime = 1400000000.0 + c;
            made.conversations.push_back(row);
        }
        for (int m = 0; m < kMessages; ++m) {
            MessageRow row;
            row.conversationId = made.conversations[m % kConversations].conversationId;
            row.nr = m / kConversations + 1;
            row.accountId = QStringLiteral("a%1-4a6b-11e4-9b1f-0025905a3d6e").arg(m % 97);
            row.body = QStringLiteral(
                           "<msg>Message number %1 with some text and a bit more of it "
                           "to look like one</msg>")
                           .arg(m);
            row.type = 1;
            row.tags = m % 7 == 0 ? 1 : 0;
            row.postedTime = 1400000000.0 + m;
            row.inboxNr = row.nr;
            row.prevNr = row.nr - 1;
            row.senderName = QStringLiteral("Sender %1").arg(m % 97);
            if (m % 50 == 0) {
                row.pinWeight = m;
            }
            made.messages.push_back(row);
        }
        return made;
    }();
    return d;
}

struct MessageAttributes {
    int conversationId, nr, accountId, body, type, tags, postedTime, editedTime, editAccountId,
        pinWeight, inboxNr, hookKey, prevNr, senderName, assigneeIds, subject, cleanedHtml,
        uncommitted;
};
struct ConversationAttributes {
    int conversationId, topic, inboxTime, canPost;
    int numbers[kConversationColumns - 4];
};
MessageAttributes messageAttributes;
ConversationAttributes conversationAttributes;

std::shared_ptr<const ManagedObjectModel> model() {
    static const auto built = [] {
        auto m = std::make_shared<ManagedObjectModel>();
        auto& message = m->addEntity("Message");
        auto& a = messageAttributes;
        a.conversationId =
            message.addAttribute("conversation_id", AttributeType::String, {.optional = false});
        a.nr = message.addAttribute("message_nr", AttributeType::Integer64, {.optional = false});
        a.accountId = message.addAttribute("account_id", AttributeType::String);
        a.body = message.addAttribute("message", AttributeType::String);
        a.type = message.addAttribute("mk_message_type", AttributeType::Integer32);
        a.tags = message.addAttribute("tags", AttributeType::Integer32);
        a.postedTime = message.addAttribute("posted_time", AttributeType::Date);
        a.editedTime = message.addAttribute("edited_time", AttributeType::Date);
        a.editAccountId = message.addAttribute("edit_account_id", AttributeType::String);
        a.pinWeight = message.addAttribute("pin_weight", AttributeType::Float);
        a.inboxNr = message.addAttribute("inbox_nr", AttributeType::Integer64);
        a.hookKey = message.addAttribute("hook_key", AttributeType::String);
        a.prevNr = message.addAttribute("prev_message_nr", AttributeType::Integer64);
        a.senderName = message.addAttribute("sender_name", AttributeType::String);
        a.assigneeIds = message.addAttribute("assignee_ids", AttributeType::String);
        a.subject = message.addAttribute("subject", AttributeType::String);
        a.cleanedHtml = message.addAttribute("cleaned_html", AttributeType::String);
        a.uncommitted = message.addAttribute("uncommitted_fields", AttributeType::Integer64);
        message.addIndex({"conversation_id", "message_nr"}, true);
        message.addIndex({"conversation_id", "inbox_nr"});

        auto& conversation = m->addEntity("Conversation");
        auto& c = conversationAttributes;
        c.conversationId = conversation.addAttribute("conversation_id", AttributeType::String,
                                                     {.optional = false, .indexed = true});
        c.topic = conversation.addAttribute("topic", AttributeType::String);
        c.inboxTime = conversation.addAttribute("inbox_time", AttributeType::Date);
        c.canPost = conversation.addAttribute("can_post", AttributeType::Boolean);
        for (int i = 0; i < kConversationColumns - 4; ++i) {
            c.numbers[i] = conversation.addAttribute(QStringLiteral("number_%1").arg(i),
                                                     AttributeType::Integer64);
        }
        return m;
    }();
    return built;
}

std::unique_ptr<ManagedObjectContext> openContext(const QString& path) {
    auto context = ManagedObjectContext::open(path, model());
    if (!context) {
        std::fprintf(stderr, "%s\n", qPrintable(context.error()->message()));
        std::abort();
    }
    return std::move(*context);
}

// An empty store file with the model's schema, for both sides.
QString freshStore(const QTemporaryDir& folder) {
    const QString path = folder.filePath("Bench.sqlite");
    removeStoreFiles(path);
    openContext(path).reset();
    return path;
}

sqlite3* openRaw(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                    nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr,
                 nullptr);
    return db;
}

void bindText(sqlite3_stmt* stmt, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text64(stmt, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}

QString columnText(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) {
        return {};
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

// The rows of data(), inserted into the context (not saved).
void insertRows(ManagedObjectContext& context) {
    const Data& rows = data();
    const auto& a = messageAttributes;
    const auto& c = conversationAttributes;
    for (const ConversationRow& row : rows.conversations) {
        auto object = context.insert(u"Conversation");
        object->setString(c.conversationId, row.conversationId);
        object->setString(c.topic, row.topic);
        object->setDouble(c.inboxTime, row.inboxTime);
        object->setBool(c.canPost, row.canPost);
        for (int i = 0; i < kConversationColumns - 4; ++i) {
            object->setInteger(c.numbers[i], row.numbers[i]);
        }
    }
    for (const MessageRow& row : rows.messages) {
        auto object = context.insert(u"Message");
        object->setString(a.conversationId, row.conversationId);
        object->setInteger(a.nr, row.nr);
        object->setString(a.accountId, row.accountId);
        object->setString(a.body, row.body);
        object->setInteger(a.type, row.type);
        object->setInteger(a.tags, row.tags);
        object->setDouble(a.postedTime, row.postedTime);
        object->setInteger(a.inboxNr, row.inboxNr);
        object->setInteger(a.prevNr, row.prevNr);
        object->setString(a.senderName, row.senderName);
        if (row.pinWeight) {
            object->setDouble(a.pinWeight, *row.pinWeight);
        }
    }
}

void StoreInsert(benchmark::State& state) {
    QTemporaryDir folder;
    data();  // made before the timing starts
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshStore(folder);
        state.ResumeTiming();
        // Opened inside the timing, as the plain side opens its connection.
        auto context = openContext(path);
        insertRows(*context);
        if (auto error = context->save()) {
            state.SkipWithError(qPrintable(error->message()));
        }
        context.reset();
    }
    state.SetItemsProcessed(state.iterations() * (kMessages + kConversations));
}

void RawInsert(benchmark::State& state) {
    QTemporaryDir folder;
    const Data& rows = data();
    QStringList conversationColumns{"conversation_id", "topic", "inbox_time", "can_post"};
    for (int i = 0; i < kConversationColumns - 4; ++i) {
        conversationColumns << QStringLiteral("number_%1").arg(i);
    }
    QStringList placeholders;
    for (int i = 1; i <= kConversationColumns; ++i) {
        placeholders << QStringLiteral("?%1").arg(i);
    }
    const QByteArray conversationSql =
        QStringLiteral("INSERT INTO Conversation (%1) VALUES (%2)")
            .arg(conversationColumns.join(','), placeholders.join(','))
            .toUtf8();
    const char* messageSql =
        "INSERT INTO Message (conversation_id, message_nr, account_id, message, mk_message_type, "
        "tags, posted_time, edited_time, edit_account_id, pin_weight, inbox_nr, hook_key, "
        "prev_message_nr, sender_name, assignee_ids, subject, cleaned_html, uncommitted_fields) "
        "VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18)";
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshStore(folder);
        state.ResumeTiming();
        sqlite3* db = openRaw(path);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, conversationSql.constData(), -1, &insert, nullptr);
        for (const ConversationRow& row : rows.conversations) {
            bindText(insert, 1, row.conversationId);
            bindText(insert, 2, row.topic);
            sqlite3_bind_double(insert, 3, row.inboxTime);
            sqlite3_bind_int64(insert, 4, row.canPost ? 1 : 0);
            for (int i = 0; i < kConversationColumns - 4; ++i) {
                sqlite3_bind_int64(insert, 5 + i, row.numbers[i]);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_prepare_v2(db, messageSql, -1, &insert, nullptr);
        for (const MessageRow& row : rows.messages) {
            bindText(insert, 1, row.conversationId);
            sqlite3_bind_int64(insert, 2, row.nr);
            bindText(insert, 3, row.accountId);
            bindText(insert, 4, row.body);
            sqlite3_bind_int64(insert, 5, row.type);
            sqlite3_bind_int64(insert, 6, row.tags);
            sqlite3_bind_double(insert, 7, row.postedTime);
            sqlite3_bind_int64(insert, 11, row.inboxNr);
            sqlite3_bind_int64(insert, 13, row.prevNr);
            bindText(insert, 14, row.senderName);
            if (row.pinWeight) {
                sqlite3_bind_double(insert, 10, *row.pinWeight);
            } else {
                sqlite3_bind_null(insert, 10);
            }
            if (sqlite3_step(insert) != SQLITE_DONE) {
                state.SkipWithError(sqlite3_errmsg(db));
            }
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations() * (kMessages + kConversations));
}

// A file with the rows, written once for both loading benchmarks.
const QString& filledStore() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString made = freshStore(folder);
        auto context = openContext(made);
        insertRows(*context);
        context->save();
        return made;
    }();
    return path;
}

void StoreLoad(benchmark::State& state) {
    const QString& path = filledStore();
    for (auto _ : state) {
        auto context = openContext(path);
        auto conversations = context->fetch(FetchRequest{.entityName = "Conversation"});
        auto messages = context->fetch(FetchRequest{.entityName = "Message"});
        if (!conversations || !messages || messages->size() != kMessages) {
            state.SkipWithError("the store did not load every row");
        }
        std::int64_t sum = 0;
        for (const auto& message : *messages) {
            sum += message->integerValue(messageAttributes.nr);
        }
        benchmark::DoNotOptimize(sum);
        messages->clear();
        conversations->clear();
        context.reset();
    }
    state.SetItemsProcessed(state.iterations() * (kMessages + kConversations));
}

void RawLoad(benchmark::State& state) {
    const QString& path = filledStore();
    struct LoadedConversation {
        std::int64_t rowid;
        QString conversationId, topic;
        double inboxTime;
        bool canPost;
        std::int64_t numbers[kConversationColumns - 4];
    };
    struct LoadedMessage {
        std::int64_t rowid;
        QString conversationId, accountId, body, editAccountId, hookKey, senderName, assigneeIds,
            subject, cleanedHtml;
        std::int64_t nr, type, tags, inboxNr, prevNr, uncommitted;
        double postedTime, editedTime, pinWeight;
    };
    for (auto _ : state) {
        sqlite3* db = openRaw(path);
        std::vector<LoadedConversation> conversations;
        std::vector<LoadedMessage> messages;
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM Conversation", -1, &select, nullptr);
        while (sqlite3_step(select) == SQLITE_ROW) {
            LoadedConversation row;
            row.rowid = sqlite3_column_int64(select, 0);
            row.conversationId = columnText(select, 1);
            row.topic = columnText(select, 2);
            row.inboxTime = sqlite3_column_double(select, 3);
            row.canPost = sqlite3_column_int64(select, 4) != 0;
            for (int i = 0; i < kConversationColumns - 4; ++i) {
                row.numbers[i] = sqlite3_column_int64(select, 5 + i);
            }
            conversations.push_back(std::move(row));
        }
        sqlite3_finalize(select);
        sqlite3_prepare_v2(db, "SELECT * FROM Message", -1, &select, nullptr);
        while (sqlite3_step(select) == SQLITE_ROW) {
            LoadedMessage row;
            row.rowid = sqlite3_column_int64(select, 0);
            row.conversationId = columnText(select, 1);
            row.nr = sqlite3_column_int64(select, 2);
            row.accountId = columnText(select, 3);
            row.body = columnText(select, 4);
            row.type = sqlite3_column_int64(select, 5);
            row.tags = sqlite3_column_int64(select, 6);
            row.postedTime = sqlite3_column_double(select, 7);
            row.editedTime = sqlite3_column_double(select, 8);
            row.editAccountId = columnText(select, 9);
            row.pinWeight = sqlite3_column_double(select, 10);
            row.inboxNr = sqlite3_column_int64(select, 11);
            row.hookKey = columnText(select, 12);
            row.prevNr = sqlite3_column_int64(select, 13);
            row.senderName = columnText(select, 14);
            row.assigneeIds = columnText(select, 15);
            row.subject = columnText(select, 16);
            row.cleanedHtml = columnText(select, 17);
            row.uncommitted = sqlite3_column_int64(select, 18);
            messages.push_back(std::move(row));
        }
        sqlite3_finalize(select);
        std::int64_t sum = 0;
        for (const auto& message : messages) {
            sum += message.nr;
        }
        benchmark::DoNotOptimize(sum);
        if (messages.size() != kMessages) {
            state.SkipWithError("plain SQLite did not load every row");
        }
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations() * (kMessages + kConversations));
}

// Opening the store checks every page once (PRAGMA quick_check), so that damage is found before
// anything is written over it; QuickCheck is that check alone on the same 100k-row file.
void StoreOpen(benchmark::State& state) {
    const QString& path = filledStore();
    for (auto _ : state) {
        auto context = openContext(path);
        benchmark::DoNotOptimize(context.get());
    }
}

void QuickCheck(benchmark::State& state) {
    const QString& path = filledStore();
    for (auto _ : state) {
        sqlite3* db = openRaw(path);
        sqlite3_stmt* check = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr);
        if (sqlite3_step(check) != SQLITE_ROW ||
            qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") != 0) {
            state.SkipWithError("the quick check failed");
        }
        sqlite3_finalize(check);
        sqlite3_close(db);
    }
}

BENCHMARK(StoreOpen)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(QuickCheck)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(StoreInsert)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawInsert)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(StoreLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // The store within twice the time of plain SQLite.
    constexpr double kGoal = 2.0;
    reporter.printRatio("StoreInsert", "RawInsert", kGoal);
    reporter.printRatio("StoreLoad", "RawLoad", kGoal);
    // The check is paid at every start of every account: it must stay a small part of loading
    // the account's rows, which every start does next.
    const auto check = reporter.seconds.find("QuickCheck");
    if (check != reporter.seconds.end()) {
        constexpr double kMsPerSecond = 1000;
        std::printf("Quick check at open, 100k rows, ms: %.1f (goal: at most 100)\n",
                    check->second * kMsPerSecond);
    }
    constexpr double kCheckShareGoal = 0.25;
    reporter.printRatio("QuickCheck", "StoreLoad", kCheckShareGoal);
    benchmark::Shutdown();
    return 0;
}
