#pragma once

#include "ZelvoKit/support/text/DeviceLocale.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QDateTime>
#include <QtCore/QTimeZone>

#include <gtest/gtest.h>

// Pins the locale and the time zone, so that texts and days do not depend on the machine. Berlin
// has summer time, so day lengths vary.
class FixedLocaleTest : public testing::Test {
protected:
    void SetUp() override {
        DeviceLocale::setLocale(QStringLiteral("en_US"));
        DeviceLocale::setTimeZone(QStringLiteral("Europe/Berlin"));
    }

    // A wall-clock time in Berlin.
    static QDateTime berlin(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0) {
        return QDateTime(QDate(year, month, day), QTime(hour, minute, second),
                         QTimeZone("Europe/Berlin"));
    }

    static void setNow(const QDateTime& now) {
        platform::Scheduler::main().useVirtualClock(now.toUTC());
    }
};
