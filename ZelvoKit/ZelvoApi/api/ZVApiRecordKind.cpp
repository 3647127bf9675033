#include "ZelvoKit/ZelvoApi/api/ZVApiRecordKind.h"

#include "ZelvoKit/support/base/ZVJsonParser.h"

using namespace Qt::Literals::StringLiterals;

namespace {

int number(ZVApiRecordKind kind) {
    return static_cast<int>(kind);
}

}  // namespace

const ZVCodeTable& ZVApiRecordKinds() {
    static const ZVCodeTable kinds{
        {u"contact"_s, number(ZVApiRecordKind::Contact)},
        {u"conv"_s, number(ZVApiRecordKind::Conversation)},
        {u"message"_s, number(ZVApiRecordKind::Message)},
        {u"activity"_s, number(ZVApiRecordKind::Activity)},
        {u"hook"_s, number(ZVApiRecordKind::Hook)},
        {u"team"_s, number(ZVApiRecordKind::Team)},
        {u"request"_s, number(ZVApiRecordKind::Request)},
        {u"file"_s, number(ZVApiRecordKind::File)},
        {u"preview"_s, number(ZVApiRecordKind::Preview)},
        {u"lock"_s, number(ZVApiRecordKind::Lock)},
        {u"label"_s, number(ZVApiRecordKind::Label)},
        {u"org_header"_s, number(ZVApiRecordKind::Organisation)},
        {u"org_member"_s, number(ZVApiRecordKind::OrgMember)},
    };
    return kinds;
}

ZVApiRecordKind recordKindOf(ZVJsonParser& record) {
    return static_cast<ZVApiRecordKind>(
        record.extractEnum(u"mk_rec_type", ZVApiRecordKinds(), number(ZVApiRecordKind::None)));
}
