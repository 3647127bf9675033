#pragma once

#include "ZelvoKit/support/base/ZVCodeTable.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <optional>

class ZVJsonParser;

// The tables of the service's code words. The numbers are part of the stored data and of the logic
// of the model, so none of them may ever change. Each table is built on first use and the same
// object is returned for the life of the process.
class ZVClassificators {
public:
    ZVClassificators() = delete;

    // Record kinds, the words of "mk_rec_type"; shared with the event stream's dispatch, below the
    // model (ZVApiRecordKind).
    static const ZVCodeTable& mk_entity_type();
    static const ZVCodeTable& mk_message_type();
    static const ZVCodeTable& mk_account_status();
    // Shared with the account profile, below the model (ZVEmailInterval).
    static const ZVCodeTable& mk_email_interval();
    static const ZVCodeTable& mk_alert_level();
    // Word -> bit position in a message's 32-bit tags mask.
    static const ZVCodeTable& mk_message_tag();
    static const ZVCodeTable& mk_label_status();
    static const ZVCodeTable& mk_label_type();
    // Numbered from 0, unlike the other state tables.
    static const ZVCodeTable& mk_member_status();

    // The mask of the record's "tags" words: unknown words are skipped, and a "tags" that is absent
    // or null gives 0. A "tags" that is not an array gives 0 and leaves the reader's error.
    static std::uint32_t extractTags(ZVJsonParser& parser, const ZVCodeTable& values);
    // The words of the mask's bits, in bit order; bits without a word are dropped.
    static QStringList tagsToArray(std::uint32_t tags);
    // The word of `number`, else the word of `defaultNumber` (when given), else a null string.
    static QString lookupKey(int number, const ZVCodeTable& dictionary,
                             std::optional<int> defaultNumber = std::nullopt);

    // The word of an interval; a number outside the table gives "daily".
    static QString mk_email_interval_str(int interval);
    // The word of a level; a number outside the table gives "default".
    static QString mk_alert_level_str(int level);
};
