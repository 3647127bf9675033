#include "ZelvoKit/model/ZVClassificators.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRecordKind.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/text/ZVEmailInterval.h"

#include <QtCore/QJsonArray>

namespace {

// What a number outside the table turns into when the profile or a conversation sends its word.
constexpr int kDailyEmailInterval = ZVEmailInterval::Daily;
constexpr int kDefaultAlertLevel = 1;
constexpr int kTagBits = 32;

}  // namespace

const ZVCodeTable& ZVClassificators::mk_entity_type() {
    return ZVApiRecordKinds();
}

const ZVCodeTable& ZVClassificators::mk_message_type() {
    // 6, 7, 8, 18 and 21 have no word; 21 is the local type of an HTML e-mail body.
    static const ZVCodeTable table{
        {QStringLiteral("text"), 1},       {QStringLiteral("create"), 2},
        {QStringLiteral("add"), 3},        {QStringLiteral("leave"), 4},
        {QStringLiteral("topic"), 5},      {QStringLiteral("email"), 9},
        {QStringLiteral("kick"), 10},      {QStringLiteral("file"), 11},
        {QStringLiteral("disclose"), 12},  {QStringLiteral("hook"), 13},
        {QStringLiteral("sysmsg"), 14},    {QStringLiteral("alerts"), 15},
        {QStringLiteral("replace"), 16},   {QStringLiteral("bounce"), 17},
        {QStringLiteral("hangout"), 19},   {QStringLiteral("separator"), 20},
        {QStringLiteral("unhook"), 22},    {QStringLiteral("share"), 23},
        {QStringLiteral("unshare"), 24},   {QStringLiteral("add_team"), 25},
        {QStringLiteral("kick_team"), 26}, {QStringLiteral("show"), 27},
        {QStringLiteral("hide"), 28},      {QStringLiteral("fork"), 29},
    };
    return table;
}

const ZVCodeTable& ZVClassificators::mk_account_status() {
    static const ZVCodeTable table{
        {QStringLiteral("new"), 1},   {QStringLiteral("valid"), 2},  {QStringLiteral("active"), 3},
        {QStringLiteral("beta"), 4},  {QStringLiteral("banned"), 5}, {QStringLiteral("closed"), 6},
        {QStringLiteral("alias"), 7},
    };
    return table;
}

const ZVCodeTable& ZVClassificators::mk_email_interval() {
    return ZVEmailInterval::table();
}

const ZVCodeTable& ZVClassificators::mk_alert_level() {
    static const ZVCodeTable table{
        {QStringLiteral("default"), kDefaultAlertLevel},
        {QStringLiteral("never"), 2},
    };
    return table;
}

const ZVCodeTable& ZVClassificators::mk_message_tag() {
    static const ZVCodeTable table{
        {QStringLiteral("pin"), 0},          {QStringLiteral("unpin"), 1},
        {QStringLiteral("unlock"), 2},       {QStringLiteral("is_new_sheet"), 3},
        {QStringLiteral("is_shared"), 4},    {QStringLiteral("is_edited_by_others"), 5},
        {QStringLiteral("is_hidden"), 6},    {QStringLiteral("is_spam"), 7},
        {QStringLiteral("is_todo"), 15},     {QStringLiteral("is_done"), 16},
        {QStringLiteral("is_archived"), 20}, {QStringLiteral("is_deleted"), 21},
    };
    return table;
}

const ZVCodeTable& ZVClassificators::mk_label_status() {
    static const ZVCodeTable table{
        {QStringLiteral("active"), 1},
        {QStringLiteral("removed"), 2},
    };
    return table;
}

const ZVCodeTable& ZVClassificators::mk_label_type() {
    // 7 has no word: the label entity gives it to a label of no known kind.
    static const ZVCodeTable table{
        {QStringLiteral("user"), 1},     {QStringLiteral("starred"), 2},
        {QStringLiteral("recent"), 3},   {QStringLiteral("muted"), 4},
        {QStringLiteral("unread"), 5},   {QStringLiteral("spam"), 6},
        {QStringLiteral("archived"), 8}, {QStringLiteral("email"), 9},
    };
    return table;
}

const ZVCodeTable& ZVClassificators::mk_member_status() {
    static const ZVCodeTable table{
        {QStringLiteral("bms_pending"), 0},   {QStringLiteral("bms_active"), 1},
        {QStringLiteral("bms_removed"), 2},   {QStringLiteral("bms_closed"), 3},
        {QStringLiteral("bms_suspended"), 4}, {QStringLiteral("bms_declined"), 5},
        {QStringLiteral("bms_expired"), 6},
    };
    return table;
}

std::uint32_t ZVClassificators::extractTags(ZVJsonParser& parser, const ZVCodeTable& values) {
    const QJsonValue tags = parser.extractObject(u"tags", ZVJsonParser::JsonClass::Array,
                                                 QJsonValue(QJsonValue::Undefined));
    if (!tags.isArray()) {
        return 0;
    }
    std::uint32_t mask = 0;
    for (const QJsonValue word : tags.toArray()) {
        const auto found = values.constFind(word.toString());
        if (found == values.cend()) {
            continue;
        }
        const int bit = *found;
        if (bit >= 0 && bit < kTagBits) {
            mask |= std::uint32_t{1} << bit;
        }
    }
    return mask;
}

QStringList ZVClassificators::tagsToArray(std::uint32_t tags) {
    QStringList words;
    for (int bit = 0; bit < kTagBits; ++bit) {
        if ((tags & (std::uint32_t{1} << bit)) != 0) {
            const QString word = lookupKey(bit, mk_message_tag());
            if (!word.isNull()) {
                words.append(word);
            }
        }
    }
    return words;
}

QString ZVClassificators::lookupKey(int number, const ZVCodeTable& dictionary,
                                    std::optional<int> defaultNumber) {
    for (auto entry = dictionary.cbegin(); entry != dictionary.cend(); ++entry) {
        if (entry.value() == number) {
            return entry.key();
        }
    }
    if (defaultNumber) {
        return lookupKey(*defaultNumber, dictionary);
    }
    return QString();
}

QString ZVClassificators::mk_email_interval_str(int interval) {
    return lookupKey(interval, mk_email_interval(), kDailyEmailInterval);
}

QString ZVClassificators::mk_alert_level_str(int level) {
    return lookupKey(level, mk_alert_level(), kDefaultAlertLevel);
}
