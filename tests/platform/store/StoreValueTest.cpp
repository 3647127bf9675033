#include "platform/store/AttributeDescription.h"
#include "platform/store/StoreValue.h"

#include <gtest/gtest.h>

#include <limits>

using platform::AttributeType;
using platform::StoreValue;

// The in-memory order must be SQLite's, or a fetch that merges unsaved objects with saved rows
// would order and filter them differently.
TEST(StoreValue, OrdersValuesAsSqliteDoes) {
    const std::int64_t big = (std::int64_t(1) << 53) + 1;  // not representable as a double
    struct Case {
        StoreValue a;
        StoreValue b;
        int expected;
    };
    const Case cases[] = {
        {StoreValue(), StoreValue::integer(std::numeric_limits<std::int64_t>::min()), -1},
        {StoreValue(), StoreValue(), 0},
        {StoreValue::integer(1), StoreValue::real(1.0), 0},
        {StoreValue::integer(1), StoreValue::real(1.5), -1},
        {StoreValue::integer(-2), StoreValue::real(-1.5), -1},
        {StoreValue::integer(big), StoreValue::real(static_cast<double>(big)), 1},
        {StoreValue::integer(std::numeric_limits<std::int64_t>::max()), StoreValue::real(1e19), -1},
        {StoreValue::integer(std::numeric_limits<std::int64_t>::min()), StoreValue::real(-1e19), 1},
        {StoreValue::real(1e300), StoreValue::text(QStringLiteral("")), -1},
        {StoreValue::text(QStringLiteral("B")), StoreValue::text(QStringLiteral("a")), -1},
        {StoreValue::text(QStringLiteral("\uFFFD")), StoreValue::text(QStringLiteral("\U0001F600")),
         -1},
        {StoreValue::text(QStringLiteral("ab")), StoreValue::text(QStringLiteral("abc")), -1},
        {StoreValue::text(QStringLiteral("z")), StoreValue::blob(QByteArray("")), -1},
        {StoreValue::blob(QByteArray("\x01", 1)), StoreValue::blob(QByteArray("\xff", 1)), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a.description().toStdString() + " vs " + c.b.description().toStdString());
        EXPECT_EQ(StoreValue::compare(c.a, c.b), c.expected);
        EXPECT_EQ(StoreValue::compare(c.b, c.a), -c.expected);
    }
    EXPECT_TRUE(StoreValue::real(std::nan("")).isNull()) << "SQLite stores NaN as NULL";
    EXPECT_TRUE(StoreValue::text(QString()).isNull());
    EXPECT_FALSE(StoreValue::text(QStringLiteral("")).isNull());
    EXPECT_FALSE(StoreValue::blob(QByteArray("")).isNull());
}

TEST(StoreValue, AttributesKeepOnlyValuesOfTheirKind) {
    struct Case {
        StoreValue value;
        AttributeType type;
        bool accepted;
        StoreValue kept;
    };
    const Case cases[] = {
        {StoreValue::real(3.0), AttributeType::Integer64, true, StoreValue::integer(3)},
        {StoreValue::real(3.25), AttributeType::Integer32, false, StoreValue()},
        {StoreValue::real(1e30), AttributeType::Integer64, false, StoreValue()},
        {StoreValue::integer(7), AttributeType::Boolean, true, StoreValue::integer(1)},
        {StoreValue::integer(7), AttributeType::Date, true, StoreValue::real(7.0)},
        {StoreValue::text(QStringLiteral("7")), AttributeType::Integer64, false, StoreValue()},
        {StoreValue::integer(7), AttributeType::String, false, StoreValue()},
        {StoreValue::text(QStringLiteral("x")), AttributeType::Binary, false, StoreValue()},
        {StoreValue(), AttributeType::String, true, StoreValue()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.description().toStdString());
        bool ok = false;
        const StoreValue kept = platform::coerceStoreValue(c.value, c.type, &ok);
        EXPECT_EQ(ok, c.accepted);
        EXPECT_EQ(kept.kind(), c.kept.kind());
        EXPECT_EQ(kept, c.kept);
    }
}
