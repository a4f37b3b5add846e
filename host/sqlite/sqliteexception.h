#pragma once

#include "sqliteglobal.h"

#include <exception>
#include <string>

struct sqlite3;

namespace Host::Sqlite {

// Every SQLite failure surfaces as this type or one of its subtypes. The
// message is SQLite's own error text, so callers can show it as it stands.
class HOST_SQLITE_EXPORT Exception : public std::exception
{
public:
    explicit Exception(std::string message, int errorCode = 1);

    const char *what() const noexcept override;
    // SQLite's extended result code.
    int errorCode() const noexcept { return m_errorCode; }

private:
    std::string m_message;
    int m_errorCode;
};

// A UNIQUE, PRIMARY KEY, NOT NULL, CHECK or FOREIGN KEY constraint failed.
class HOST_SQLITE_EXPORT ConstraintViolation : public Exception
{
public:
    using Exception::Exception;
};

// A statement was used against its kind (a read statement that writes, a bind
// index out of range, an interface called in the wrong order).
class HOST_SQLITE_EXPORT StatementMisuse : public Exception
{
public:
    using Exception::Exception;
};

// Raises the exception that fits `resultCode`, with the connection's error text.
[[noreturn]] HOST_SQLITE_EXPORT void throwError(int resultCode, sqlite3 *database);
// Raises the exception that fits `resultCode` with `message`.
[[noreturn]] HOST_SQLITE_EXPORT void throwError(int resultCode, const std::string &message);

} // namespace Host::Sqlite
