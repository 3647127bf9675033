#include "ZelvoKit/model/Contact.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/ZVAvatarUrls.h"
#include "ZelvoKit/model/ZVClassificators.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "ZelvoKit/support/text/ZVNameUtils.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QJsonArray>
#include <QtCore/QTimeZone>

#include <cmath>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kAccountId;
using zvrecord::kAvatarUrls;
using zvrecord::kOrganisationId;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kDisplayName = u"display_name"_s;
const QString kEmail = u"email"_s;
const QString kAccountStatus = u"mk_account_status"_s;
const QString kHidden = u"is_hidden_for_add"_s;
const QString kActivityTime = u"activity_time"_s;
const QString kDialogId = u"dialog_id"_s;
const QString kDialogListed = u"is_dialog_listed"_s;
const QString kPhoneNr = u"phone_nr"_s;
const QString kZelvoAddress = u"zelvo_address"_s;

// Read through the base, in this order; the account status and the avatars follow.
const QStringList& recordFields() {
    static const QStringList fields{kAccountId,    kEmail,        kDisplayName,
                                    kHidden,       kActivityTime, kDialogId,
                                    kDialogListed, kPhoneNr,      kZelvoAddress};
    return fields;
}

constexpr int kStatusActive = 3;
constexpr int kStatusClosed = 6;
// Activity closer to now than this, either way, reads as "Just now".
constexpr qint64 kJustNowSeconds = 3600;
constexpr QStringView kLargeAvatarKey = u"size_700";

// The parts of a name between whitespace and punctuation.
QStringList splitAtSeparators(const QString& name) {
    QStringList parts;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        const bool separator = i == name.size() || name[i].isSpace() || name[i].isPunct();
        if (separator && start >= 0) {
            parts.append(name.mid(start, i - start));
            start = -1;
        } else if (!separator && start < 0) {
            start = i;
        }
    }
    return parts;
}

}  // namespace

Contact::Contact(const platform::EntityDescription& entity)
    : ZVManagedObject(entity),
      accountId_(entity.attributeIndex(kAccountId)),
      displayName_(entity.attributeIndex(kDisplayName)),
      email_(entity.attributeIndex(kEmail)),
      accountStatus_(entity.attributeIndex(kAccountStatus)),
      hidden_(entity.attributeIndex(kHidden)),
      avatarUrls_(entity.attributeIndex(kAvatarUrls)),
      activityTime_(entity.attributeIndex(kActivityTime)),
      dialogId_(entity.attributeIndex(kDialogId)),
      dialogListed_(entity.attributeIndex(kDialogListed)),
      phoneNr_(entity.attributeIndex(kPhoneNr)),
      zelvoAddress_(entity.attributeIndex(kZelvoAddress)),
      organisationId_(entity.attributeIndex(kOrganisationId)) {}

void Contact::describeAttributes(platform::EntityDescription& entity) {
    AttributeOptions key;
    key.optional = false;
    key.indexed = true;
    entity.addAttribute(kAccountId, AttributeType::String, key);
    entity.addAttribute(kDisplayName, AttributeType::String);
    entity.addAttribute(kEmail, AttributeType::String);
    entity.addAttribute(kAccountStatus, AttributeType::Integer32);
    entity.addAttribute(kHidden, AttributeType::Boolean);
    entity.addAttribute(kAvatarUrls, AttributeType::String);
    entity.addAttribute(kActivityTime, AttributeType::Date);
    entity.addAttribute(kDialogId, AttributeType::String);
    entity.addAttribute(kDialogListed, AttributeType::Integer32);
    entity.addAttribute(kPhoneNr, AttributeType::String);
    entity.addAttribute(kZelvoAddress, AttributeType::String);
    entity.addAttribute(kOrganisationId, AttributeType::String);
}

const QStringList& Contact::keyFields() const {
    static const QStringList keys{kAccountId};
    return keys;
}

std::optional<int> Contact::accountStatus() const {
    if (isNull(accountStatus_)) {
        return std::nullopt;
    }
    return static_cast<int>(integerValue(accountStatus_));
}

std::shared_ptr<ZVRepositorySession> Contact::repositorySession() const {
    return std::dynamic_pointer_cast<ZVRepositorySession>(session());
}

ZVErrorPtr Contact::deserializeFromJson(ZVJsonParser& parser) {
    setFields(recordFields(), parser);
    const std::optional<ZVAvatarUrls> avatars =
        ZVAvatarUrls::readField(*this, avatarUrls_, kLargeAvatarKey, parser);
    setField(kOrganisationId, parser);
    const std::optional<int> current = accountStatus();
    const std::optional<int> status =
        current ? std::optional<int>(parser.extractEnum(
                      kAccountStatus, ZVClassificators::mk_account_status(), *current))
                : parser.extractEnum(kAccountStatus, ZVClassificators::mk_account_status(), -1);
    if (status && *status >= 0 && status != current) {
        willChangeProperty(kAccountStatus);
        setInteger(accountStatus_, *status);
    }
    if (avatars) {
        largeAvatarURL_ = avatars->large;
        smallAvatarURL_ = avatars->small;
    }
    updateNames();
    updateFriendlyNames();
    return parser.error();
}

void Contact::awakeFromFetch() {
    ZVManagedObject::awakeFromFetch();
    updateAvatars();
    updateNames();
    updateFriendlyNames();
}

void Contact::updateAvatars() {
    const ZVAvatarUrls urls = ZVAvatarUrls::fromText(avatarUrlsText(), kLargeAvatarKey);
    largeAvatarURL_ = urls.large;
    smallAvatarURL_ = urls.small;
}

void Contact::updateNames() {
    const QString address = zelvoAddress();
    if (!address.isEmpty()) {
        friendlyEmail_ = platform::format(u"%@@%@", address, ZVApi::api().baseURL().host());
    } else if (!email().isEmpty()) {
        friendlyEmail_ = email();
    } else {
        friendlyEmail_ = u"<email unavailable>"_s;
    }
    const QString name = displayNameValue();
    displayNameDerived_ = name.isEmpty() ? friendlyEmail_ : name;
    const auto session = this->session();
    if (session && session->profile() && session->profile()->avatarsEnabled()) {
        displayNameDerived_ = ZVNameUtils::stripDecorations(displayNameDerived_);
    }
    initials_ = ZVNameUtils::extractInitials(displayNameDerived_);
}

void Contact::updateFriendlyNames() {
    QStringList names;
    QString joined;
    for (const QString& part : splitAtSeparators(displayNameDerived_)) {
        if (!joined.isEmpty()) {
            names.append(joined + part.left(1));
        }
        joined += part;
        if (part.size() >= 2) {
            names.append(joined);
        }
    }
    const QString address = zelvoAddress();
    if (!address.isEmpty() && !names.contains(address, Qt::CaseInsensitive)) {
        names.append(address);
    }
    suggestedFriendlyNames_ = names;
}

QString Contact::shortName() const {
    return suggestedFriendlyNames_.isEmpty() ? u"?"_s : suggestedFriendlyNames_.first();
}

bool Contact::isLocalContact() const {
    const auto session = this->session();
    return session && session->profile() && session->profile()->isSelf(accountId());
}

QString Contact::displayNameWithYou() const {
    return isLocalContact() ? platform::format(u"%@ (you)", displayNameDerived_)
                            : displayNameDerived_;
}

QString Contact::friendlyZelvoId() const {
    const QString address = zelvoAddress();
    return address.isEmpty() ? u"Unassigned"_s
                             : platform::format(u"%@@%@", address, ZVApi::api().baseURL().host());
}

bool Contact::isZelvoContact() const {
    const std::optional<int> status = accountStatus();
    return status && (*status == kStatusActive || *status == kStatusClosed);
}

QString Contact::lastSeenText() const {
    QString when;
    if (isLocalContact()) {
        when = u"in the mirror"_s;
    } else if (const QDateTime activity = activityTime(); !activity.isValid()) {
        when = u"Unknown"_s;
    } else {
        const auto now = static_cast<qint64>(std::floor(platform::Scheduler::main().now()));
        if (std::llabs(now - activity.toSecsSinceEpoch()) < kJustNowSeconds) {
            when = u"Just now"_s;
        } else {
            when = ZVLocalization::formatDate(activity, true);
        }
    }
    return platform::format(u"Last active: %@", when);
}

std::shared_ptr<ZVApiRequest> Contact::getSyncRequestForField(int field) {
    switch (field) {
        case FieldName: {
            const QString name = displayNameValue();
            return std::make_shared<ZVApiRequest>(
                u"contact/describe"_s,
                QJsonObject{{u"contact_id"_s, accountId()},
                            {u"contact_name"_s, name.isNull() ? QJsonValue() : QJsonValue(name)}});
        }
        case FieldHidden:
            return std::make_shared<ZVApiRequest>(
                u"contact/hide"_s, QJsonObject{{u"contacts"_s, QJsonArray{accountId()}}});
        default:
            return nullptr;
    }
}

void Contact::setField(int field, bool dirty) {
    ZVManagedObject::setField(field, dirty);
    if (needsSync()) {
        if (const auto session = repositorySession()) {
            session->commitObject(std::static_pointer_cast<ZVManagedObject>(shared_from_this()));
        }
    }
}

void Contact::setName(const QString& name) {
    willChangeProperty(kDisplayName);
    setString(displayName_, name);
    updateNames();
    updateFriendlyNames();
    if (!isLocalContact()) {
        setField(FieldName, true);
    }
}

void Contact::setPhoneNr(const QString& phoneNr) {
    willChangeProperty(kPhoneNr);
    setString(phoneNr_, phoneNr);
}

void Contact::hideContact() {
    willChangeProperty(kHidden);
    setBool(hidden_, true);
    setField(FieldHidden, true);
}

void Contact::refreshData() {
    if (const auto session = this->session()) {
        session->synchronizeContactWithId(accountId());
    }
}

QString Contact::desc() const {
    return platform::format(u"Contact: %@", displayNameDerived_);
}
