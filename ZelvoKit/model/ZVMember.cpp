#include "ZelvoKit/model/ZVMember.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "platform/foundation/Format.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kReadHorizonKey = u"readHorizon"_s;

// The text with the word-prefix match of `typed` highlighted; whether there was one.
bool highlight(const QString& text, const QString& typed, platform::AttributedString* into) {
    const StringRange range = rangeOfPrefixString(text, typed);
    *into = attributedStringHighlightingRange(text, range);
    return range.found();
}

}  // namespace

std::shared_ptr<ZVMember> ZVMember::withContact(const std::shared_ptr<Contact>& contact) {
    auto entry = std::make_shared<ZVMember>();
    entry->takeContact(contact);
    entry->uniqueShortName_ = u""_s;
    return entry;
}

std::shared_ptr<ZVMember> ZVMember::withMember(const std::shared_ptr<Member>& member,
                                               const std::shared_ptr<Contact>& contact) {
    auto entry = withContact(contact);
    if (!contact && member) {
        entry->accountId_ = member->accountId();
    }
    entry->attachMember(member);
    return entry;
}

void ZVMember::attachMember(const std::shared_ptr<Member>& member) {
    if (member == member_) {
        return;
    }
    member_ = member;
    if (member) {
        readHorizon_ = member->readHorizon();
    }
}

std::shared_ptr<ZVMember> ZVMember::withEmail(const QString& email, const QString& name) {
    auto entry = std::make_shared<ZVMember>();
    entry->email_ = email;
    entry->displayName_ = name.isEmpty() ? email : name;
    entry->shortName_ = entry->displayName_;
    entry->isEmail_ = !ZVApi::api().isZelvoId(email);
    return entry;
}

void ZVMember::takeContact(const std::shared_ptr<Contact>& contact) {
    contact_ = contact;
    if (!contact) {
        return;
    }
    accountId_ = contact->accountId();
    email_ = contact->email().isEmpty() ? contact->friendlyEmail() : contact->email();
    displayName_ = contact->displayNameWithYou();
    shortName_ = contact->shortName();
    forgetHighlightedName();
    isEmail_ = !contact->isZelvoContact();
    zelvoId_ = contact->zelvoAddress();
}

void ZVMember::setUniqueShortName(const QString& name) {
    if (!name.isNull()) {
        uniqueShortName_ = name;
    }
}

void ZVMember::setReadHorizon(std::int64_t readHorizon) {
    willChangeValueForKey(kReadHorizonKey);
    readHorizon_ = readHorizon;
    if (member_) {
        member_->setReadHorizon(readHorizon);
    }
    didChangeValueForKey(kReadHorizonKey);
}

bool ZVMember::isLocalContact() const {
    return contact_ && contact_->isLocalContact();
}

bool ZVMember::isAdmin() const {
    return member_ && member_->isAdmin();
}

QStringList ZVMember::suggestedFriendlyNames() const {
    return contact_ ? contact_->suggestedFriendlyNames() : QStringList{email_};
}

QString ZVMember::description() const {
    return platform::format(u"ZVMember: <%@>, ReadHorizon = %ld", email_, readHorizon_);
}

void ZVMember::updateName() {
    if (contact_) {
        displayName_ = contact_->displayNameWithYou();
        shortName_ = contact_->shortName();
        forgetHighlightedName();
    }
}

int ZVMember::compareWith(const ZVMember& other) const {
    if (isAdded_ != other.isAdded_) {
        return isAdded_ ? 1 : -1;
    }
    return displayName_.compare(other.displayName_, Qt::CaseInsensitive);
}

bool ZVMember::matchString(const QString& text) {
    highlightedZelvoId_ = {};
    if (text.isEmpty()) {
        plainHighlightedName();
        return true;
    }
    bool matched = false;
    if (!displayName_.isNull()) {
        // Most of a roster does not match a typed word: they keep their plain name, made once.
        const StringRange range = rangeOfPrefixString(displayName_, text);
        if (range.found()) {
            highlightedName_ = attributedStringHighlightingRange(displayName_, range);
            hasHighlightedName_ = true;
            nameHighlighted_ = true;
            matched = true;
        } else {
            plainHighlightedName();
        }
    }
    if (!zelvoId_.isNull()) {
        matched = highlight(zelvoId_, text, &highlightedZelvoId_) || matched;
    }
    return matched;
}

bool ZVMember::matchesEmail(const QString& email) const {
    if (email == email_) {
        return true;
    }
    return contact_ && (email == contact_->friendlyZelvoId() || email == contact_->email());
}

const platform::AttributedString& ZVMember::highlightedName() {
    if (!hasHighlightedName_ && !displayName_.isNull()) {
        highlightedName_ = platform::AttributedString(displayName_);
        hasHighlightedName_ = true;
    }
    return highlightedName_;
}

void ZVMember::forgetHighlightedName() {
    highlightedName_ = {};
    hasHighlightedName_ = false;
    nameHighlighted_ = false;
}

void ZVMember::plainHighlightedName() {
    if (nameHighlighted_) {
        forgetHighlightedName();
    }
}
