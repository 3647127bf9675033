#include "accounts/people/ZVContact.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Team.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Primary strength: base letters only, so "É" and "e" and "E" weigh the same. One collator for
// the process; the list is made and sorted on the main thread only.
icu::Collator* contactNameCollator() {
    // The root order: the same for every user, whatever the process's locale (a POSIX locale's
    // own order would put every capital first).
    static std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(
            icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            made.reset();
        }
        if (made) {
            made->setStrength(icu::Collator::PRIMARY);
        }
        return made;
    }();
    return collator.get();
}

}  // namespace

QString ZVContact::membersText(qsizetype count) {
    return QStringLiteral("%1 members").arg(count);
}

QByteArray ZVContact::collationKeyFor(const QString& text) {
    icu::Collator* collator = contactNameCollator();
    if (!collator) {
        return text.toCaseFolded().toUtf8();
    }
    const auto* chars = reinterpret_cast<const char16_t*>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    QByteArray key(64, Qt::Uninitialized);
    int32_t needed = collator->getSortKey(chars, length, reinterpret_cast<uint8_t*>(key.data()),
                                          static_cast<int32_t>(key.size()));
    if (needed > key.size()) {
        key.resize(needed);
        needed = collator->getSortKey(chars, length, reinterpret_cast<uint8_t*>(key.data()),
                                      static_cast<int32_t>(key.size()));
    }
    // The key ends in a zero byte, which the comparison does not need.
    key.resize(needed > 0 ? needed - 1 : 0);
    return key;
}

ZVContact::ZVContact(const QString& name, const QString& email, const QString& accountId)
    : name_(name), email_(email), objectId_(accountId), key_(collationKeyFor(name)) {}

ZVContact::ZVContact(const std::shared_ptr<Contact>& contact)
    : name_(contact->displayNameWithYou()),
      email_(contact->friendlyEmail()),
      objectId_(contact->accountId()),
      contact_(contact),
      key_(collationKeyFor(name_)) {}

ZVContact::ZVContact(const Team& team)
    : name_(team.teamName()),
      email_(membersText(team.membersSet().size())),
      objectId_(team.teamId()),
      key_(collationKeyFor(name_)),
      isTeam_(true) {}

int ZVContact::compare(const ZVContact& other) const {
    if (isTeam_ != other.isTeam_) {
        return isTeam_ ? -1 : 1;
    }
    const qsizetype common = std::min(key_.size(), other.key_.size());
    const int byBytes =
        std::memcmp(key_.constData(), other.key_.constData(), static_cast<std::size_t>(common));
    if (byBytes != 0) {
        return byBytes < 0 ? -1 : 1;
    }
    return key_.size() == other.key_.size() ? 0 : (key_.size() < other.key_.size() ? -1 : 1);
}
