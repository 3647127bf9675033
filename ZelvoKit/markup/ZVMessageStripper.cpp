#include "ZelvoKit/markup/ZVMessageStripper.h"

#include "ZelvoKit/markup/ZVFileExtractor.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QHash>
#include <QtCore/QXmlStreamReader>

namespace {

constexpr char16_t kParagraphSeparator = 0x2029;
const QString kOpeningMarkup = QStringLiteral("zvp");
const QString kClosingMarkup = QStringLiteral("zvs");

bool isWhitespace(QChar c) {
    return c.isSpace() || c.unicode() == kParagraphSeparator;
}

}  // namespace

QString ZVMessageStripper::extractPlainText(const QString& message) {
    return ZVMessageStripper(message, false, kPreviewLength, true, false).result();
}

QString ZVMessageStripper::extractPlainTextWithMarkup(const QString& message, bool stripQuotes) {
    return ZVMessageStripper(message, true, 0, false, stripQuotes).result();
}

std::optional<QStringList> ZVMessageStripper::extractFiles(const QString& message) {
    return ZVFileExtractor(message).files();
}

void ZVMessageStripper::stripWhitespace(QString& text, bool collapseLines) {
    qsizetype end = text.size();
    while (end > 0 && isWhitespace(text[end - 1])) {
        --end;
    }
    text.truncate(end);
    if (!collapseLines) {
        return;
    }
    qsizetype start = 0;
    while (start < text.size() && isWhitespace(text[start])) {
        ++start;
    }
    text.remove(0, start);
    for (QChar& c : text) {
        if (isWhitespace(c)) {
            c = QLatin1Char(' ');
        }
    }
}

ZVMessageStripper::ZVMessageStripper(const QString& message, bool preserveMarkup,
                                     qsizetype limitLength, bool collapseLines, bool stripQuotes)
    : preserveMarkup_(preserveMarkup), limitLength_(limitLength) {
    if (!message.startsWith(QLatin1StringView("<msg"))) {
        result_ = message;
        return;
    }
    parse(message);
    if (stripQuotes && quoteLocation_ >= 0 && quoteLocation_ < result_.size()) {
        result_.remove(quoteLocation_, quoteLength_);
    }
    stripWhitespace(result_, collapseLines);
}

bool ZVMessageStripper::appendText(QStringView text) {
    result_ += text;
    if (limitLength_ <= 0 || result_.size() < limitLength_) {
        return true;
    }
    qsizetype cut = limitLength_;
    if (result_[cut - 1].isHighSurrogate() && cut < result_.size() &&
        result_[cut].isLowSurrogate()) {
        --cut;
    }
    result_.truncate(cut);
    result_ += QLatin1StringView("...");
    return false;
}

void ZVMessageStripper::parse(const QString& message) {
    QXmlStreamReader reader(message);
    int level = 0;
    QHash<int, QString> pendingSuffixes;
    bool hidden = false;
    bool reading = true;
    while (reading && !reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartElement: {
                if (reader.name() == u"q") {
                    quoteLocation_ = result_.size();
                    quoteLength_ = 0;
                    break;
                }
                if (!preserveMarkup_) {
                    break;
                }
                ++level;
                const QXmlStreamAttributes attributes = reader.attributes();
                if (attributes.hasAttribute(kOpeningMarkup)) {
                    result_ += attributes.value(kOpeningMarkup);
                }
                if (attributes.hasAttribute(kClosingMarkup)) {
                    pendingSuffixes.insert(level, attributes.value(kClosingMarkup).toString());
                }
                if (reader.name() == u"file") {
                    hidden = true;
                }
                break;
            }
            case QXmlStreamReader::EndElement: {
                if (reader.name() == u"q") {
                    if (quoteLocation_ >= 0) {
                        quoteLength_ = result_.size() - quoteLocation_;
                    }
                    break;
                }
                if (const auto suffix = pendingSuffixes.constFind(level);
                    suffix != pendingSuffixes.cend()) {
                    result_ += *suffix;
                    pendingSuffixes.erase(suffix);
                }
                if (reader.name() == u"br" && !hidden) {
                    reading = appendText(u"\n");
                } else if (reader.name() == u"p" && !hidden) {
                    reading = appendText(u"\n\n");
                } else if (reader.name() == u"file") {
                    if (!preserveMarkup_) {
                        result_ += QLatin1Char(' ');
                    }
                    hidden = false;
                }
                if (preserveMarkup_) {
                    --level;
                }
                break;
            }
            case QXmlStreamReader::Characters:
                if (!hidden) {
                    reading = appendText(reader.text());
                }
                break;
            default:
                break;
        }
    }
    if (reading && reader.hasError()) {
        // The message's own text stays out of the log: it is the user's.
        ZVLogError(u"ZVMessageStripper::InitWithMessage(%ld characters): %@", message.size(),
                   reader.errorString());
    }
}
