#pragma once

#include <exception>

namespace Lexora {

// Base of the plugin's own exceptions. The message is a string literal owned by
// the raising code, so copying an exception never allocates.
class Exception : public std::exception
{
public:
    explicit Exception(const char *message) noexcept
        : m_message(message)
    {}

    const char *what() const noexcept override { return m_message; }

private:
    const char *m_message;
};

class CannotOpenJsonFile : public Exception
{
public:
    using Exception::Exception;
};

class CannotReadJsonFile : public Exception
{
public:
    using Exception::Exception;
};

class CannotAddTranslatableEntry : public Exception
{
public:
    using Exception::Exception;
};

} // namespace Lexora
