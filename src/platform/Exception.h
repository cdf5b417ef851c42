#pragma once

#include <exception>
#include <string>

// The one failure type of the program: it carries the message that the error box shows.
// Messages are UTF-8 text.
class Exception : public std::exception
{
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    const std::string &Message() const { return m_message; }
    const char *what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

// A failure that the error box shows nothing for: it only unwinds the current action.
class EAbort : public Exception
{
public:
    EAbort() : Exception("Operation aborted") {}
};
