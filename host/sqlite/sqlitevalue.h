#pragma once

#include "sqliteglobal.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace Host::Sqlite {

enum class ValueType : unsigned char { Null, Integer, Float, Text, Blob };

// One SQLite value with its storage class. Equality follows SQL: the storage
// class and the content must match, and a null (like a NaN) equals nothing, not
// even itself, so "unchanged" is never concluded from two unknown values.
class HOST_SQLITE_EXPORT Value
{
public:
    Value() = default;
    Value(std::nullptr_t) { }
    Value(int value) : m_value(std::int64_t { value }) { }
    Value(long long value) : m_value(std::int64_t { value }) { }
    Value(long value) : m_value(std::int64_t { value }) { }
    Value(double value) : m_value(value) { }
    Value(std::string value) : m_value(std::move(value)) { }
    Value(std::string_view value) : m_value(std::string(value)) { }
    Value(const char *value) : m_value(std::string(value)) { }
    Value(const QByteArray &blob) : m_value(blob) { }

    ValueType type() const { return static_cast<ValueType>(m_value.index()); }
    bool isNull() const { return type() == ValueType::Null; }

    std::int64_t toInteger() const;
    double toFloat() const;
    // Text of a text value, empty for every other storage class.
    std::string_view toText() const;
    QByteArray toBlob() const;

    friend HOST_SQLITE_EXPORT bool operator==(const Value &first, const Value &second);
    friend bool operator!=(const Value &first, const Value &second) { return !(first == second); }

private:
    std::variant<std::monostate, std::int64_t, double, std::string, QByteArray> m_value;
};

} // namespace Host::Sqlite
