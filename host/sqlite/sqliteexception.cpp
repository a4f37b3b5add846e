#include "sqliteexception.h"

#include <sqlite3.h>

namespace Host::Sqlite {

Exception::Exception(std::string message, int errorCode)
    : m_message(std::move(message)), m_errorCode(errorCode)
{ }

const char *Exception::what() const noexcept
{
    return m_message.c_str();
}

void throwError(int resultCode, const std::string &message)
{
    switch (resultCode & 0xff) {
    case SQLITE_CONSTRAINT:
        throw ConstraintViolation(message, resultCode);
    case SQLITE_MISUSE:
    case SQLITE_RANGE:
        throw StatementMisuse(message, resultCode);
    default:
        throw Exception(message, resultCode);
    }
}

void throwError(int resultCode, sqlite3 *database)
{
    // The connection's text belongs to the last failed call; without a
    // connection only the generic text of the code is known.
    const char *text = database ? sqlite3_errmsg(database) : sqlite3_errstr(resultCode);
    throwError(resultCode, std::string(text ? text : sqlite3_errstr(resultCode)));
}

} // namespace Host::Sqlite
