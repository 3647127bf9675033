#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/ReferenceDate.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QTimeZone>

#include <algorithm>
#include <limits>

namespace {

// The counters keep their 32-bit width in storage; a long-lived installation passes 2 GiB of
// traffic, so they stop at the top instead of wrapping to negative counts.
std::int32_t addSaturating(std::int32_t counter, std::int64_t amount) {
    const std::int64_t sum = static_cast<std::int64_t>(counter) + std::max<std::int64_t>(amount, 0);
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(sum, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t readCounter(const platform::UserDefaults& defaults, QLatin1StringView key) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        defaults.integerForKey(key), std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void ZVApiStats::reportTrafficSent(std::int64_t sent, std::int64_t received) {
    bytesSent_ = addSaturating(bytesSent_, sent);
    bytesReceived_ = addSaturating(bytesReceived_, received);
    if (received >= 1) {
        lastResponseTime_ = platform::Scheduler::main().currentDate();
    }
}

void ZVApiStats::reportSentMessage() {
    messagesSent_ = addSaturating(messagesSent_, 1);
}

void ZVApiStats::reportReceivedMessage() {
    messagesReceived_ = addSaturating(messagesReceived_, 1);
}

void ZVApiStats::load() {
    const auto defaults = platform::UserDefaults::standard();
    bytesSent_ = readCounter(*defaults, BytesSentKey);
    bytesReceived_ = readCounter(*defaults, BytesReceivedKey);
    messagesSent_ = readCounter(*defaults, MessagesSentKey);
    messagesReceived_ = readCounter(*defaults, MessagesReceivedKey);
    const double stored = defaults->doubleForKey(LastResponseTimeKey);
    if (stored > 0) {
        lastResponseTime_ = platform::dateWithTimeIntervalSinceReferenceDate(stored);
    }
}

void ZVApiStats::save() const {
    const auto defaults = platform::UserDefaults::standard();
    defaults->setInteger(bytesSent_, BytesSentKey);
    defaults->setInteger(bytesReceived_, BytesReceivedKey);
    defaults->setInteger(messagesSent_, MessagesSentKey);
    defaults->setInteger(messagesReceived_, MessagesReceivedKey);
    if (lastResponseTime_.isValid()) {
        // A double: single precision would put the time off by up to a minute at today's dates.
        defaults->setDouble(platform::timeIntervalSinceReferenceDate(lastResponseTime_),
                            LastResponseTimeKey);
    }
}

QString ZVApiStats::description() const {
    return platform::format(
        u"Bytes sent: %ld\nBytes received: %ld\nMessages received: %ld\nMessages sent: %ld\n"
        u"Last response: %@",
        bytesSent_, bytesReceived_, messagesReceived_, messagesSent_,
        lastResponseTime_.isValid()
            ? lastResponseTime_.toUTC().toString(u"yyyy-MM-dd HH:mm:ss '+0000'")
            : QString());
}
