#include "ZelvoKit/support/base/CollectionUtils.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

namespace {

TEST(CollectionUtilsTest, MapAndFilterLists) {
    const QList<int> numbers{3, 1, 4, 1, 5};
    EXPECT_EQ(
        arrayByMappingObjectsUsingBlock(numbers, [](int n) { return QString::number(n * 2); }),
        (QStringList{"6", "2", "8", "2", "10"}));
    EXPECT_TRUE(arrayByMappingObjectsUsingBlock(QList<int>(), [](int n) { return n; }).isEmpty());

    EXPECT_EQ(arrayOfObjectsPassingTest(numbers, [](int n) { return n % 2 == 1; }),
              (QList<int>{3, 1, 1, 5}));
    EXPECT_TRUE(arrayOfObjectsPassingTest(numbers, [](int n) { return n > 5; }).isEmpty());
    EXPECT_TRUE(arrayOfObjectsPassingTest(QList<int>(), [](int) { return true; }).isEmpty());
}

TEST(CollectionUtilsTest, MappingADictionaryDropsKeysWithoutResult) {
    const QJsonObject counts{{"a", 1}, {"b", 2}, {"c", 3}};
    const QJsonObject doubledOdd =
        dictionaryByMappingObjectsUsingBlock(counts, [](const QJsonValue& v) {
            return v.toInt() % 2 ? std::optional<QJsonValue>(v.toInt() * 2) : std::nullopt;
        });
    EXPECT_EQ(doubledOdd, (QJsonObject{{"a", 2}, {"c", 6}}));

    const QVariantMap names{{"x", QStringLiteral("ann")}};
    EXPECT_EQ(
        dictionaryByMappingObjectsUsingBlock(
            names,
            [](const QVariant& v) { return std::optional(QVariant(v.toString().toUpper())); }),
        (QVariantMap{{"x", QStringLiteral("ANN")}}));
}

TEST(CollectionUtilsTest, OverridingValuesSetsAndRemovesKeys) {
    const QJsonObject base{{"keep", 1}, {"drop", 2}, {"change", 3}};
    const QJsonObject overridden = dictionaryByOverridingValues(
        base, QJsonObject{{"drop", QJsonValue::Null}, {"change", "x"}, {"add", QJsonArray{1}}});
    EXPECT_EQ(overridden, (QJsonObject{{"keep", 1}, {"change", "x"}, {"add", QJsonArray{1}}}));
    EXPECT_EQ(base, (QJsonObject{{"keep", 1}, {"drop", 2}, {"change", 3}}));
    EXPECT_EQ(dictionaryByOverridingValues(base, QJsonObject()), base);
    // Removing a key that is not there changes nothing.
    EXPECT_EQ(dictionaryByOverridingValues(base, QJsonObject{{"absent", QJsonValue::Null}}), base);

    const QVariantMap settings{{"a", 1}, {"b", 2}};
    EXPECT_EQ(dictionaryByOverridingValues(
                  settings, QVariantMap{{"a", QVariant::fromValue(nullptr)}, {"c", 3}}),
              (QVariantMap{{"b", 2}, {"c", 3}}));
}

}  // namespace
