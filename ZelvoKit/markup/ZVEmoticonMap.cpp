#include "ZelvoKit/markup/ZVEmoticonMap.h"

#include <QtCore/QHash>
#include <QtCore/QSet>

namespace {

struct EmoticonTable {
    QHash<QString, QString> emojiByKind;
    QSet<QString> emoji;
};

const EmoticonTable& table() {
    static const EmoticonTable built = [] {
        // Drinks and weather carry the emoji presentation selector U+FE0F, without which they
        // would show as text symbols.
        const std::pair<const char*, const char16_t*> entries[] = {
            {"esmile", u"\U0001F642"},    {"ewink", u"\U0001F609"},
            {"esurprise", u"\U0001F62E"}, {"esad", u"\U0001F641"},
            {"eangry", u"\U0001F621"},    {"etongue", u"\U0001F61B"},
            {"elaugh", u"\U0001F604"},    {"eworried", u"\U0001F914"},
            {"edontcare", u"\U0001F615"}, {"eup", u"\U0001F44D"},
            {"edown", u"\U0001F44E"},     {"etodo", u"\u26AA"},
            {"edone", u"\u26AB"},         {"eidea", u"\U0001F4A1"},
            {"ecoffee", u"\u2615\uFE0F"}, {"eumbrella", u"\u2614\uFE0F"},
            {"eflower", u"\U0001F33B"},   {"egift", u"\U0001F381"},
            {"ebeer", u"\U0001F37A"},     {"eclock", u"\u23F0"},
            {"ebug", u"\U0001F577"},      {"eplant", u"\U0001F331"},
            {"eheart", u"\U0001F499"},    {"ecandy", u"\U0001F36C"},
            {"eparty", u"\U0001F389"},    {"ecoctail", u"\U0001F378"},
            {"ebow", u"\U0001F64F"},      {"efood", u"\U0001F355"},
            {"epivot", u"\U0001F4C8"},    {"ework", u"\U0001F528"},
            {"epoop", u"\U0001F4A9"},     {"esnowman", u"\u26C4\uFE0F"},
            {"esun", u"\u2600\uFE0F"},    {"etool", u"\U0001F527"},
            {"ephone", u"\U0001F4DE"},    {"esanta", u"\U0001F385"},
            {"ecat", u"\U0001F431"},      {"eboobs", u"\U0001F440"},
            {"eandroid", u"\U0001F916"},
        };
        EmoticonTable t;
        for (const auto& [kind, emoji] : entries) {
            const QString text = QString::fromUtf16(emoji);
            t.emojiByKind.insert(QString::fromLatin1(kind), text);
            t.emoji.insert(text);
        }
        return t;
    }();
    return built;
}

}  // namespace

QString ZVEmoticonMap::EmojiForEmoticon(const QString& kind) {
    return table().emojiByKind.value(kind);
}

bool ZVEmoticonMap::isEmoji(const QString& text) {
    return table().emoji.contains(text);
}
