#pragma once

#include "ZelvoKit/model/ZVSortedArray.h"
#include "ZelvoKit/model/search/ZVContactMatch.h"
#include "ZelvoKit/model/search/ZVConversationMatch.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/ScopedTimer.h"

#include <QtCore/QHash>
#include <QtCore/QLatin1StringView>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <memory>
#include <optional>

class Contact;
class Conversation;
class Message;
class ZVRepositorySession;

// One search of the inbox for one typed text. Contacts and conversations are matched locally at
// once (a word of the name or topic starting with the text); a text that is an e-mail address is
// also offered as a person to write to. A second later the service is asked for conversations
// whose topic matches, then, when few enough matched locally, for messages.
//
// While it is the session's search, the session hands it every changed contact and conversation
// so that the lists grow with the stream. The owner abandons a search before it starts the next.
//
// Observable under kContactsKey, kConversationsKey, kMessagesKey and kInProgressKey. Main thread
// only.
class ZVSearch : public platform::Observable, public std::enable_shared_from_this<ZVSearch> {
public:
    static constexpr QLatin1StringView kContactsKey{"contacts"};
    static constexpr QLatin1StringView kConversationsKey{"conversations"};
    static constexpr QLatin1StringView kMessagesKey{"messages"};
    static constexpr QLatin1StringView kInProgressKey{"inProgress"};
    // The account id of the contact made for a typed e-mail address.
    static constexpr QLatin1StringView kEmailContactId{"search_contact"};
    // How long after the typing the service is asked.
    static constexpr platform::TimeInterval kServerSearchDelay = 1.0;
    // More conversations matched locally than this and messages are not searched.
    static constexpr qsizetype kMaxConversationsForMessageSearch = 99;

    // Matches the session's contacts and conversations, schedules the server search and becomes
    // the session's search.
    static std::shared_ptr<ZVSearch> create(const std::shared_ptr<ZVRepositorySession>& session,
                                            const QString& text, bool allowMessageSearch);
    ZVSearch(const std::shared_ptr<ZVRepositorySession>& session, const QString& text,
             bool allowMessageSearch);
    ~ZVSearch();
    ZVSearch(const ZVSearch&) = delete;
    ZVSearch& operator=(const ZVSearch&) = delete;

    // --- reading ---

    // Null once abandoned.
    const QString& text() const { return text_; }
    // By display name.
    const ZVSortedArray<ZVContactMatch>& contacts() const { return contacts_; }
    // Topic matches first, then the latest inbox time first.
    const ZVSortedArray<ZVConversationMatch>& conversations() const { return conversations_; }
    // Highest search weight first; none until the service's message search has answered.
    const std::shared_ptr<ZVSortedArray<Message>>& messages() const { return messages_; }
    // From creation until the last server request of the search has answered or failed.
    bool inProgress() const { return inProgress_; }
    // The contact made for an e-mail address; none otherwise.
    const std::shared_ptr<Contact>& emailContact() const { return emailContact_; }
    bool serverSearchRunning() const { return serverSearchRunning_; }
    // Contact and conversation matches, and messages once they are in.
    qsizetype totalMatchCount() const;
    // A text, at most kMaxConversationsForMessageSearch conversation matches, and allowed.
    bool messageSearchAllowed() const;

    // --- matching ---

    bool matchContact(const std::shared_ptr<Contact>& contact);
    bool matchConversation(const std::shared_ptr<Conversation>& conversation);
    // Changed records of the stream: only add (or refresh) matches.
    void notifyContactsChanged(const QSet<QString>& accountIds);
    void notifyConversationsChanged(const QHash<QString, std::shared_ptr<Conversation>>& changes);

    // --- the service ---

    // The topic search now, unless a server search has started.
    void runSearchNow();
    // With `messagesAllowed` and messageSearchAllowed(), the message search; else the topic search.
    void runSearchMessagesAllowed(bool messagesAllowed);

    // Ends the search: the text goes, the session forgets it and the e-mail contact is deleted.
    void abandon();

private:
    void start();
    // The match of the contact or conversation, or none; nothing is listed.
    std::shared_ptr<ZVContactMatch> contactMatchFor(const std::shared_ptr<Contact>& contact) const;
    std::shared_ptr<ZVConversationMatch> conversationMatchFor(
        const std::shared_ptr<Conversation>& conversation, const QStringList& memberIds) const;
    bool isListedThroughDialog(const ZVContactMatch& match) const;
    void setInProgress(bool inProgress);
    void finishMessageSearch(const QList<std::shared_ptr<Message>>& found);
    // A contact listed through its one-to-one conversation is taken off the contact list.
    void unlistDialogPartner(const QString& conversationId);
    // The matched members' highlighted names, joined; empty when none of them matched.
    platform::AttributedString memberMatchFor(const QStringList& memberIds) const;

    std::weak_ptr<ZVRepositorySession> session_;
    QString text_;
    bool allowMessageSearch_ = false;
    bool serverSearchRunning_ = false;
    bool inProgress_ = true;
    ZVSortedArray<ZVContactMatch> contacts_;
    ZVSortedArray<ZVConversationMatch> conversations_;
    std::shared_ptr<ZVSortedArray<Message>> messages_;
    // Every contact that matched, by account id, listed or not (a dialog partner is not listed):
    // the conversations' member names come from here.
    std::optional<QHash<QString, std::shared_ptr<ZVContactMatch>>> contactsSet_;
    // The listed conversation match of each conversation id.
    QHash<QString, std::shared_ptr<ZVConversationMatch>> conversationMatches_;
    std::shared_ptr<Contact> emailContact_;
    platform::ScopedTimer serverSearchTimer_;
};
