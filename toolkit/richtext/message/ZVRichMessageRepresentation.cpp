#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "ZelvoKit/support/text/ZVNameUtils.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/view/View.h"
#include "toolkit/richtext/ZVMessageParser.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/richtext/message/ZVFileThumbnailReset.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Text styles of the model.
constexpr int kBodyStyle = 0;
constexpr int kTaskTitleStyle = 4;
constexpr int kLineStyle = 5;
constexpr int kNoticeStyle = 16;
constexpr int kLargeEmoticonStyle = 31;

const QString kDeletedByText = u"This message has been deleted by %1."_s;
const QString kDeletedText = u"This message has been deleted."_s;
const QString kFailedText = u"Failed message: %1"_s;
const QString kNoTextText = u"This message contains no text."_s;
const QString kCheckboxCharacter = u"X"_s;

bool isBitSet(std::uint32_t mask, int bit) {
    return (mask & (std::uint32_t{1} << bit)) != 0;
}

}  // namespace

ZVRichMessageRepresentation::ZVRichMessageRepresentation(const std::shared_ptr<Message>& message)
    : ZVMessageRepresentation(message) {
    if (!message) {
        return;
    }
    const QString body = message->message();
    if (body.startsWith(u'{')) {
        json_ = ZVJsonParser::jsonParserForString(body);
    }
    expanded_ = message->isOfType(Message::TypeSeparator) && message->messageNr() > 0;
    if (message->isOfType(Message::TypeEmail)) {
        hiddenQuotes_ = kAllQuotesHidden;
    }
    // The scan and the first refresh run from factory(), once the model is held by a shared
    // pointer: the scan keeps a weak reference to it.
}

ZVRichMessageRepresentation::~ZVRichMessageRepresentation() = default;

ZVMessageRepresentation::Factory ZVRichMessageRepresentation::factory() {
    return factoryOf<ZVRichMessageRepresentation>();
}

std::shared_ptr<ZVRichMessageRepresentation> ZVRichMessageRepresentation::of(
    const std::shared_ptr<Message>& message) {
    return message
               ? std::dynamic_pointer_cast<ZVRichMessageRepresentation>(message->representation())
               : nullptr;
}

std::shared_ptr<ZVRepositorySession> ZVRichMessageRepresentation::repositorySession() const {
    const std::shared_ptr<Message> owner = message();
    return owner ? std::dynamic_pointer_cast<ZVRepositorySession>(owner->session()) : nullptr;
}

namespace {}  // namespace

std::shared_ptr<Conversation> ZVRichMessageRepresentation::conversationOf(
    const Message& message) const {
    if (auto conversation = message.conversation()) {
        return conversation;
    }
    const auto session = repositorySession();
    const QString id = message.conversationId();
    return session && !id.isEmpty() ? session->conversationFromId(id) : nullptr;
}

namespace {

bool clientFlag(const std::shared_ptr<ZVRepositorySession>& session, const QString& flag) {
    return session && session->profile() && session->profile()->isClientFlagSet(flag);
}

}  // namespace

// --- reading ---

const platform::AttributedString& ZVRichMessageRepresentation::attributedText() {
    if (!attributedText_) {
        refresh();
    }
    if (!attributedText_) {
        // An event without a sentence (no data at all): nothing to draw.
        attributedText_ = platform::AttributedString();
    }
    return *attributedText_;
}

std::optional<ZVMessageRepresentation::Files> ZVRichMessageRepresentation::files() {
    attributedText();
    return files_;
}

ZVMessageRepresentation::Files ZVRichMessageRepresentation::urlPreviews() {
    attributedText();
    return urlPreviews_.value_or(Files());
}

QString ZVRichMessageRepresentation::localizedText() {
    if (plainTextPending_) {
        plainTextPending_ = false;
        if (const std::shared_ptr<Message> owner = message()) {
            plainText_ = ZVMessageStripper::extractPlainText(owner->message());
            if (owner->isFailed()) {
                plainText_ = kFailedText.arg(plainText_);
            }
        }
    }
    return plainText_.isNull() ? u""_s : plainText_;
}

bool ZVRichMessageRepresentation::containsFilesOnly() {
    return attributedText().isEmpty() && files_ && !files_->empty();
}

QString ZVRichMessageRepresentation::hangoutUrl() {
    return json_ ? json_->extractString(u"hangout_url", QString()) : QString();
}

QString ZVRichMessageRepresentation::assigneeList() {
    const std::shared_ptr<Message> owner = message();
    const auto session = repositorySession();
    if (!owner || !session) {
        return u""_s;
    }
    QStringList names;
    for (const QString& id : owner->assigneeIdsText().split(u' ', Qt::SkipEmptyParts)) {
        names.append(session->fullNameOfContact(id));
    }
    return names.isEmpty() ? u""_s : ZVLocalization::nameListAsString(names);
}

QString ZVRichMessageRepresentation::quoteHeader() {
    const std::shared_ptr<Message> owner = message();
    if (!owner) {
        return u""_s;
    }
    return u"On %1 %2 wrote:"_s.arg(ZVLocalization::formatDateAndTime(owner->postedTime(), true),
                                    posterName_);
}

// --- names ---

void ZVRichMessageRepresentation::updatePosterName() {
    const std::shared_ptr<Message> owner = message();
    const auto session = repositorySession();
    if (!owner) {
        return;
    }
    touchRevision();
    const QString senderName = owner->senderName();
    if (!owner->hookKey().isEmpty()) {
        hookName_ = session ? session->hookName(owner->hookKey()) : QString();
        posterName_ = senderName.isEmpty() ? hookName_ : senderName;
        posterShortName_ = posterName_;
        return;
    }
    if (!senderName.isEmpty()) {
        posterName_ = senderName;
        posterShortName_ = ZVNameUtils::shortenName(senderName);
        return;
    }
    const QString accountId = owner->accountId();
    posterName_ = session ? session->fullNameOfContact(accountId) : QString();
    const auto conversation = conversationOf(*owner);
    const auto member =
        conversation ? conversation->sortedMembers()->memberByAccountId(accountId) : nullptr;
    posterShortName_ = member ? member->uniqueShortName() : posterName_;
}

// --- building the text ---

void ZVRichMessageRepresentation::refresh() {
    const std::shared_ptr<Message> owner = message();
    if (!owner) {
        // Nothing to rebuild from: what was built stays, measurements included.
        return;
    }
    formattedHeight_ = 0;
    formattedWidth_ = 0;
    filesHeight_.reset();
    touchRevision();
    plainTextPending_ = false;
    if (owner->isDeletedMessage()) {
        const QString editor = owner->editAccountId();
        const auto session = repositorySession();
        plainText_ =
            !editor.isEmpty() && editor != owner->accountId()
                ? kDeletedByText.arg(session ? session->fullNameOfContact(editor) : QString())
                : kDeletedText;
        attributedText_ =
            platform::AttributedString(plainText_, ZVTextStyles::attributesForStyle(kNoticeStyle));
        files_.reset();
        urlPreviews_.reset();
        return;
    }
    // Spam of any text type reads as the notice with its "Show message" link until expanded;
    // left to the parser it would be shown as if it were not spam.
    if (!owner->isTextMessage() || (owner->hasTag(kSpamTag) && !expanded_)) {
        formatSystemMessage();
        return;
    }
    // The plain text takes a second pass over the markup; most rows never ask for it.
    plainText_.clear();
    plainTextPending_ = true;
    if (highlighted_) {
        return;
    }
    buildMessageText(*owner);
    updatePosterName();
}

void ZVRichMessageRepresentation::configureParser(ZVMessageParser& parser, Message& message) const {
    const auto session = repositorySession();
    parser.allowFormatting = true;
    parser.defaultAttributes = ZVTextStyles::attributesForStyle(kBodyStyle);
    parser.setRecognizePhones(containsPhoneNumbers_);
    parser.hideQuotes = message.isOfType(Message::TypeEmail);
    parser.hiddenQuotes = hiddenQuotes_;
    parser.localUserAccountId =
        session && session->credentials() ? session->credentials()->uuid() : QString();
    parser.useZelvoEmoticons = clientFlag(session, ZVUserProfile::OldEmoticonsFlag.toString());
    if (message.isFailed() || message.isSending()) {
        parser.defaultAttributes.insert(platform::TextAttribute::ForegroundColor,
                                        QVariant::fromValue(ZVColors::gray()));
    }
    if (message.isTask()) {
        parser.firstParagraphAttributes = ZVTextStyles::attributesForStyle(kTaskTitleStyle);
    }
}

void ZVRichMessageRepresentation::buildMessageText(Message& message) {
    const bool isTaskOrPin = message.isTask() || message.isPinned();
    isShowingMatch_ = false;

    ZVMessageParser parser;
    configureParser(parser, message);
    const QString body = message.message();
    parser.parseMessage(body);

    const qsizetype length = parser.attributedText().length();
    const auto session = repositorySession();
    if (length >= kLargeEmoticonsMinLength && length <= kLargeEmoticonsMaxLength &&
        !clientFlag(session, ZVUserProfile::LargeEmoticonsDisabledFlag.toString()) &&
        parser.containsOnlyEmoticons()) {
        parser.defaultAttributes = ZVTextStyles::attributesForStyle(kLargeEmoticonStyle);
        parser.largeEmoticons = true;
        parser.parseMessage(body);
    }

    attributedText_ = parser.attributedText();
    if (message.isTask()) {
        attributedText_ = prependCheckbox(*attributedText_, message.isCompletedTask());
    }

    const bool wasTaskOrPin = isTaskOrPin_;
    isTaskOrPin_ = isTaskOrPin;
    updateExpandability(message);
    updateFiles(message, parser);

    // Tasks and pins show their files at another size.
    if (isTaskOrPin != wasTaskOrPin && files_) {
        for (const auto& file : *files_) {
            ZVFileThumbnailReset::resetCachedImage(file);
        }
    }

    filesHeight_.reset();
    if (attributedText_->isEmpty() && !files_) {
        attributedText_ =
            platform::AttributedString(kNoTextText, ZVTextStyles::attributesForStyle(kNoticeStyle));
    }
}

void ZVRichMessageRepresentation::updateExpandability(Message& message) {
    if (isBitSet(hiddenQuotes_, 0)) {
        expandable_ = expanded_;
    }
    expandable_ = expandable_ || isTaskOrPin_;
    if (!expandable_ || message.isOfType(Message::TypeEmail)) {
        return;
    }
    const QDateTime posted = message.postedTime();
    const double age = posted.isValid()
                           ? platform::Scheduler::main().now() - posted.toMSecsSinceEpoch() / 1000.0
                           : kRecentMessageAge;
    if (message.isUnconsumed() || age < kRecentMessageAge) {
        expanded_ = true;
    }
}

void ZVRichMessageRepresentation::updateFiles(Message& message, const ZVMessageParser& parser) {
    const auto session = repositorySession();
    std::optional<QHash<QString, std::shared_ptr<File>>> fileList;
    if ((!parser.files().isEmpty() || !parser.urls().isEmpty()) && session) {
        fileList = session->filesInMessageNr(message.messageNr(), message.conversationId());
        files_ = populateFileListWithIds(parser.files(), &*fileList, files_);
    }
    const auto conversation = conversationOf(message);
    const bool previewsOff = clientFlag(session, ZVUserProfile::HideUrlPreviewsFlag.toString()) ||
                             message.isFieldDirty(Message::FieldUrlPreviews) ||
                             (conversation && conversation->isUrlPreviewDisabled());
    urlPreviews_ = previewsOff ? std::nullopt
                               : populateFileListWithIds(
                                     parser.urls(), fileList ? &*fileList : nullptr, urlPreviews_);
}

std::optional<ZVMessageRepresentation::Files> ZVRichMessageRepresentation::populateFileListWithIds(
    const QStringList& keys, const QHash<QString, std::shared_ptr<File>>* list,
    const std::optional<Files>& current) {
    if (!list) {
        return std::nullopt;
    }
    const std::shared_ptr<Message> owner = message();
    const bool hideHidden = isBitSet(hiddenQuotes_, 0);
    Files kept;
    for (const QString& key : keys) {
        std::shared_ptr<File> file;
        if (current) {
            for (const auto& shown : *current) {
                if (shown && shown->attachmentId() == key) {
                    file = shown;
                    break;
                }
            }
        }
        if (!file) {
            file = list->value(key);
        }
        if (!file || file->isFileDeleted() || file->isDeleted() ||
            (file->isHidden() && hideHidden)) {
            continue;
        }
        file->setMessage(owner);
        kept.push_back(file);
    }
    return kept.empty() ? std::nullopt : std::optional<Files>(std::move(kept));
}

platform::AttributedString ZVRichMessageRepresentation::prependCheckbox(
    const platform::AttributedString& text, bool checked) {
    platform::AttributedString result(kCheckboxCharacter,
                                      {{QString(ZVCheckboxAttributeName), checked}});
    result.append(text);
    return result;
}

// --- heights ---

double ZVRichMessageRepresentation::formattedHeightForWidth(double width) {
    if (std::abs(width - formattedWidth_) < kWidthTolerance) {
        return formattedHeight_;
    }
    const std::shared_ptr<Message> owner = message();
    if (!owner) {
        return formattedHeight_;
    }
    const bool isText = owner->isTextMessage();
    if (!attributedText_ && isText) {
        refresh();
    }
    const double line = ZVTextStyles::lineHeightForStyle(kLineStyle);
    double limit = line * (isTaskOrPin_ ? kShortLines : (isText ? kTextLines : kShortLines));
    if (expanded_ || (owner->isUnconsumed() && isText) ||
        (!isBitSet(hiddenQuotes_, 0) && owner->isOfType(Message::TypeEmail))) {
        limit = kExpandedHeightLimit;
    }
    double height = 0;
    bool truncated = false;
    const platform::AttributedString& text = attributedText();
    if (!text.isEmpty()) {
        height = ZVRichTextLayout::heightForText(text, QSizeF(width, limit), &truncated);
        if (truncated && !isText) {
            height = std::min(height, line * kTruncatedOtherLines);
        }
    }
    const bool wasExpandable = expandable_;
    const bool wasTruncated = textIsTruncated_;
    if (truncated) {
        expandable_ = true;
    }
    textIsTruncated_ = truncated;
    if (owner->isDeletedMessage()) {
        expandable_ = false;
    }
    // Another width's measure that flips these changes what the views add under the text.
    if (wasExpandable != expandable_ || wasTruncated != textIsTruncated_) {
        touchRevision();
    }
    formattedWidth_ = width;
    formattedHeight_ = std::ceil(height);
    return formattedHeight_;
}

// --- expanding, quotes, files ---

void ZVRichMessageRepresentation::setExpanded(bool expanded) {
    if (expanded == expanded_) {
        return;
    }
    expanded_ = expanded;
    formattedWidth_ = 0;
    touchRevision();
    // An e-mail shows or hides its quotes; spam shows itself instead of the notice.
    const std::shared_ptr<Message> owner = message();
    if (owner && (owner->isOfType(Message::TypeEmail) || owner->hasTag(kSpamTag))) {
        refresh();
    }
}

std::optional<double> ZVRichMessageRepresentation::filesHeight(int kind, int expandState,
                                                               std::size_t form) const {
    if (!filesHeight_ || filesHeight_->kind != kind || filesHeight_->expandState != expandState ||
        filesHeight_->form != form) {
        return std::nullopt;
    }
    return filesHeight_->height;
}

void ZVRichMessageRepresentation::setFilesHeight(double height, int kind, int expandState,
                                                 std::size_t form) {
    filesHeight_ = FilesHeight{height, kind, expandState, form};
}

void ZVRichMessageRepresentation::toggleQuote(int index) {
    if (index < 0 || index > kLastQuoteIndex) {
        return;
    }
    hiddenQuotes_ ^= std::uint32_t{1} << index;
    refresh();
}

void ZVRichMessageRepresentation::absorbFiles(const Files& files) {
    touchRevision();
    if (!files_) {
        files_ = files;
        return;
    }
    files_->insert(files_->end(), files.begin(), files.end());
}

void ZVRichMessageRepresentation::setContainsPhoneNumbers(bool contains) {
    if (contains == containsPhoneNumbers_) {
        return;
    }
    containsPhoneNumbers_ = contains;
    if (!contains) {
        return;
    }
    refresh();
    if (auto* view = dynamic_cast<ZVMessageUpdating*>(presentingView().get())) {
        view->updateMessage();
    }
}
