// Reading an answer of the event stream: the JSON reader runs for every record of every answer.

#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonDocument>

#include <benchmark/benchmark.h>

namespace {

QByteArray answerWithRecords(int count) {
    QJsonArray stream;
    for (int i = 0; i < count; ++i) {
        stream.append(QJsonObject{
            {"mk_rec_type", "message"},
            {"conversation_id", QStringLiteral("c%1-4a6b-11e4-9b1f-0025905a3d6e").arg(i % 40)},
            {"message_nr", i},
            {"message", QStringLiteral("<msg>Message number %1 with some text</msg>").arg(i)},
            {"created_ts", 1400000000 + i},
            {"is_deleted", false},
            {"files", QJsonArray{QJsonObject{{"file_id", i}, {"upload_url", "https://h/u"}}}},
            {"header", QJsonObject{{"account_id", "a-1"}, {"tags", QJsonArray{1, 2, 3}}}},
        });
    }
    return QJsonDocument(QJsonObject{{"stream", stream}, {"event_horizon", 123456}}).toJson();
}

void ReadStreamRecords(benchmark::State& state) {
    const QByteArray body = answerWithRecords(static_cast<int>(state.range(0)));
    const QHash<QString, int> kinds{{QStringLiteral("message"), 1}, {QStringLiteral("file"), 2}};
    for (auto _ : state) {
        ZVJsonParser answer = ZVJsonParser::jsonParserForData(body);
        const QJsonArray stream =
            answer.extractObject(u"stream", ZVJsonParser::JsonClass::Array).toArray();
        std::int64_t sum = 0;
        for (const QJsonValue& value : stream) {
            ZVJsonParser record = ZVJsonParser::jsonParserForObject(value);
            sum += record.extractEnum(u"mk_rec_type", kinds, 0);
            sum += record.extractString(u"conversation_id").size();
            sum += record.extractInt(u"message_nr").value_or(0);
            sum += record.extractString(u"message", QString()).size();
            sum += record.extractDate(u"created_ts").toSecsSinceEpoch();
            sum += record.extractBool(u"is_deleted", false);
            sum += record.extractInt(u"files[0]/file_id", 0);
            sum += record.extractString(u"header/account_id").size();
            sum += record.error() ? 1 : 0;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ReadStreamRecords)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
