#include "ZelvoKit/ZelvoApi/ZVApiRecordKind.h"

using namespace Qt::Literals::StringLiterals;

const QHash<QString, ZVApiRecordKind>& ZVApiRecordKinds() {
    static const QHash<QString, ZVApiRecordKind> kinds{
        {u"contact"_s, ZVApiRecordKind::Contact},
        {u"conv"_s, ZVApiRecordKind::Conversation},
        {u"message"_s, ZVApiRecordKind::Message},
        {u"activity"_s, ZVApiRecordKind::Activity},
        {u"hook"_s, ZVApiRecordKind::Hook},
        {u"team"_s, ZVApiRecordKind::Team},
        {u"request"_s, ZVApiRecordKind::Request},
        {u"file"_s, ZVApiRecordKind::File},
        {u"preview"_s, ZVApiRecordKind::Preview},
        {u"lock"_s, ZVApiRecordKind::Lock},
        {u"label"_s, ZVApiRecordKind::Label},
        {u"org_header"_s, ZVApiRecordKind::Organisation},
        {u"org_member"_s, ZVApiRecordKind::OrgMember},
    };
    return kinds;
}
