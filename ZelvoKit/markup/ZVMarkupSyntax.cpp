#include "ZelvoKit/markup/ZVMarkupSyntax.h"

#include "ZelvoKit/markup/SyntaxPattern.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Resources.h"

#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

namespace {

using JsonClass = ZVJsonParser::JsonClass;

}  // namespace

const std::vector<ZVParserState>* ZVMarkupSyntax::lineStates(const QString& state) const {
    const auto found = lineStates_.constFind(state);
    return found == lineStates_.cend() ? nullptr : &*found;
}

bool ZVMarkupSyntax::loadFromData(const QByteArray& data) {
    valid_ = true;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        ZVLogError(u"ZVMarkupSyntax::LoadFromJson: %@",
                   parseError.error != QJsonParseError::NoError
                       ? parseError.errorString()
                       : QStringLiteral("the definition is not an object"));
        valid_ = false;
        return false;
    }
    QJsonObject root = document.object();
    if (root.value(QLatin1StringView("syntax")).isObject()) {
        root = root.value(QLatin1StringView("syntax")).toObject();
    }
    ZVJsonParser json(root);

    auto compile = [this](const QString& key, const QString& pattern) {
        std::optional<QRegularExpression> regex;
        if (pattern.isNull()) {
            return regex;
        }
        QString error;
        regex = compileSyntaxPattern(pattern, QRegularExpression::MultilineOption, &error);
        if (!regex) {
            ZVLogError(u"ZVMarkupSyntax::LoadFromJson: %@: %@", key, error);
            valid_ = false;
        }
        return regex;
    };

    emoticonNames_.clear();
    const QJsonObject emoticons =
        json.extractObject(u"emoticon_names", JsonClass::Dictionary).toObject();
    for (auto it = emoticons.begin(); it != emoticons.end(); ++it) {
        if (it.value().isString() && !it.key().isEmpty()) {
            emoticonNames_.insert(it.key(), it.value().toString());
        }
    }
    endToken_ = json.extractString(u"end_token");
    hrefSchemas_ = json.extractObject(u"href_schemas", JsonClass::Array).toArray();
    multiWordStart_ =
        compile(QStringLiteral("multi_word_start"), json.extractString(u"multi_word_start"));

    multiWordTags_.clear();
    const QJsonObject tags =
        json.extractObject(u"multi_word_tags", JsonClass::Dictionary).toObject();
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        const QString name = it.value().toString();
        if (!ZVParserTag::isXmlName(name)) {
            ZVLogError(
                u"ZVMarkupSyntax::LoadFromJson: multi_word_tags: invalid element name for %@",
                it.key());
            valid_ = false;
            continue;
        }
        multiWordTags_.insert(it.key(), name);
    }
    singleWordMarkup_ =
        compile(QStringLiteral("single_word_markup"), json.extractString(u"single_word_markup"));
    singleWordTags_.clear();
    for (const QJsonValue& tag :
         json.extractObject(u"single_word_tags", JsonClass::Array).toArray()) {
        singleWordTags_ << tag.toString();
    }
    for (const QString& tag : singleWordTags_) {
        if (tag != QLatin1StringView("emo") && !tag.startsWith(QLatin1StringView("link")) &&
            !tag.isEmpty() && !ZVParserTag::isXmlName(tag)) {
            ZVLogError(u"ZVMarkupSyntax::LoadFromJson: single_word_tags: invalid tag %@", tag);
            valid_ = false;
        }
    }
    urlDescriptionPrefix_ = json.extractString(u"url_desc_start");
    urlDescriptionSuffix_ = json.extractString(u"url_desc_end");

    lineTypes_.clear();
    const QJsonObject types = json.extractObject(u"line_types", JsonClass::Dictionary).toObject();
    for (auto it = types.begin(); it != types.end(); ++it) {
        ZVLineType type(it.value());
        if (!type.isValid()) {
            valid_ = false;
        }
        lineTypes_.insert(it.key(), std::move(type));
    }

    lineStates_.clear();
    const QJsonObject states = json.extractObject(u"line_states", JsonClass::Dictionary).toObject();
    for (auto it = states.begin(); it != states.end(); ++it) {
        std::vector<ZVParserState> entries;
        if (!it.value().isArray() || it.value().toArray().isEmpty()) {
            ZVLogError(u"ZVMarkupSyntax::LoadFromJson: state %@ is not a list of entries",
                       it.key());
            valid_ = false;
        }
        for (const QJsonValue& value : it.value().toArray()) {
            entries.emplace_back(value);
            if (!entries.back().isValid()) {
                valid_ = false;
            }
        }
        lineStates_.insert(it.key(), std::move(entries));
    }

    multiWordEnd_.clear();
    const QJsonObject ends =
        json.extractObject(u"multi_word_end", JsonClass::Dictionary).toObject();
    for (auto it = ends.begin(); it != ends.end(); ++it) {
        QString error;
        // A marker whose end does not compile simply never closes; the rest still works.
        if (auto regex = compileSyntaxPattern(it.value().toString(), {}, &error)) {
            multiWordEnd_.insert(it.key(), *regex);
        } else {
            ZVLogError(u"ZVMarkupSyntax::LoadFromJson: multi_word_end %@: %@", it.key(), error);
        }
    }

    openingParentheses_ = json.extractString(u"open_parens");
    closingParentheses_ = json.extractString(u"close_parens");
    parenthesesMap_.clear();
    if (!openingParentheses_.isNull() && !closingParentheses_.isNull()) {
        if (openingParentheses_.size() != closingParentheses_.size()) {
            ZVLogError(
                u"ZVMarkupSyntax::LoadFromJson: open_parens and close_parens differ in "
                u"length");
            valid_ = false;
        }
        const qsizetype count = std::min(openingParentheses_.size(), closingParentheses_.size());
        for (qsizetype i = 0; i < count; ++i) {
            parenthesesMap_.insert(openingParentheses_[i], closingParentheses_[i]);
        }
    }
    punctuation_ = json.extractString(u"link_strip_punct", QString(kDefaultLinkPunctuation));
    startState_ = json.extractString(u"start_state");

    if (!lineStates_.contains(startState_)) {
        ZVLogError(u"ZVMarkupSyntax::LoadFromJson: start state not valid");
        valid_ = false;
    }
    if (json.error()) {
        ZVLogError(u"ZVMarkupSyntax::LoadFromJson: %@", json.error()->description());
        valid_ = false;
    }
    if (valid_ && !checkStates()) {
        valid_ = false;
    }
    return valid_;
}

bool ZVMarkupSyntax::checkStates() {
    for (auto it = lineStates_.cbegin(); it != lineStates_.cend(); ++it) {
        for (const ZVParserState& entry : it.value()) {
            if (!lineTypes_.contains(entry.lineType()) ||
                !lineStates_.contains(entry.nextState())) {
                ZVLogError(
                    u"ZVMarkupSyntax::LoadFromJson: state %@: unknown line type or state "
                    u"in %@",
                    it.key(), entry.description());
                return false;
            }
        }
    }
    return true;
}

void ZVMarkupSyntax::loadDefaultSyntax() {
    const QString path =
        platform::Resources::pathForResource(QStringLiteral("syntax"), QStringLiteral("json"));
    if (!path.isNull()) {
        loadFromFile(path);
    }
}

bool ZVMarkupSyntax::loadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ZVLogError(u"ZVMarkupSyntax::LoadFromJson: %@", file.errorString());
        valid_ = false;
        return false;
    }
    return loadFromData(file.readAll());
}
