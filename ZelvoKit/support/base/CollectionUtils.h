#pragma once

#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QList>
#include <QtCore/QVariant>
#include <QtCore/QVariantMap>

#include <optional>
#include <type_traits>
#include <utility>

// Map, filter and override over lists and dictionaries, returning new containers.

// The function's result for each element, in order.
template <class T, class F>
auto arrayByMappingObjectsUsingBlock(const QList<T>& list, F&& block) {
    using Result = std::decay_t<std::invoke_result_t<F&, const T&>>;
    QList<Result> mapped;
    mapped.reserve(list.size());
    for (const T& element : list) {
        mapped.append(block(element));
    }
    return mapped;
}

// The elements that pass the test, in order. Empty when none passes, which callers read as "none".
template <class T, class F>
QList<T> arrayOfObjectsPassingTest(const QList<T>& list, F&& test) {
    QList<T> passing;
    for (const T& element : list) {
        if (test(element)) {
            passing.append(element);
        }
    }
    return passing;
}

namespace collection_detail {

inline bool isNullValue(const QJsonValue& value) {
    return value.isNull();
}

inline bool isNullValue(const QVariant& value) {
    return !value.isValid() || value.metaType() == QMetaType::fromType<std::nullptr_t>();
}

}  // namespace collection_detail

// The same keys with each value replaced by the function's result; an empty optional drops the
// key. Works on QJsonObject, QVariantMap and the other Qt associative containers.
template <class Map, class F>
Map dictionaryByMappingObjectsUsingBlock(const Map& dictionary, F&& block) {
    Map mapped;
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
        if (auto value = block(it.value())) {
            mapped.insert(it.key(), std::move(*value));
        }
    }
    return mapped;
}

// The dictionary with each override applied in turn: a null value (JSON null, a null QVariant)
// removes the key, any other value sets it. With no overrides, the dictionary unchanged.
template <class Map>
Map dictionaryByOverridingValues(const Map& dictionary, const Map& overrides) {
    if (overrides.isEmpty()) {
        return dictionary;
    }
    Map result = dictionary;
    for (auto it = overrides.begin(); it != overrides.end(); ++it) {
        if (collection_detail::isNullValue(it.value())) {
            result.remove(it.key());
        } else {
            result.insert(it.key(), it.value());
        }
    }
    return result;
}
