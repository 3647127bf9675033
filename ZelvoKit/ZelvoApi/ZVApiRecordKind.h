#pragma once

#include <QtCore/QHash>
#include <QtCore/QString>

// The kinds of the event stream's records, numbered as the service's entity types are.
enum class ZVApiRecordKind : int {
    None = 0,
    Contact = 1,
    Conversation = 2,
    Message = 3,
    Activity = 4,
    Hook = 5,
    Team = 6,
    Request = 7,
    File = 8,
    Preview = 9,
    Lock = 10,
    Label = 11,
    Organisation = 12,
    OrgMember = 13,
};

// The kinds by their "mk_rec_type" words.
const QHash<QString, ZVApiRecordKind>& ZVApiRecordKinds();
