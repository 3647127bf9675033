#include "toolkit/richtext/ZVMessageParser.h"

#include "ZelvoKit/markup/ZVEmoticonMap.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/text/ZVNameUtils.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QXmlStreamReader>

namespace {

namespace Attr = platform::TextAttribute;

const QString kRootElement = QStringLiteral("msg");
const QString kPre = QStringLiteral("pre");
const QString kFirstParagraphName;
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;
// The darker grey of quoted text.
constexpr double kQuoteWhite = 1.0 / 3.0;
constexpr int kQuoteToggleStyle = 10;
constexpr int kCodeStyle = 15;
constexpr int kMaskBits = 32;
// A quote at the very start of a message is the message itself, never collapsed.
constexpr qsizetype kMinCollapsedQuoteLocation = 2;
const QString kPhoneLeadCharacters = QStringLiteral("0123456789()+-#*");

platform::FontDescription fontOf(const platform::TextAttributes& attributes) {
    return attributes.value(Attr::Font).value<platform::FontDescription>();
}

}  // namespace

void ZVMessageParser::setRecognizePhones(bool recognize) {
    if (!recognize) {
        phoneDetector_.reset();
    } else if (!phoneDetector_) {
        phoneDetector_ = std::make_unique<ZVPhoneNumberDetector>();
    }
}

const platform::TextAttributes& ZVMessageParser::attributes() const {
    return stack_.empty() ? defaultAttributes : stack_.back().merged;
}

platform::TextAttributes ZVMessageParser::attributesWithOverrides(
    const platform::TextAttributes& values) const {
    platform::TextAttributes merged = attributes();
    for (auto it = values.begin(); it != values.end(); ++it) {
        merged.insert(it.key(), it.value());
    }
    return merged;
}

void ZVMessageParser::reset() {
    text_ = {};
    files_.clear();
    urls_.clear();
    highlightedFileNames_.clear();
    containsHiddenQuotes_ = false;
    containsOnlyEmoticons_ = true;
    parseFailed_ = false;
    stack_.clear();
    open_.clear();
    quoteLocation_ = -1;
    quoteLength_ = 0;
    fileNameBuffer_.reset();
    firstParagraphOpen_ = false;
    if (firstParagraphAttributes) {
        firstParagraphOpen_ = pushAttributes(*firstParagraphAttributes, kFirstParagraphName);
    }
}

void ZVMessageParser::parseMessage(const QString& xml) {
    reset();
    if (!read(xml)) {
        // Not message XML: the body as the text it is, so that nothing the sender wrote is lost.
        const platform::TextAttributes plain = attributes();
        reset();
        parseFailed_ = true;
        text_.append(xml, plain);
        stripWhitespaceAttributed(text_);
        return;
    }
    collapseQuote();
    stripWhitespaceAttributed(text_);
}

bool ZVMessageParser::read(const QString& xml) {
    QXmlStreamReader reader(xml);
    bool rootSeen = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartElement:
                if (!rootSeen && reader.name() != kRootElement) {
                    return false;
                }
                rootSeen = true;
                startElement(reader.name().toString(), reader.attributes());
                break;
            case QXmlStreamReader::EndElement:
                endElement(reader.name().toString());
                break;
            case QXmlStreamReader::Characters:
                if (rootSeen) {
                    appendText(reader.text().toString());
                }
                break;
            default:
                break;
        }
    }
    if (reader.hasError()) {
        if (!rootSeen) {
            return false;
        }
        parseFailed_ = true;
        ZVLogError(u"ZVMessageParser::parseMessage(%@): %@", xml, reader.errorString());
    }
    return true;
}

void ZVMessageParser::startElement(const QString& name, const QXmlStreamAttributes& attributes) {
    OpenElement element{name};
    if (allowFormatting && applyFormatting(name, attributes)) {
        ++element.pushed;
    }
    if (name == u"q") {
        quoteLocation_ = text_.length();
        quoteLength_ = 0;
    } else if (name == u"file") {
        const QString key = attributes.value(QStringLiteral("key")).toString();
        if (!key.isEmpty()) {
            files_.append(key);
            element.hasKey = true;
        }
        fileNameBuffer_ = platform::AttributedString();
    } else if (name == u"mark") {
        if (highlightAttributes && pushAttributes(*highlightAttributes, name)) {
            ++element.pushed;
        }
    } else if (name == u"hr") {
        text_.append(QStringLiteral("\n"), {{ZVHorizontalLineAttributeName, 1}});
    } else if (name == u"mention") {
        const QString accountId = attributes.value(QStringLiteral("account_id")).toString();
        const QString address = QStringLiteral("zelvo:?profile&account_id=%1").arg(accountId);
        if (pushLink(address, name,
                     !localUserAccountId.isEmpty() && accountId == localUserAccountId)) {
            ++element.pushed;
        }
    }
    open_.push_back(element);
}

bool ZVMessageParser::applyFormatting(const QString& name, const QXmlStreamAttributes& attrs) {
    if (name == u"a") {
        const QString address = attrs.hasAttribute(QStringLiteral("zelvo_url"))
                                    ? attrs.value(QStringLiteral("zelvo_url")).toString()
                                    : attrs.value(QStringLiteral("href")).toString();
        return pushLink(address, name, false);
    }
    if (name == u"b") {
        return pushAttributes(
            {{Attr::Font, QVariant::fromValue(ZVTextStyles::setBold(fontOf(attributes())))}}, name);
    }
    if (name == u"i") {
        return pushAttributes(
            {{Attr::Font, QVariant::fromValue(ZVTextStyles::setItalic(fontOf(attributes())))}},
            name);
    }
    if (name == u"s") {
        return pushAttributes({{Attr::StrikethroughStyle, 1}}, name);
    }
    if (name == u"emo") {
        if (!attrs.hasAttribute(QStringLiteral("kind"))) {
            return false;
        }
        const QString kind = attrs.value(QStringLiteral("kind")).toString();
        const QString emoji = useZelvoEmoticons ? QString() : ZVEmoticonMap::EmojiForEmoticon(kind);
        if (!emoji.isNull()) {
            // The emoji stands for the typed code, which is hidden; it is an emoticon itself, so
            // it leaves the only-emoticons flag alone.
            if (!attributes().contains(kHiddenAttribute)) {
                (fileNameBuffer_ ? *fileNameBuffer_ : text_).append(emoji, attributes());
            }
            return pushAttributes({{kHiddenAttribute, true}}, name);
        }
        return pushAttributes({{ZVEmoticonAttributeName, kind},
                               {ZVEmoticonSizeAttributeName, largeEmoticons},
                               {ZVLinkIndexAttributeName, ++linkIndex_}},
                              name);
    }
    if (name == kPre) {
        text_.append(QStringLiteral("\n"), {});
        return pushAttributes(ZVTextStyles::attributesForStyle(kCodeStyle), name);
    }
    if (name == u"q") {
        return pushAttributes(
            {{Attr::ForegroundColor, QVariant::fromValue(colorWithWhite(kQuoteWhite))},
             {Attr::Font, QVariant::fromValue(ZVTextStyles::setItalic(fontOf(attributes())))}},
            name);
    }
    return false;
}

bool ZVMessageParser::pushAttributes(const platform::TextAttributes& overrides,
                                     const QString& name) {
    stack_.push_back({name, overrides, attributesWithOverrides(overrides)});
    return true;
}

bool ZVMessageParser::pushLink(const QString& address, const QString& name, bool bold) {
    if (!address.isEmpty() && !urls_.contains(address)) {
        urls_.append(address);
    }
    platform::TextAttributes link{
        {Attr::Link, address.isNull() ? QStringLiteral("") : address},
        {Attr::ForegroundColor, QVariant::fromValue(ZVColors::link())},
        {ZVLinkIndexAttributeName, ++linkIndex_},
    };
    if (bold && attributes().contains(Attr::Font)) {
        link.insert(Attr::Font, QVariant::fromValue(ZVTextStyles::setBold(fontOf(attributes()))));
    }
    return pushAttributes(link, name);
}

void ZVMessageParser::popAttributes() {
    if (!stack_.empty()) {
        stack_.pop_back();
    }
}

void ZVMessageParser::endFirstParagraph() {
    if (!firstParagraphOpen_) {
        return;
    }
    firstParagraphOpen_ = false;
    firstParagraphAttributes.reset();
    // The first paragraph's entry lies under the elements still open, which go on with their own
    // styling over the defaults.
    std::vector<StackEntry> above(stack_.begin() + 1, stack_.end());
    stack_.clear();
    for (const StackEntry& entry : above) {
        pushAttributes(entry.overrides, entry.name);
    }
}

void ZVMessageParser::endElement(const QString& name) {
    if (open_.empty()) {
        return;
    }
    const OpenElement element = open_.back();
    open_.pop_back();
    for (int i = 0; i < element.pushed; ++i) {
        popAttributes();
    }
    if (name == u"file") {
        if (fileNameBuffer_ && element.hasKey) {
            bool highlighted = false;
            fileNameBuffer_->enumerateAttribute(Attr::BackgroundColor, 0, fileNameBuffer_->length(),
                                                [&](const QVariant& value, qsizetype, qsizetype) {
                                                    highlighted = value.isValid();
                                                    return highlighted;
                                                });
            if (highlighted) {
                highlightedFileNames_.insert(files_.last(), *fileNameBuffer_);
            }
        }
        fileNameBuffer_.reset();
    } else if (name == u"br" || name == u"p") {
        appendText(QString(QChar(name == u"br" ? kLineSeparator : kParagraphSeparator)));
        endFirstParagraph();
    } else if (name == u"q" && quoteLocation_ >= 0) {
        quoteLength_ = text_.length() - quoteLocation_;
    }
}

void ZVMessageParser::appendText(const QString& text) {
    const platform::TextAttributes& current = attributes();
    if (current.contains(kHiddenAttribute)) {
        return;
    }
    if (fileNameBuffer_) {
        fileNameBuffer_->append(text, current);
        return;
    }
    if (containsOnlyEmoticons_ && !current.contains(ZVEmoticonAttributeName)) {
        noteEmoticonContent(text);
    }
    const bool insidePre = std::any_of(open_.begin(), open_.end(),
                                       [](const OpenElement& e) { return e.name == kPre; });
    if (phoneDetector_ && !insidePre) {
        appendWithPhoneLinks(text);
    } else {
        text_.append(text, current);
    }
}

void ZVMessageParser::noteEmoticonContent(const QString& text) {
    qsizetype i = 0;
    while (i < text.size()) {
        if (i + 1 < text.size() && ZVNameUtils::isEmoji(text.mid(i, 2))) {
            i += 2;
        } else if (text[i].isSpace()) {
            ++i;
        } else {
            containsOnlyEmoticons_ = false;
            return;
        }
    }
}

void ZVMessageParser::appendWithPhoneLinks(const QString& text) {
    qsizetype position = 0;
    for (ZVPhoneNumberDetector::Match match : phoneDetector_->matchesInString(text)) {
        while (match.length > 0 && !kPhoneLeadCharacters.contains(text[match.location])) {
            ++match.location;
            --match.length;
        }
        if (match.length == 0 || match.location < position) {
            continue;
        }
        text_.append(text.mid(position, match.location - position), attributes());
        const QString number = text.mid(match.location, match.length);
        pushLink(QStringLiteral("tel://") + ZelvoUtils::cleanPhoneNumber(number),
                 kFirstParagraphName, false);
        text_.append(number, attributes());
        popAttributes();
        position = match.location + match.length;
    }
    text_.append(text.mid(position), attributes());
}

void ZVMessageParser::collapseQuote() {
    if (!hideQuotes || quoteLocation_ < kMinCollapsedQuoteLocation) {
        return;
    }
    if (quoteIndex_ < kMaskBits && ((hiddenQuotes >> quoteIndex_) & 1u) != 0) {
        text_.deleteCharacters(quoteLocation_, quoteLength_);
    }
    containsHiddenQuotes_ = true;
    platform::TextAttributes toggle = ZVTextStyles::attributesForStyle(kQuoteToggleStyle);
    toggle.insert(Attr::Link, QStringLiteral("toggle-quote:%1").arg(quoteIndex_));
    text_.insert(quoteLocation_, platform::AttributedString(QStringLiteral("[...]\n"), toggle));
    ++quoteIndex_;
    quoteLocation_ = -1;
}

platform::AttributedString ZVMessageParser::parseRichText(const QString& fragment) {
    ZVMessageParser parser;
    parser.allowFormatting = true;
    parser.defaultAttributes = ZVTextStyles::attributesForStyle(0);
    parser.parseMessage(QStringLiteral("<msg>%1</msg>").arg(fragment));
    if (parser.parseFailed_) {
        platform::AttributedString plain(fragment, parser.defaultAttributes);
        stripWhitespaceAttributed(plain);
        return plain;
    }
    return parser.text_;
}

void ZVMessageParser::stripWhitespaceAttributed(platform::AttributedString& text) {
    qsizetype end = text.length();
    while (end > 0 && text.string()[end - 1].isSpace()) {
        --end;
    }
    text.deleteCharacters(end, text.length() - end);
}
