#include "ZelvoKit/model/Hook.h"

#include "ZelvoKit/model/ZVAvatarUrls.h"
#include "ZelvoKit/model/ZVRecordKeys.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

using zvrecord::kAccountId;
using zvrecord::kAvatarUrls;
using zvrecord::kConversationId;
using zvrecord::kHookKey;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kHookName = u"hook_name"_s;
const QString kHookUrl = u"hook_url"_s;
const QString kIsActive = u"is_active"_s;

constexpr QStringView kLargeAvatarKey = u"size_200";

}  // namespace

Hook::Hook(const platform::EntityDescription& entity)
    : ZVManagedObject(entity),
      conversationId_(entity.attributeIndex(kConversationId)),
      accountId_(entity.attributeIndex(kAccountId)),
      hookName_(entity.attributeIndex(kHookName)),
      hookKey_(entity.attributeIndex(kHookKey)),
      hookUrl_(entity.attributeIndex(kHookUrl)),
      isActive_(entity.attributeIndex(kIsActive)),
      avatarUrls_(entity.attributeIndex(kAvatarUrls)) {}

void Hook::describeAttributes(platform::EntityDescription& entity) {
    AttributeOptions required;
    required.optional = false;
    entity.addAttribute(kConversationId, AttributeType::String, required);
    entity.addAttribute(kAccountId, AttributeType::String, required);
    entity.addAttribute(kHookName, AttributeType::String);
    AttributeOptions key = required;
    key.indexed = true;
    entity.addAttribute(kHookKey, AttributeType::String, key);
    entity.addAttribute(kHookUrl, AttributeType::String);
    entity.addAttribute(kIsActive, AttributeType::Boolean, required);
    entity.addAttribute(kAvatarUrls, AttributeType::String);
}

const QStringList& Hook::keyFields() const {
    static const QStringList keys{kHookKey};
    return keys;
}

ZVErrorPtr Hook::deserializeFromJson(ZVJsonParser& parser) {
    // The required ones are required of a new hook; a fragment for a known one updates what it
    // carries.
    setFields({kConversationId, kAccountId, kHookKey, kHookName, kHookUrl, kIsActive}, parser);
    if (const auto urls = ZVAvatarUrls::readField(*this, avatarUrls_, kLargeAvatarKey, parser)) {
        largeAvatarUrl_ = urls->large;
        smallAvatarUrl_ = urls->small;
    }
    return parser.error();
}

void Hook::awakeFromFetch() {
    ZVManagedObject::awakeFromFetch();
    extractAvatarUrls();
}

void Hook::extractAvatarUrls() {
    const ZVAvatarUrls urls = ZVAvatarUrls::fromText(stringValue(avatarUrls_), kLargeAvatarKey);
    largeAvatarUrl_ = urls.large;
    smallAvatarUrl_ = urls.small;
}
