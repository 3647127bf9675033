#pragma once

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <variant>

namespace platform {

// Anything with a description, as "%@" prints it.
template <class T>
concept Describable = requires(const T& value) {
    { value.description() } -> std::convertible_to<QString>;
};

// One argument of format(): a string, a number, or an object printed by its description.
class FormatArg {
public:
    FormatArg(std::nullptr_t) : value_(QString()), isNull_(true) {}
    FormatArg(const QString& text) : value_(text), isNull_(text.isNull()) {}
    FormatArg(QStringView text) : value_(text.toString()) {}
    FormatArg(QLatin1StringView text) : value_(QString(text)) {}
    FormatArg(const char* text) : value_(text ? QString::fromUtf8(text) : QString()), isNull_(!text) {}
    FormatArg(const QByteArray& bytes) : value_(QString::fromUtf8(bytes)) {}
    FormatArg(const QVariant& value);
    FormatArg(const QJsonValue& value);
    FormatArg(const QJsonObject& value) : FormatArg(QJsonValue(value)) {}
    FormatArg(const QJsonArray& value) : FormatArg(QJsonValue(value)) {}

    template <std::signed_integral T>
    FormatArg(T number) : value_(static_cast<std::int64_t>(number)) {}
    template <std::unsigned_integral T>
    FormatArg(T number) : value_(static_cast<std::uint64_t>(number)) {}
    FormatArg(bool flag) : value_(static_cast<std::int64_t>(flag ? 1 : 0)) {}
    FormatArg(double number) : value_(number) {}
    FormatArg(float number) : value_(static_cast<double>(number)) {}

    template <Describable T>
    FormatArg(const T& object) : value_(QString(object.description())) {}
    template <Describable T>
    FormatArg(const std::shared_ptr<T>& object)
        : value_(object ? QString(object->description()) : QString()), isNull_(!object) {}
    template <Describable T>
    FormatArg(const T* object)
        : value_(object ? QString(object->description()) : QString()), isNull_(!object) {}

    // "%@" text: strings as they are, numbers in their shortest form, nil as "(null)".
    QString objectText() const;
    std::int64_t toInt() const;
    std::uint64_t toUInt() const;
    double toDouble() const;

private:
    std::variant<QString, std::int64_t, std::uint64_t, double> value_;
    bool isNull_ = false;
};

// Fills a printf-style format as the platform's string formatting does: "%@" prints an object's
// description ("(null)" for none), "%d", "%ld", "%lld", "%u", "%lu", "%x", "%s", "%c", "%f",
// "%.2f", "%.*f", "%e", "%g", widths, flags and "%%". A missing argument prints nothing; an
// argument of another kind than its conversion is converted, never misread.
QString formatList(QStringView format, std::initializer_list<FormatArg> args);

template <class... Args>
QString format(QStringView fmt, const Args&... args) {
    return formatList(fmt, {FormatArg(args)...});
}

}  // namespace platform
