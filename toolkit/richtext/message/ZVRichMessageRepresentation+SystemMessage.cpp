#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "toolkit/style/AttributedStringUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kSystemBodyStyle = 0;
constexpr int kEventStyle = 17;
// Name lists of event sentences give way to "and others" past this many characters.
constexpr qsizetype kNameListLimit = 40;
// The conversation lets people join through its link.
constexpr int kAutoJoinFlag = 5;

// Event types that have a sentence of their own; any other reads the service's "sysmsg_text".
enum EventType : int {
    kCreate = 2,
    kAdd = 3,
    kLeave = 4,
    kTopic = 5,
    kSpamEmail = 9,
    kKick = 10,
    kFile = 11,
    kDisclose = 12,
    kHook = 13,
    kHangout = 19,
    kSeparator = 20,
    kUnhook = 22,
    kShare = 23,
    kUnshare = 24,
    kAddTeam = 25,
    kRemoveTeam = 26,
    kShowHistory = 27,
    kHideHistory = 28,
    kFork = 29,
};

// Sentences with nothing to choose between.
const QHash<int, QString>& fixedSentences() {
    static const QHash<int, QString> sentences{
        {kLeave, u"{author} left the conversation."_s},
        {kSpamEmail, u"{editor} marked this message as spam."_s},
        {kKick, u"{author} removed {members} from the conversation."_s},
        {kFile, u"{author} posted file \"{file_name}\"."_s},
        {kDisclose,
         u"{author} disclosed previous messages to {members}, starting from "
         u"{disclose_time_localized}."_s},
        {kHook, u"{author} added {hook_name} integration to the conversation."_s},
        {kHangout, u"{author} has started a video call."_s},
        {kUnhook, u"{author} removed {hook_name} integration from the conversation."_s},
        {kShare,
         u"{author} enabled conversation sharing, anyone can join the conversation via: "_s},
        {kUnshare, u"{author} disabled conversation sharing."_s},
        {kAddTeam, u"{author} added team {team_name} to the conversation."_s},
        {kRemoveTeam, u"{author} removed team {team_name}."_s},
        {kShowHistory,
         u"{author} enabled automated disclosing of message history, new members will now see "
         u"previous messages."_s},
        {kHideHistory,
         u"{author} disabled automated disclosing of message history, new members will only see "
         u"new messages."_s},
    };
    return sentences;
}

platform::TextAttributes boldAttributes() {
    return {{QString(platform::TextAttribute::Font),
             QVariant::fromValue(ZVTextStyles::mainBoldFont())}};
}

platform::AttributedString bold(const QString& text) {
    return platform::AttributedString(text, boldAttributes());
}

QString jsonText(const QJsonValue& value) {
    if (value.isString()) {
        return value.toString();
    }
    return value.isDouble() ? QString::number(value.toDouble()) : QString();
}

}  // namespace

struct ZVRichMessageRepresentation::SystemTemplate {
    // Null: no sentence at all.
    QString sentence;
    // Appended after a blank, in the link colour, when there is text.
    QString linkText;
    QString linkTarget;
};

bool ZVRichMessageRepresentation::isSelf(const QString& accountId) const {
    const auto session = repositorySession();
    return session && session->profile() && session->profile()->isSelf(accountId);
}

QStringList ZVRichMessageRepresentation::dataList(const QString& key) {
    QStringList list;
    if (!json_) {
        return list;
    }
    const QJsonValue value =
        json_->extractObject(key, ZVJsonParser::JsonClass::Array, QJsonValue());
    for (const QJsonValue& element : value.toArray()) {
        list.append(jsonText(element));
    }
    return list;
}

QStringList ZVRichMessageRepresentation::messageMembersWithoutSelf(const QStringList& members,
                                                                   Message& message) const {
    const auto session = repositorySession();
    const QString self =
        session && session->profile() ? session->profile()->contactId() : QString();
    QStringList others;
    for (const QString& id : members) {
        if (id != self && id != message.accountId()) {
            others.append(id);
        }
    }
    return others;
}

platform::AttributedString ZVRichMessageRepresentation::formatMemberNames(
    const QStringList& accountIds) const {
    const auto session = repositorySession();
    QStringList names;
    for (const QString& id : accountIds) {
        names.append(isSelf(id) ? u"you"_s
                                : (session ? session->fullNameOfContact(id) : QString()));
    }
    return ZVLocalization::nameListAsAttributedString(names, kNameListLimit, false);
}

platform::AttributedString ZVRichMessageRepresentation::formatTeamNames(
    const QStringList& teamIds) const {
    const auto session = repositorySession();
    QStringList names;
    for (const QString& id : teamIds) {
        names.append(session ? session->teamName(id) : QString());
    }
    return ZVLocalization::nameListAsAttributedString(names, kNameListLimit, false);
}

platform::AttributedString ZVRichMessageRepresentation::getMessageVar(const QString& name,
                                                                      Message& message) {
    const auto session = repositorySession();
    if (name == u"author") {
        return bold(isSelf(message.accountId()) ? u"You"_s : posterName_);
    }
    if (name == u"ref_members") {
        const QString id = json_ ? json_->extractString(u"conversation_id", u""_s) : u""_s;
        const auto conversation =
            session && !id.isEmpty() ? session->conversationFromId(id) : nullptr;
        QStringList ids;
        if (conversation) {
            for (const auto& member : *conversation->sortedMembers()) {
                if (member->accountId() != message.accountId()) {
                    ids.append(member->accountId());
                }
            }
        }
        return formatMemberNames(ids);
    }
    if (name == u"editor") {
        return bold(session ? session->fullNameOfContact(message.editAccountId()) : QString());
    }
    if (name == u"team_name" && json_ && json_->containsValue(u"teams")) {
        return formatTeamNames(dataList(u"teams"_s));
    }
    if (name == u"timestamp") {
        return platform::AttributedString(
            ZVLocalization::formatDateAndTime(message.postedTime(), true),
            {{QString(platform::TextAttribute::Font),
              QVariant::fromValue(ZVTextStyles::mainFont())}});
    }
    if (name == u"disclose_time_localized") {
        const QDateTime date = json_ ? json_->extractDate(u"disclose_time") : QDateTime();
        return bold(date.isValid() ? ZVLocalization::formatDateAndTime(date) : u""_s);
    }
    if (name == u"members") {
        const bool isList =
            json_ && json_->extractObject(u"members", ZVJsonParser::JsonClass::Array, QJsonValue())
                         .isArray();
        if (!isList) {
            return platform::AttributedString(u""_s);
        }
        QStringList members = dataList(u"members"_s);
        if (message.isOfType(kCreate)) {
            members = messageMembersWithoutSelf(members, message);
        }
        return formatMemberNames(members);
    }
    if (!json_) {
        return bold(u""_s);
    }
    const QJsonValue value = json_->extractObject(name, ZVJsonParser::JsonClass::Any, QJsonValue());
    if (value.isArray()) {
        platform::AttributedString joined;
        const QStringList elements = dataList(name);
        for (qsizetype i = 0; i < elements.size(); ++i) {
            if (i > 0) {
                joined.append(u", "_s, {});
            }
            joined.append(bold(elements[i]));
        }
        return joined;
    }
    return bold(json_->extractString(name, u""_s));
}

ZVRichMessageRepresentation::SystemTemplate ZVRichMessageRepresentation::systemTemplate(
    Message& message) {
    const bool spamNotice = message.isTextMessage();
    const int type = spamNotice ? kSpamEmail : message.messageType().value_or(0);
    const auto session = repositorySession();
    const auto conversation = conversationOf(message);
    const auto appLink = [](const QString& conversationId) {
        return u"zelvo:"_s + ZVURLHandler::urlEncodeUUID(conversationId);
    };
    SystemTemplate chosen;
    if (const auto fixed = fixedSentences().constFind(type); fixed != fixedSentences().cend()) {
        chosen.sentence = *fixed;
    }
    switch (type) {
        case kCreate: {
            const bool members =
                !messageMembersWithoutSelf(dataList(u"members"_s), message).isEmpty();
            const bool topic = json_ && !json_->extractString(u"topic", u""_s).isEmpty();
            chosen.sentence = members && topic ? u"{author} created new conversation \"{topic}\" "
                                                 u"with {members} on {timestamp}."_s
                              : members ? u"{author} created new conversation with {members} on "
                                          u"{timestamp}."_s
                              : topic ? u"{author} created new conversation \"{topic}\" on "
                                        u"{timestamp}."_s
                                      : u"{author} created new conversation on {timestamp}."_s;
            break;
        }
        case kAdd:
            chosen.sentence =
                conversation && conversation->joinMessageNr() == message.messageNr()
                    ? u"{author} added {members} to the conversation on {timestamp}."_s
                    : u"{author} added {members} to the conversation."_s;
            break;
        case kLeave:
            if (conversation && isSelf(message.accountId()) &&
                conversation->hasFlag(kAutoJoinFlag) &&
                conversation->lastMessageNr() == message.messageNr()) {
                chosen.linkText = u"Rejoin conversation"_s;
                chosen.linkTarget = appLink(message.conversationId());
            }
            break;
        case kTopic:
            chosen.sentence = json_ && !json_->extractString(u"topic", u""_s).isEmpty()
                                  ? u"{author} changed the topic to \"{topic}\"."_s
                                  : u"{author} deleted the topic of this conversation."_s;
            break;
        case kSpamEmail:
            chosen.linkText = u"Show message"_s;
            chosen.linkTarget = u""_s;
            break;
        case kHangout:
            if (json_ && json_->containsValue(u"hangout_url")) {
                chosen.linkText = u"JOIN"_s;
                chosen.linkTarget = json_->extractString(u"hangout_url", u""_s);
            }
            break;
        case kShare:
            if (conversation && !conversation->autojoinUrl().isEmpty()) {
                chosen.linkText = conversation->autojoinUrl();
                chosen.linkTarget = conversation->autojoinUrl();
            }
            break;
        case kFork: {
            const QString id = json_ ? json_->extractString(u"conversation_id", u""_s) : u""_s;
            const bool known = session && !id.isEmpty() && session->conversationFromId(id);
            chosen.sentence = known ? u"{author} created a new conversation with {ref_members}."_s
                                    : u"{author} created a new group conversation."_s;
            chosen.linkText = u"OPEN"_s;
            chosen.linkTarget = appLink(id);
            break;
        }
        default:
            if (chosen.sentence.isNull() && json_) {
                chosen.sentence = json_->extractString(u"sysmsg_text", u""_s);
            }
            break;
    }
    return chosen;
}

void ZVRichMessageRepresentation::formatSystemMessage() {
    const std::shared_ptr<Message> owner = message();
    if (!owner) {
        return;
    }
    if (owner->isOfType(kSeparator)) {
        plainText_ = ZVMessageStripper::extractPlainText(owner->message());
        attributedText_ = platform::AttributedString(
            plainText_, ZVTextStyles::attributesForStyle(kSystemBodyStyle));
        return;
    }
    const SystemTemplate chosen = systemTemplate(*owner);
    if (chosen.sentence.isNull()) {
        plainText_ = attributedText_ ? attributedText_->string() : u""_s;
        return;
    }
    const platform::TextAttributes& defaults = ZVTextStyles::attributesForStyle(kEventStyle);
    Message& source = *owner;
    const platform::AttributedString sentence = attributedStringWithFormat(
        chosen.sentence,
        [this, &source](const QString& name) -> TemplateValue {
            return getMessageVar(name, source);
        },
        defaults);
    plainText_ = sentence.string();
    attributedText_ = sentence;
    if (chosen.linkText.isEmpty()) {
        return;
    }
    const platform::AttributedString link(
        chosen.linkText, {{QString(platform::TextAttribute::Link), chosen.linkTarget},
                          {QString(platform::TextAttribute::ForegroundColor),
                           QVariant::fromValue(ZVColors::logo())}});
    attributedText_ = attributedStringWithFormat(
        u"{t} {s}"_s,
        [&sentence, &link](const QString& name) -> TemplateValue {
            return name == u"t" ? sentence : link;
        },
        defaults);
}
