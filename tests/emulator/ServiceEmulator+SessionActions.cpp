#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

namespace zvemu {

qint64 ServiceEmulator::appendEvents(const QString& accountId, const QList<QJsonObject>& records) {
    qint64 horizon = 0;
    {
        std::lock_guard lock(mutex_);
        auto& log = events_[accountId].records;
        log.insert(log.end(), records.begin(), records.end());
        horizon = headLocked(accountId);
    }
    changed_.notify_all();
    return horizon;
}

}  // namespace zvemu
