#pragma once

#include "platform/foundation/AttributedString.h"
#include "toolkit/richtext/ZVPhoneNumberDetector.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QXmlStreamAttributes>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Reads message XML (root `msg`) into the attributed text that the rich-text view draws:
// elements push and pop attributes, text takes the attributes on top. Besides the text it reports
// the links, the file keys, highlighted file names, hidden quotes and whether the message holds
// nothing but emoticons. Malformed XML keeps the text read up to the fault; a body that is no
// message XML at all is shown as plain text.
class ZVMessageParser {
public:
    // Set on the run that is dropped: the element's own text never reaches the output.
    static constexpr QLatin1StringView kHiddenAttribute{"ZVHiddenAttribute"};
    static constexpr std::uint32_t kAllQuotesHidden = 0xffffffffu;

    ZVMessageParser() = default;

    // Configuration, set before parsing.
    platform::TextAttributes defaultAttributes;
    // Merged over the defaults until the first `br` or `p` ends.
    std::optional<platform::TextAttributes> firstParagraphAttributes;
    // For `mark` (search hits).
    std::optional<platform::TextAttributes> highlightAttributes;
    bool allowFormatting = false;
    QString localUserAccountId;
    bool hideQuotes = false;
    // Bit n: the quote with index n starts collapsed.
    std::uint32_t hiddenQuotes = 0;
    bool useZelvoEmoticons = false;
    bool largeEmoticons = false;

    void setRecognizePhones(bool recognize);
    bool recognizePhones() const { return phoneDetector_ != nullptr; }

    void parseMessage(const QString& xml);

    // Results of the last parse.
    const platform::AttributedString& attributedText() const { return text_; }
    // File keys in document order.
    const QStringList& files() const { return files_; }
    // Distinct link addresses in first-seen order.
    const QStringList& urls() const { return urls_; }
    // File key to its name, for files whose name holds a search highlight.
    const QHash<QString, platform::AttributedString>& highlightedFileNames() const {
        return highlightedFileNames_;
    }
    bool containsHiddenQuotes() const { return containsHiddenQuotes_; }
    bool containsOnlyEmoticons() const { return containsOnlyEmoticons_; }

    // A small marked-up interface text in text style 0, formatting on. A fragment that is no
    // valid markup shows as the plain text it is.
    static platform::AttributedString parseRichText(const QString& fragment);
    // Removes white space, line and paragraph separators from the end.
    static void stripWhitespaceAttributed(platform::AttributedString& text);

    // The attributes on top of the stack, else the defaults.
    const platform::TextAttributes& attributes() const;
    platform::TextAttributes attributesWithOverrides(const platform::TextAttributes& values) const;

private:
    struct StackEntry {
        QString name;
        platform::TextAttributes overrides;
        platform::TextAttributes merged;
    };
    struct OpenElement {
        QString name;
        int pushed = 0;
        bool hasKey = false;
    };

    void reset();
    // False when the body is no message XML at all.
    bool read(const QString& xml);
    void startElement(const QString& name, const QXmlStreamAttributes& attributes);
    void endElement(const QString& name);
    bool applyFormatting(const QString& name, const QXmlStreamAttributes& attributes);
    bool pushAttributes(const platform::TextAttributes& overrides, const QString& name);
    bool pushLink(const QString& address, const QString& name, bool bold);
    void popAttributes();
    void endFirstParagraph();
    void appendText(const QString& text);
    void appendWithPhoneLinks(const QString& text);
    void noteEmoticonContent(const QString& text);
    void collapseQuote();

    std::unique_ptr<ZVPhoneNumberDetector> phoneDetector_;

    platform::AttributedString text_;
    QStringList files_;
    QStringList urls_;
    QHash<QString, platform::AttributedString> highlightedFileNames_;
    bool containsHiddenQuotes_ = false;
    bool containsOnlyEmoticons_ = true;
    bool parseFailed_ = false;

    std::vector<StackEntry> stack_;
    std::vector<OpenElement> open_;
    bool firstParagraphOpen_ = false;
    qsizetype quoteLocation_ = -1;
    qsizetype quoteLength_ = 0;
    // Keep counting across parses, so that toggles and link indexes stay unique per parser.
    int quoteIndex_ = 0;
    int linkIndex_ = 0;
    std::optional<platform::AttributedString> fileNameBuffer_;
};
