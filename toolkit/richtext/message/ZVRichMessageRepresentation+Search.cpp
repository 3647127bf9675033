#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "platform/foundation/Scheduler.h"
#include "toolkit/richtext/ZVMessageParser.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVTextStyles.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kHitBodyStyle = 0;
constexpr int kHitTaskTitleStyle = 4;
constexpr int kFileNameStyle = 7;
constexpr int kSearchPreviewStyle = 13;

const QString kHighlightColor = u"highlight"_s;
const QString kNoSubject = u"No subject"_s;
// "Re:", "Fw:" and the like: at most this many characters before the colon.
constexpr qsizetype kLongestSubjectPrefix = 2;

QVariant highlightColor() {
    return QVariant::fromValue(ZVColorTable::colorWithName(kHighlightColor));
}

}  // namespace

bool ZVRichMessageRepresentation::highlightMatch(const QString& text) {
    refresh();
    const std::shared_ptr<Message> owner = message();
    if (!attributedText_ || attributedText_->isEmpty()) {
        isShowingMatch_ = false;
        return false;
    }
    platform::AttributedString marked = *attributedText_;
    // A task's checkbox stands first as a letter that is no word of the text.
    const qsizetype start = owner && owner->isTask() ? 1 : 0;
    const QStringView plain = QStringView(marked.string()).mid(start);
    bool matched = false;
    StringRange range{0, plain.size()};
    for (;;) {
        const StringRange found = rangeOfPrefixString(plain, text, range);
        if (!found.found() || found.length == 0) {
            break;
        }
        marked.addAttribute(platform::TextAttribute::BackgroundColor, highlightColor(),
                            start + found.location, found.length);
        matched = true;
        range = {found.end(), plain.size() - found.end()};
    }
    if (matched) {
        attributedText_ = std::move(marked);
        touchRevision();
    }
    isShowingMatch_ = matched;
    return matched;
}

void ZVRichMessageRepresentation::highlightSearchMatches() {
    const std::shared_ptr<Message> owner = message();
    if (!owner || owner->markedText().isEmpty()) {
        return;
    }
    const std::optional<Files> shown = files();
    ZVMessageParser parser;
    parser.defaultAttributes = ZVTextStyles::attributesForStyle(kHitBodyStyle);
    parser.allowFormatting = true;
    if (owner->isTask()) {
        parser.firstParagraphAttributes = ZVTextStyles::attributesForStyle(kHitTaskTitleStyle);
    }
    parser.highlightAttributes = platform::TextAttributes{
        {platform::TextAttribute::BackgroundColor, highlightColor()},
        {QString(ZVFadingHighlightAttributeName), platform::Scheduler::main().currentDate()}};
    parser.parseMessage(owner->markedText());
    attributedText_ = parser.attributedText();
    touchRevision();
    if (shown) {
        const platform::TextAttributes nameAttributes =
            ZVTextStyles::attributesForStyle(kFileNameStyle);
        for (const auto& file : *shown) {
            platform::AttributedString name =
                parser.highlightedFileNames().value(file->attachmentId());
            name.addAttributes(nameAttributes, 0, name.length());
            file->setHighlightedName(std::move(name));
        }
    }
    highlighted_ = true;
}

platform::AttributedString ZVRichMessageRepresentation::searchMatchText() {
    const std::shared_ptr<Message> owner = message();
    if (!owner || !owner->isTextMessage()) {
        return platform::AttributedString(localizedText());
    }
    ZVMessageParser parser;
    parser.defaultAttributes = ZVTextStyles::attributesForStyle(kSearchPreviewStyle);
    parser.highlightAttributes =
        platform::TextAttributes{{platform::TextAttribute::BackgroundColor, highlightColor()}};
    const QString& marked = owner->markedText();
    parser.parseMessage(marked.isNull() ? owner->message() : marked);
    platform::AttributedString text = parser.attributedText();
    for (const platform::AttributedString& name : parser.highlightedFileNames()) {
        if (!text.isEmpty()) {
            text.append(u"\n"_s, text.attributesAt(text.length() - 1));
        }
        text.append(name);
    }
    return text;
}

bool ZVRichMessageRepresentation::hasDistinctSubject() {
    const std::shared_ptr<Message> owner = message();
    if (!owner) {
        return false;
    }
    QString subject = owner->subject();
    if (subject.isEmpty() || subject == kNoSubject) {
        return false;
    }
    const auto conversation = conversationOf(*owner);
    const QString topic = conversation ? conversation->topic() : QString();
    for (;;) {
        if (subject.compare(topic, Qt::CaseInsensitive) == 0) {
            return false;
        }
        const qsizetype colon = subject.indexOf(u':');
        if (colon < 0 || colon > kLongestSubjectPrefix) {
            return true;
        }
        subject = subject.mid(colon + 1).trimmed();
    }
}
