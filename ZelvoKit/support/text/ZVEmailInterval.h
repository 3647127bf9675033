#pragma once

#include "ZelvoKit/support/base/ZVCodeTable.h"

#include <QtCore/QString>

// How often the service mails an account about unread messages: the numbers the account's profile
// stores, and the service's words for them ("mk_email_interval"). The numbers are stored data and
// never change.
class ZVEmailInterval {
public:
    enum Value : int {
        Unset = 0,
        Default = 1,
        Hourly = 2,
        Daily = 3,
        Never = 4,
    };

    ZVEmailInterval() = delete;

    // Built on first use; the same object for the life of the process.
    static const ZVCodeTable& table();
    // The word of `interval`; a null string for a number without one.
    static QString wordOf(int interval);
};
