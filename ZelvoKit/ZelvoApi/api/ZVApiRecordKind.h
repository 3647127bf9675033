#pragma once

#include "ZelvoKit/support/base/ZVCodeTable.h"

class ZVJsonParser;

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

// The kinds' numbers by their "mk_rec_type" words; the data model reads the same table.
const ZVCodeTable& ZVApiRecordKinds();
// The record's "mk_rec_type"; None when it is absent or unknown (an unknown word is logged).
ZVApiRecordKind recordKindOf(ZVJsonParser& record);
