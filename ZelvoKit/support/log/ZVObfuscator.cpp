#include "ZelvoKit/support/log/ZVObfuscator.h"

#include "ZelvoKit/support/text/StringUtils.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QList>
#include <QtCore/QStringList>

#include <random>

namespace {

constexpr QStringView kPlaceholderPassage =
    u"Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt "
    u"ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation "
    u"ullamco laboris nisi ut aliquip ex ea commodo consequat. Duis aute irure dolor in "
    u"reprehenderit in voluptate velit esse cillum dolore eu fugiat nulla pariatur. Excepteur "
    u"sint occaecat cupidatat non proident, sunt in culpa qui officia deserunt mollit anim id "
    u"est laborum.";
// Stands in for the lengths that the passage has no word of.
constexpr QStringView kFillerWord = u"loremipsumdolorsiamet";
constexpr QStringView kHexDigits = u"0123456789abcdef";
constexpr qsizetype kShortestReplacedWord = 3;

struct Tables {
    // Index n: the placeholder words of length n.
    QList<QStringList> wordsByLength;
    QHash<QString, QString> identifiers;
    std::mt19937_64 random{std::random_device{}()};
};

Tables makeTables() {
    Tables tables;
    QStringList words;
    qsizetype longest = 0;
    QString word;
    auto endWord = [&] {
        if (!word.isEmpty()) {
            longest = std::max(longest, word.size());
            words.append(word.toLower());
            word.clear();
        }
    };
    for (const QChar c : kPlaceholderPassage) {
        if (inWhitespaceAndPunctuationSet(c.unicode())) {
            endWord();
        } else {
            word += c;
        }
    }
    endWord();
    tables.wordsByLength.resize(longest + 1);
    for (const QString& w : words) {
        tables.wordsByLength[w.size()].append(w);
    }
    for (qsizetype n = 0; n <= longest; ++n) {
        if (tables.wordsByLength[n].isEmpty()) {
            tables.wordsByLength[n].append(kFillerWord.first(n).toString());
        }
    }
    return tables;
}

Tables& tables() {
    static Tables* shared = [] {
        auto* created = new Tables(makeTables());
        platform::onResetSharedState([created] {
            created->identifiers.clear();
            created->random.seed(std::random_device{}());
        });
        return created;
    }();
    return *shared;
}

bool isAnonymisedField(const QString& key) {
    return key == u"message" || key == u"topic" || key == u"display_name" || key == u"email";
}

bool isLetter(char32_t c) {
    return QChar::isLetter(c) || QChar::isMark(c);
}

}  // namespace

QString ZVObfuscator::obfuscateWord(const QString& word) {
    if (word.size() < kShortestReplacedWord) {
        return word;
    }
    Tables& t = tables();
    const auto& lists = t.wordsByLength;
    QString result;
    while (result.size() < word.size()) {
        const qsizetype remaining = word.size() - result.size();
        const QStringList& list = remaining < lists.size() ? lists[remaining] : lists.last();
        result +=
            list[static_cast<qsizetype>(t.random() % static_cast<std::uint64_t>(list.size()))];
    }
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i].isUpper()) {
            result[i] = result[i].toUpper();
        }
    }
    return result;
}

QString ZVObfuscator::obfuscateId(const QString& identifier) {
    Tables& t = tables();
    const auto known = t.identifiers.constFind(identifier);
    if (known != t.identifiers.cend()) {
        return *known;
    }
    QString replacement(identifier.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < identifier.size(); ++i) {
        replacement[i] = identifier[i] == u'-'
                             ? QChar(u'+')
                             : kHexDigits[static_cast<qsizetype>(t.random() % kHexDigits.size())];
    }
    t.identifiers.insert(identifier, replacement);
    return replacement;
}

QString ZVObfuscator::obfuscateText(const QString& text) {
    if (text.startsWith(u'{') && text.endsWith(u'}')) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    QString word;
    char32_t lastSeparator = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype width = 1;
        const char32_t c = codePointAt(text, i, &width);
        const QStringView character = QStringView(text).sliced(i, width);
        i += width;
        if (isLetter(c)) {
            word += character;
            continue;
        }
        // The name of a tag, as in "<p>" and "</p>", is markup rather than content.
        const bool tagName = lastSeparator == u'<' && c == u'>';
        result += tagName ? word : obfuscateWord(word);
        result += character;
        word.clear();
        if (c != u'/') {
            lastSeparator = c;
        }
    }
    result += obfuscateWord(word);
    return result;
}

void ZVObfuscator::obfuscateDictionary(QJsonObject& dictionary) {
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
        const QJsonValue value = it.value();
        if (value.isString()) {
            if (isAnonymisedField(it.key())) {
                it.value() = obfuscateText(value.toString());
            }
        } else if (value.isObject()) {
            QJsonObject nested = value.toObject();
            obfuscateDictionary(nested);
            it.value() = nested;
        } else if (value.isArray()) {
            QJsonArray elements = value.toArray();
            for (auto element = elements.begin(); element != elements.end(); ++element) {
                if ((*element).isObject()) {
                    QJsonObject nested = (*element).toObject();
                    obfuscateDictionary(nested);
                    *element = nested;
                }
            }
            it.value() = elements;
        }
    }
}

void ZVObfuscator::seedRandomSource(std::uint64_t seed) {
    tables().random.seed(seed);
}
