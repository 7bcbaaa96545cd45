#pragma once
// The exception hierarchy every layer raises: a general exception with a
// Message, the database error below it, and the silent abort.
#include <exception>
#include <string>

namespace tarvik {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }
    // The class name used where the system recognises an exception by name (the silent abort).
    virtual const char* ClassName() const { return "Exception"; }

private:
    std::string FMessage;
};

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EDatabaseError"; }
};

// The silent abort: ends the current user action, never shown.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    const char* ClassName() const override { return "EAbort"; }
};

// Raises the silent abort.
[[noreturn]] void Abort();

} // namespace tarvik
