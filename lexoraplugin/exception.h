#pragma once

#include <exception>
#include <memory>
#include <string>

namespace Lexora {

// Base of the plugin's own exceptions. Most messages are string literals owned
// by the raising code; a message composed at run time (naming a parse error,
// say) is kept alive by the exception and shared between its copies.
class Exception : public std::exception
{
public:
    explicit Exception(const char *message) noexcept : m_message(message) { }

    explicit Exception(std::string message)
        : m_ownedMessage(std::make_shared<const std::string>(std::move(message))),
          m_message(m_ownedMessage->c_str())
    { }

    const char *what() const noexcept override { return m_message; }

private:
    std::shared_ptr<const std::string> m_ownedMessage;
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

// A translatable or translation object with a member the format does not know.
class UnknownJsonMember : public CannotReadJsonFile
{
public:
    using CannotReadJsonFile::CannotReadJsonFile;
};

// A Qt Linguist (.ts) file that cannot be opened or read.
class CannotReadLinguistFile : public Exception
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
