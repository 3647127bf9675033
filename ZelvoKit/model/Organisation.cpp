#include "ZelvoKit/model/Organisation.h"

#include "ZelvoKit/model/ZVRecordKeys.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

using zvrecord::kIsAdmin;
using zvrecord::kOrganisationId;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kFounderId = u"organisation_founder_id"_s;
const QString kName = u"organisation_name"_s;
const QString kVersionNr = u"version_nr"_s;
const QString kTrialTime = u"trial_time"_s;

}  // namespace

Organisation::Organisation(const platform::EntityDescription& entity)
    : ZVManagedObject(entity),
      organisationId_(entity.attributeIndex(kOrganisationId)),
      organisationName_(entity.attributeIndex(kName)),
      isAdmin_(entity.attributeIndex(kIsAdmin)) {}

void Organisation::describeAttributes(platform::EntityDescription& entity) {
    AttributeOptions key;
    key.optional = false;
    key.indexed = true;
    entity.addAttribute(kOrganisationId, AttributeType::String, key);
    entity.addAttribute(kFounderId, AttributeType::String);
    entity.addAttribute(kName, AttributeType::String);
    entity.addAttribute(kVersionNr, AttributeType::Integer64);
    entity.addAttribute(kTrialTime, AttributeType::Integer64);
    entity.addAttribute(kIsAdmin, AttributeType::Integer32);
}

const QStringList& Organisation::keyFields() const {
    static const QStringList keys{kOrganisationId};
    return keys;
}

ZVErrorPtr Organisation::deserializeFromJson(ZVJsonParser& parser) {
    setFields({kOrganisationId, kFounderId, kName, kVersionNr, kTrialTime, kIsAdmin}, parser);
    return parser.error();
}
