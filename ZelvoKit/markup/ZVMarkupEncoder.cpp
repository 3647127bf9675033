#include "ZelvoKit/markup/ZVMarkupEncoder.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QHash>
#include <QtCore/QRegularExpression>

#include <algorithm>

namespace {

const QString kRootElement = QStringLiteral("msg");
const QString kOpeningMarkup = QStringLiteral("zvp");
const QString kClosingMarkup = QStringLiteral("zvs");

// The end of the character that starts at `position`, so that a scan never stops inside a
// surrogate pair.
qsizetype nextCharacter(const QString& text, qsizetype position) {
    if (position + 1 < text.size() && text[position].isHighSurrogate() &&
        text[position + 1].isLowSurrogate()) {
        return position + 2;
    }
    return position + 1;
}

QStringList capturesOf(const QRegularExpressionMatch& match) {
    QStringList captures;
    for (int i = 0; i <= match.lastCapturedIndex(); ++i) {
        // A group that took no part gives "" (captured() gives a null string for it).
        captures << (match.capturedStart(i) < 0 ? QStringLiteral("") : match.captured(i));
    }
    return captures;
}

}  // namespace

// Where the end pattern of a marker first matched from some scan position on. Scans only move
// forward, so a later search can reuse an earlier answer: a match at or after the new position is
// still the first one, and no match from an earlier position means none from a later one. This
// keeps a line full of unmatched markers linear.
struct ZVMarkupEncoder::EndSearch {
    qsizetype from = -1;
    qsizetype matchStart = -1;
    qsizetype markerStart = -1;
    qsizetype markerEnd = -1;
    bool found = false;
};

QString ZVMarkupEncoder::xmlWithMessage(const QString& message,
                                        const std::optional<QStringList>& files) {
    return ZVMarkupEncoder(message, files).result();
}

QByteArray ZVMarkupEncoder::dataWithMessage(const QString& message) {
    return ZVMarkupEncoder(message, std::nullopt).data();
}

void ZVMarkupEncoder::resetToDefaultSyntax() {
    ZVMarkupSyntax::deleteServerSyntax();
}

QString ZVMarkupEncoder::markupForEmoticon(const QString& name) {
    const std::shared_ptr<ZVMarkupSyntax> syntax = ZVMarkupSyntax::syntax();
    const QString kind = QLatin1Char('e') + name;
    const QString preferred = QStringLiteral("((%1))").arg(name);
    QStringList codes;
    for (auto it = syntax->emoticonNames().cbegin(); it != syntax->emoticonNames().cend(); ++it) {
        if (it.value() == kind) {
            codes << it.key();
        }
    }
    // A fixed order, so that the answer does not depend on how the table happens to be stored.
    codes.sort();
    QString answer = QStringLiteral("");
    for (const QString& code : codes) {
        if (code.compare(preferred, Qt::CaseInsensitive) == 0) {
            return code;
        }
        answer = code;
    }
    return answer;
}

ZVMarkupEncoder::ZVMarkupEncoder(const QString& message, std::optional<QStringList> files,
                                 std::shared_ptr<ZVMarkupSyntax> syntax)
    : syntax_(syntax ? std::move(syntax) : ZVMarkupSyntax::syntax()), files_(std::move(files)) {
    if (!syntax_->isValid()) {
        writeUnformatted(message);
        return;
    }
    parseMessage(message);
    if (xml_.openElementCount() > 0 || !xml_.hasSingleRoot(kRootElement)) {
        // Only a faulty definition gets here; what it wrote would not read back.
        ZVLogError(u"ZVMarkupEncoder::ParseMessage: the syntax left no single msg element");
        xml_ = ZVXMLComposer();
        writeUnformatted(message);
    }
}

void ZVMarkupEncoder::writeUnformatted(const QString& message) {
    xml_.startElement(kRootElement);
    xml_.addText(message);
    // The attachments stay listed, so that nothing treats them as removed from the message.
    injectFiles();
    xml_.endElement(kRootElement);
}

void ZVMarkupEncoder::parseMessage(const QString& text) {
    const ZVMarkupSyntax& syntax = *syntax_;
    QString state = syntax.startState();
    bool haveState = true;
    qsizetype position = 0;
    const qsizetype length = text.size();
    while (position < length) {
        const std::vector<ZVParserState>* entries = haveState ? syntax.lineStates(state) : nullptr;
        const ZVParserState* chosen = nullptr;
        QStringList captures;
        int flags = 0;
        if (entries) {
            for (const ZVParserState& entry : *entries) {
                const auto type = syntax.lineTypes().constFind(entry.lineType());
                if (type == syntax.lineTypes().cend() || !type->regex()) {
                    continue;
                }
                flags = type->flags();
                const QRegularExpressionMatch match =
                    type->regex()->match(text, position, QRegularExpression::NormalMatch,
                                         QRegularExpression::AnchorAtOffsetMatchOption);
                if (match.hasMatch()) {
                    chosen = &entry;
                    captures = capturesOf(match);
                    break;
                }
            }
        }
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), position);
        if (lineEnd < 0) {
            lineEnd = length;
        }
        QString line = text.mid(position, lineEnd - position);
        position = lineEnd + 1;

        if (chosen) {
            state = chosen->nextState();
            line = processBlockTags(chosen->tags(), line, &captures);
        } else {
            haveState = false;
        }
        if (flags & ZVLineType::Inline) {
            processLongTags(line);
        } else if (flags & ZVLineType::Drop) {
        } else if (flags & ZVLineType::Verbatim) {
            xml_.addText(line);
            xml_.addText(QStringLiteral("\n"));
        } else {
            ZVLogError(u"Unknown line type");
        }
    }
    // The last entry of the state closes what the definition left open, the root included.
    const std::vector<ZVParserState>* entries = haveState ? syntax.lineStates(state) : nullptr;
    if (entries && !entries->empty()) {
        processBlockTags(entries->back().tags(), QString(), nullptr);
    }
}

QString ZVMarkupEncoder::processBlockTags(const std::vector<ZVParserTag>& tags, QString line,
                                          const QStringList* matches) {
    const bool hasMarker = matches && matches->size() >= 2;
    const QString marker = hasMarker ? matches->at(1) : QString();
    auto removeMarker = [&] { line.remove(0, std::min(marker.size(), line.size())); };
    for (const ZVParserTag& tag : tags) {
        const bool keepMarker = hasMarker && tag.preserveContent();
        ZVXMLComposer::Attributes attributes;
        if (keepMarker) {
            attributes.emplace_back(kOpeningMarkup, marker);
        } else if (auto mapped = tag.attributesFromMatches(matches)) {
            attributes = std::move(*mapped);
        }
        switch (tag.type()) {
            case ZVParserTag::Opening:
                xml_.startElement(tag.name(), attributes);
                break;
            case ZVParserTag::Empty:
                xml_.addEmptyElement(tag.name(), attributes);
                break;
            case ZVParserTag::Closing:
                if (keepMarker) {
                    xml_.addAttribute(kClosingMarkup, marker, xml_.currentElement());
                }
                if (tag.name() == kRootElement) {
                    injectFiles();
                }
                xml_.endElement(tag.name());
                break;
        }
        if (keepMarker) {
            removeMarker();
        }
    }
    return line;
}

void ZVMarkupEncoder::processLongTags(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    const ZVMarkupSyntax& syntax = *syntax_;
    const QRegularExpression& startPattern = *syntax.multiWordStart();
    QHash<QString, EndSearch> endSearches;
    qsizetype done = 0;
    qsizetype scan = 0;
    while (scan < text.size()) {
        const QRegularExpressionMatch start = startPattern.match(text, scan);
        if (!start.hasMatch()) {
            break;
        }
        const qsizetype markerStart = start.capturedStart(1);
        const qsizetype markerEnd = start.capturedEnd(1);
        const QString marker = start.captured(1);
        const qsizetype previousScan = scan;
        bool formed = false;
        const QString name = syntax.multiWordTags().value(marker);
        const auto endPattern = syntax.multiWordEnd().constFind(marker);
        if (markerStart >= done && !marker.isEmpty() && !name.isEmpty() &&
            !xml_.isElementOpen(name) && endPattern != syntax.multiWordEnd().cend()) {
            EndSearch& search = endSearches[marker];
            if (search.from < 0 || search.from > markerEnd ||
                (search.found && search.matchStart < markerEnd)) {
                const QRegularExpressionMatch end = endPattern->match(text, markerEnd);
                search = {markerEnd, end.capturedStart(0), end.capturedStart(1), end.capturedEnd(1),
                          end.hasMatch() && end.capturedStart(1) >= 0};
            }
            if (search.found && search.markerStart >= markerEnd &&
                search.markerEnd > search.markerStart) {
                processSingleTokens(text.mid(done, markerStart - done));
                xml_.startElement(
                    name, {{kOpeningMarkup, marker},
                           {kClosingMarkup,
                            text.mid(search.markerStart, search.markerEnd - search.markerStart)}});
                processLongTags(text.mid(markerEnd, search.markerStart - markerEnd));
                xml_.endElement(name);
                scan = done = search.markerEnd;
                formed = true;
            }
        }
        if (!formed) {
            scan = std::max(markerEnd, start.capturedEnd(0));
        }
        if (scan <= previousScan) {
            scan = nextCharacter(text, previousScan);
        }
    }
    processSingleTokens(text.mid(done));
}

void ZVMarkupEncoder::processSingleTokens(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    const ZVMarkupSyntax& syntax = *syntax_;
    const QRegularExpression& pattern = *syntax.singleWordMarkup();
    const QStringList& tags = syntax.singleWordTags();
    qsizetype position = 0;
    while (position < text.size()) {
        const QRegularExpressionMatch match = pattern.match(text, position);
        if (!match.hasMatch()) {
            break;
        }
        int group = 0;
        const int groups = std::min<int>(match.lastCapturedIndex(), int(tags.size()));
        for (int i = 1; i <= groups; ++i) {
            if (match.capturedStart(i) >= position && match.capturedLength(i) > 0) {
                group = i;
                break;
            }
        }
        if (group == 0) {
            // Nothing usable in this match: its first character is plain text.
            const qsizetype next = nextCharacter(text, std::max(position, match.capturedStart(0)));
            xml_.addText(text.mid(position, next - position));
            position = next;
            continue;
        }
        const QString token = match.captured(group);
        const qsizetype tokenStart = match.capturedStart(group);
        const QString& tag = tags[group - 1];
        xml_.addText(text.mid(position, tokenStart - position));
        qsizetype consumed = token.size();
        if (tag == QLatin1StringView("emo")) {
            consumed = addEmoticon(token);
        } else if (tag.startsWith(QLatin1StringView("link"))) {
            consumed = addLink(token, tag.section(QLatin1Char(':'), 1, 1));
        } else {
            xml_.addText(token);
        }
        position = tokenStart + std::max<qsizetype>(consumed, 1);
    }
    if (position < text.size()) {
        xml_.addText(text.mid(position));
    }
}

qsizetype ZVMarkupEncoder::addEmoticon(const QString& token) {
    const auto kind = syntax_->emoticonNames().constFind(token);
    if (kind == syntax_->emoticonNames().cend()) {
        xml_.addText(token);
        return token.size();
    }
    xml_.startElement(QStringLiteral("emo"), {{QStringLiteral("kind"), *kind}});
    xml_.addText(token);
    xml_.endElement(QStringLiteral("emo"));
    return token.size();
}

qsizetype ZVMarkupEncoder::addLink(const QString& token, const QString& schema) {
    const QString& prefix = syntax_->urlDescriptionPrefix();
    const QString& suffix = syntax_->urlDescriptionSuffix();
    const qsizetype prefixAt = prefix.isEmpty() ? -1 : token.indexOf(prefix);
    const qsizetype suffixAt =
        prefixAt < 0 || suffix.isEmpty() ? -1 : token.indexOf(suffix, prefixAt + prefix.size());
    QString address;
    QString visible;
    qsizetype consumed = 0;
    ZVXMLComposer::Attributes markup;
    if (suffixAt >= 0) {
        address = token.left(prefixAt);
        visible = token.mid(prefixAt + prefix.size(), suffixAt - prefixAt - prefix.size());
        markup = {{kOpeningMarkup, token.left(prefixAt + prefix.size())}, {kClosingMarkup, suffix}};
        consumed = suffixAt + suffix.size();
    } else {
        address = stripLink(token);
        visible = address;
        consumed = address.size();
    }
    if (address.isEmpty()) {
        xml_.addText(token);
        return token.size();
    }
    ZVXMLComposer::Attributes attributes{
        {QStringLiteral("href"),
         schema.isEmpty() ? address : QStringLiteral("%1://%2").arg(schema, address)}};
    attributes.insert(attributes.end(), markup.begin(), markup.end());
    xml_.startElement(QStringLiteral("a"), attributes);
    xml_.addText(visible);
    xml_.endElement(QStringLiteral("a"));
    return consumed;
}

QString ZVMarkupEncoder::stripLink(const QString& token) const {
    const ZVMarkupSyntax& syntax = *syntax_;
    QString expected;
    qsizetype balance = 0;
    for (qsizetype i = 0; i < token.size(); ++i) {
        const QChar c = token[i];
        if (syntax.openingParentheses().contains(c)) {
            expected += syntax.parenthesesMap().value(c);
            continue;
        }
        if (syntax.closingParentheses().contains(c)) {
            if (!expected.isEmpty() && expected.back() == c) {
                expected.chop(1);
            } else if (expected.isEmpty()) {
                // A closer the address never opened belongs to the text around it: "(see x.com)".
                break;
            }
        }
        if (expected.isEmpty()) {
            balance = i + 1;
        }
    }
    while (balance > 0 && syntax.punctuation().contains(token[balance - 1])) {
        --balance;
    }
    return token.left(balance);
}

void ZVMarkupEncoder::injectFiles() {
    if (!files_) {
        return;
    }
    for (const QString& key : *files_) {
        xml_.addEmptyElement(QStringLiteral("file"), {{QStringLiteral("key"), key}});
    }
}
