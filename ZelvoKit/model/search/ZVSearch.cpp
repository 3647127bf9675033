#include "ZelvoKit/model/search/ZVSearch.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRecordKind.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>

#include <algorithm>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kConversationId;
using zvrecord::kMessageNr;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kSearchMethod = u"search"_s;
const QString kKeywords = u"keywords"_s;
const QString kSearchTypes = u"search_types"_s;
const QString kIgnoreConversationIds = u"ignore_conversation_ids"_s;
const QString kMatches = u"matches"_s;
const QString kMemberSeparator = u", "_s;
const QStringList kMessageSearchTypes{u"chat"_s, u"pin"_s, u"file"_s, u"task"_s, u"subject"_s};
const QStringList kTopicSearchTypes{u"topic"_s};

// Where the text begins a word of the name, highlighted. An absent name matches at its start with
// nothing to highlight, so that a record the service has not named yet is never hidden.
std::optional<platform::AttributedString> highlightedMatch(const QString& name,
                                                           const QString& text) {
    if (name.isEmpty()) {
        return platform::AttributedString(name);
    }
    const StringRange range = rangeOfPrefixString(name, text);
    if (!range.found()) {
        return std::nullopt;
    }
    return attributedStringHighlightingRange(name, range);
}

// Display names in plain code-unit order; two people of one name both stay, by id.
std::weak_ordering compareContactMatches(const ZVContactMatch& a, const ZVContactMatch& b) {
    if (const int order = a.nameMatch().string().compare(b.nameMatch().string()); order != 0) {
        return order <=> 0;
    }
    return a.accountId().compare(b.accountId()) <=> 0;
}

// Topic matches first; then the later inbox second first, one second by id. Whole seconds keep
// the rule a strict weak ordering where "less than a second apart" would not be.
std::weak_ordering compareConversationMatches(const ZVConversationMatch& a,
                                              const ZVConversationMatch& b) {
    if (a.conversationId() == b.conversationId()) {
        return std::weak_ordering::equivalent;
    }
    const bool aTopic = a.topicMatch().has_value();
    if (aTopic != b.topicMatch().has_value()) {
        return aTopic ? std::weak_ordering::less : std::weak_ordering::greater;
    }
    if (a.inboxSeconds() != b.inboxSeconds()) {
        return b.inboxSeconds() <=> a.inboxSeconds();
    }
    return a.conversationId().compare(b.conversationId()) <=> 0;
}

// Heavier first, then newer; the key decides between equals so the order never depends on the
// answer's order.
std::weak_ordering compareMessages(const Message& a, const Message& b) {
    if (a.searchWeight() != b.searchWeight()) {
        return b.searchWeight() <=> a.searchWeight();
    }
    const qint64 aTime = a.postedTime().isValid() ? a.postedTime().toMSecsSinceEpoch() : 0;
    const qint64 bTime = b.postedTime().isValid() ? b.postedTime().toMSecsSinceEpoch() : 0;
    if (aTime != bTime) {
        return bTime <=> aTime;
    }
    if (const int order = a.conversationId().compare(b.conversationId()); order != 0) {
        return order <=> 0;
    }
    return a.messageNr() <=> b.messageNr();
}

}  // namespace

std::shared_ptr<ZVSearch> ZVSearch::create(const std::shared_ptr<ZVRepositorySession>& session,
                                           const QString& text, bool allowMessageSearch) {
    auto search = std::make_shared<ZVSearch>(session, text, allowMessageSearch);
    search->start();
    return search;
}

ZVSearch::ZVSearch(const std::shared_ptr<ZVRepositorySession>& session, const QString& text,
                   bool allowMessageSearch)
    : session_(session), text_(text), allowMessageSearch_(allowMessageSearch) {
    contacts_.setComparator(
        [](const std::shared_ptr<ZVContactMatch>& a, const std::shared_ptr<ZVContactMatch>& b) {
            return compareContactMatches(*a, *b);
        });
    conversations_.setComparator([](const std::shared_ptr<ZVConversationMatch>& a,
                                    const std::shared_ptr<ZVConversationMatch>& b) {
        return compareConversationMatches(*a, *b);
    });
}

ZVSearch::~ZVSearch() = default;

void ZVSearch::start() {
    const std::shared_ptr<ZVRepositorySession> session = session_.lock();
    if (!session) {
        return;
    }
    // Everything is matched first and each list sorted once: inserting a few thousand matches
    // one by one would cost more than the matching itself on every keystroke.
    QList<std::shared_ptr<ZVContactMatch>> contactMatches;
    const auto noteContact = [&](const std::shared_ptr<Contact>& contact) {
        if (auto match = contactMatchFor(contact)) {
            if (!contactsSet_) {
                contactsSet_.emplace();
            }
            contactsSet_->insert(match->accountId(), match);
            contactMatches.append(std::move(match));
        }
    };
    for (const auto& contact : session->contacts()) {
        noteContact(contact);
    }
    if (ZelvoUtils::isValidEmail(text_) && session->repository()) {
        emailContact_ = session->repository()->createMemoryObjectOfClass<Contact>(
            QString(Contact::kEntityName));
        if (emailContact_) {
            emailContact_->setEmail(text_);
            emailContact_->setHiddenForAdd(false);
            emailContact_->setAccountId(QString(kEmailContactId));
            emailContact_->awakeFromFetch();
            noteContact(emailContact_);
        }
    }
    // Every conversation's members in one read of the store, not one read per conversation.
    QHash<QString, QStringList> membersByConversation;
    if (contactsSet_ && session->repository()) {
        const auto rows = session->repository()->fetchObjects<Member>(QString(Member::kEntityName));
        if (rows) {
            for (const auto& member : *rows) {
                if (const auto conversation = member->conversation()) {
                    membersByConversation[conversation->conversationId()].append(
                        member->accountId());
                }
            }
        }
    }
    QList<std::shared_ptr<ZVConversationMatch>> conversationMatches;
    for (const auto& conversation : session->conversations()) {
        if (auto match = conversationMatchFor(
                conversation, membersByConversation.value(conversation->conversationId()))) {
            conversationMatches_.insert(match->conversationId(), match);
            conversationMatches.append(std::move(match));
        }
    }
    contactMatches.removeIf([this](const std::shared_ptr<ZVContactMatch>& match) {
        return isListedThroughDialog(*match);
    });
    contacts_.populateFromArray(contactMatches);
    conversations_.populateFromArray(conversationMatches);

    const std::weak_ptr<ZVSearch> weakSelf = weak_from_this();
    serverSearchTimer_ = platform::Scheduler::main().after(kServerSearchDelay, [weakSelf] {
        if (const auto self = weakSelf.lock()) {
            self->runSearchNow();
        }
    });
    session->setSearch(shared_from_this());
}

qsizetype ZVSearch::totalMatchCount() const {
    return contacts_.count() + conversations_.count() + (messages_ ? messages_->count() : 0);
}

bool ZVSearch::messageSearchAllowed() const {
    return !text_.isEmpty() && conversations_.count() <= kMaxConversationsForMessageSearch &&
           allowMessageSearch_;
}

// --- matching ---

bool ZVSearch::matchContact(const std::shared_ptr<Contact>& contact) {
    std::shared_ptr<ZVContactMatch> match = contactMatchFor(contact);
    if (!match) {
        return false;
    }
    if (!contactsSet_) {
        contactsSet_.emplace();
    }
    // A contact seen again (renamed, say) replaces its earlier match instead of appearing twice.
    if (const auto earlier = contactsSet_->value(match->accountId())) {
        contacts_.removeItem(earlier);
    }
    contactsSet_->insert(match->accountId(), match);
    if (!isListedThroughDialog(*match)) {
        contacts_.addItem(match);
    }
    return true;
}

std::shared_ptr<ZVContactMatch> ZVSearch::contactMatchFor(
    const std::shared_ptr<Contact>& contact) const {
    if (!contact) {
        return nullptr;
    }
    std::optional<platform::AttributedString> name =
        highlightedMatch(contact->displayName(), text_);
    if (!name) {
        return nullptr;
    }
    return std::make_shared<ZVContactMatch>(contact, std::move(*name));
}

bool ZVSearch::isListedThroughDialog(const ZVContactMatch& match) const {
    // Whoever's one-to-one conversation is listed is not listed again as a contact.
    return !match.dialogId().isEmpty() && conversationMatches_.contains(match.dialogId());
}

bool ZVSearch::matchConversation(const std::shared_ptr<Conversation>& conversation) {
    QStringList memberIds;
    if (conversation && contactsSet_) {
        for (const auto& member : conversation->members()) {
            memberIds.append(member->accountId());
        }
    }
    std::shared_ptr<ZVConversationMatch> match = conversationMatchFor(conversation, memberIds);
    if (!match) {
        return false;
    }
    if (const auto earlier = conversationMatches_.value(match->conversationId())) {
        conversations_.removeItem(earlier);
    }
    conversationMatches_.insert(match->conversationId(), match);
    conversations_.addItem(match);
    unlistDialogPartner(match->conversationId());
    return true;
}

std::shared_ptr<ZVConversationMatch> ZVSearch::conversationMatchFor(
    const std::shared_ptr<Conversation>& conversation, const QStringList& memberIds) const {
    if (!conversation || conversation->recordCompleteness() < Conversation::RecordTiny) {
        return nullptr;
    }
    std::optional<platform::AttributedString> topic =
        highlightedMatch(conversation->topicText(), text_);
    std::optional<platform::AttributedString> members;
    if (contactsSet_) {
        platform::AttributedString names = memberMatchFor(memberIds);
        if (!names.isEmpty()) {
            members = std::move(names);
        }
    }
    if (!topic && !members) {
        return nullptr;
    }
    return std::make_shared<ZVConversationMatch>(conversation, std::move(topic),
                                                 std::move(members));
}

platform::AttributedString ZVSearch::memberMatchFor(const QStringList& memberIds) const {
    // The matched members in the contact list's order, whether or not each is listed there:
    // a partner taken off the list for its dialog still names the group conversations it is in.
    QList<std::shared_ptr<ZVContactMatch>> matched;
    for (const QString& accountId : memberIds) {
        if (const auto match = contactsSet_->value(accountId)) {
            matched.append(match);
        }
    }
    std::sort(matched.begin(), matched.end(),
              [](const auto& a, const auto& b) { return compareContactMatches(*a, *b) < 0; });
    platform::AttributedString names;
    for (const auto& match : matched) {
        if (!names.isEmpty()) {
            names.append(kMemberSeparator, {});
        }
        names.append(match->nameMatch());
    }
    return names;
}

void ZVSearch::unlistDialogPartner(const QString& conversationId) {
    const auto& listed = contacts_.items();
    const auto partner = std::find_if(listed.begin(), listed.end(), [&](const auto& match) {
        return match->dialogId() == conversationId;
    });
    if (partner != listed.end()) {
        contacts_.removeItem(std::shared_ptr<ZVContactMatch>(*partner));
    }
}

void ZVSearch::notifyContactsChanged(const QSet<QString>& accountIds) {
    const std::shared_ptr<ZVRepositorySession> session = session_.lock();
    if (!session || text_.isNull()) {
        return;
    }
    bool matched = false;
    for (const QString& accountId : accountIds) {
        if (matchContact(session->contactFromId(accountId))) {
            matched = true;
        }
    }
    if (matched) {
        changeValueForKey(QString(kContactsKey));
    }
}

void ZVSearch::notifyConversationsChanged(
    const QHash<QString, std::shared_ptr<Conversation>>& changes) {
    if (text_.isNull()) {
        return;
    }
    bool matched = false;
    for (const auto& conversation : changes) {
        if (matchConversation(conversation)) {
            matched = true;
        }
    }
    if (matched) {
        changeValueForKey(QString(kContactsKey));
        changeValueForKey(QString(kConversationsKey));
    }
}

// --- the service ---

void ZVSearch::runSearchNow() {
    runSearchMessagesAllowed(false);
}

void ZVSearch::runSearchMessagesAllowed(bool messagesAllowed) {
    const std::shared_ptr<ZVRepositorySession> session = session_.lock();
    if (text_.isNull() || serverSearchRunning_ || !session) {
        return;
    }
    serverSearchRunning_ = true;
    serverSearchTimer_.cancel();
    session->cancelPendingSearch();

    const bool withMessages = messagesAllowed && messageSearchAllowed();
    QJsonArray ignore;
    for (const auto& conversation : session->conversations()) {
        if (conversation->recordCompleteness() >= Conversation::RecordTiny) {
            ignore.append(conversation->conversationId());
        }
    }
    const auto request = std::make_shared<ZVApiRequest>(
        kSearchMethod,
        QJsonObject{{kKeywords, text_},
                    {kSearchTypes, QJsonArray::fromStringList(withMessages ? kMessageSearchTypes
                                                                           : kTopicSearchTypes)},
                    {kIgnoreConversationIds, ignore}});
    request->setTag(ZVApiRequest::TagMessageSearch);
    // The conversations and messages the answer names exist by the time the handler reads it.
    request->setProcessStreamFirst(true);
    const std::shared_ptr<ZVSearch> self = shared_from_this();

    if (withMessages) {
        auto found = std::make_shared<QList<std::shared_ptr<Message>>>();
        request->setHandler([self, found](ZVJsonParser& answer) -> ZVErrorPtr {
            const auto session = self->session_.lock();
            if (!session) {
                return nullptr;
            }
            const QJsonValue none(QJsonValue::Undefined);
            const QJsonArray matches =
                answer.extractObject(kMatches, ZVJsonParser::JsonClass::Array, none).toArray();
            for (const QJsonValue& match : matches) {
                ZVJsonParser record(match);
                if (recordKindOf(record) != ZVApiRecordKind::Message) {
                    continue;
                }
                const QString conversationId = record.extractString(kConversationId);
                const std::optional<std::int64_t> messageNr = record.extractInt(kMessageNr);
                const bool fieldsRead = !record.error();
                // A match that cannot be applied or found is left out, not reported.
                if (session->handleMessage(record) || !fieldsRead) {
                    continue;
                }
                const auto conversation = session->conversationChangedWithId(conversationId);
                const auto message =
                    conversation ? conversation->messageByNumber(*messageNr, true) : nullptr;
                if (message) {
                    conversation->addMatchingMessage(message);
                    found->append(message);
                }
            }
            return nullptr;
        });
        request->setSuccessHandler([self, found] { self->finishMessageSearch(*found); });
    } else if (messageSearchAllowed()) {
        request->setSuccessHandler([self] {
            self->serverSearchRunning_ = false;
            self->runSearchMessagesAllowed(true);
        });
    } else {
        request->setSuccessHandler([self] { self->setInProgress(false); });
    }
    // A failed search ends; the API client still reports the failure as it would have.
    request->setErrorHandler([self](const ZVErrorPtr& error) {
        self->setInProgress(false);
        ZVApi& api = ZVApi::api();
        if (api.defaultErrorHandler() && !ZVApi::isNetworkFailure(error)) {
            const auto report = api.defaultErrorHandler();
            report(error);
        }
    });
    session->sendRequest(request);
}

void ZVSearch::finishMessageSearch(const QList<std::shared_ptr<Message>>& found) {
    setInProgress(false);
    if (text_.isNull()) {
        return;
    }
    changeValueForKey(QString(kMessagesKey), [&] {
        messages_ = std::make_shared<ZVSortedArray<Message>>();
        messages_->setComparator(
            [](const std::shared_ptr<Message>& a, const std::shared_ptr<Message>& b) {
                return compareMessages(*a, *b);
            });
        messages_->setSourceArray(found);
    });
}

void ZVSearch::setInProgress(bool inProgress) {
    if (inProgress_ != inProgress) {
        changeValueForKey(QString(kInProgressKey), [&] { inProgress_ = inProgress; });
    }
}

void ZVSearch::abandon() {
    text_ = QString();
    serverSearchTimer_.cancel();
    const std::shared_ptr<ZVRepositorySession> session = session_.lock();
    if (session && session->search().get() == this) {
        session->setSearch(nullptr);
    }
    if (emailContact_ && session && session->repository()) {
        session->repository()->deleteMemoryObject(emailContact_);
    }
}
