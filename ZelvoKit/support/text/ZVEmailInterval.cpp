#include "ZelvoKit/support/text/ZVEmailInterval.h"

const ZVCodeTable& ZVEmailInterval::table() {
    static const ZVCodeTable table{
        {QStringLiteral("default"), Default},
        {QStringLiteral("hourly"), Hourly},
        {QStringLiteral("daily"), Daily},
        {QStringLiteral("never"), Never},
    };
    return table;
}

QString ZVEmailInterval::wordOf(int interval) {
    const ZVCodeTable& words = table();
    for (auto entry = words.cbegin(); entry != words.cend(); ++entry) {
        if (entry.value() == interval) {
            return entry.key();
        }
    }
    return QString();
}
