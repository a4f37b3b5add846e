#include "sqlitevalue.h"

namespace Host::Sqlite {

std::int64_t Value::toInteger() const
{
    if (auto integer = std::get_if<std::int64_t>(&m_value))
        return *integer;
    if (auto floating = std::get_if<double>(&m_value))
        return static_cast<std::int64_t>(*floating);
    return 0;
}

double Value::toFloat() const
{
    if (auto floating = std::get_if<double>(&m_value))
        return *floating;
    if (auto integer = std::get_if<std::int64_t>(&m_value))
        return static_cast<double>(*integer);
    return 0.;
}

std::string_view Value::toText() const
{
    if (auto text = std::get_if<std::string>(&m_value))
        return *text;
    return {};
}

QByteArray Value::toBlob() const
{
    if (auto blob = std::get_if<QByteArray>(&m_value))
        return *blob;
    return {};
}

bool operator==(const Value &first, const Value &second)
{
    if (first.isNull() || second.isNull())
        return false;
    // A NaN compares unequal through the double comparison of the variant.
    return first.m_value == second.m_value;
}

} // namespace Host::Sqlite
