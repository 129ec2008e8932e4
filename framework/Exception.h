#pragma once
// The one exception base of the program. Every failure that is reported to the user or to a caller is
// an Exception (or a class derived from it) carrying a message text in UTF-8.
// Portable: no platform headers here.

#include <exception>
#include <string>
#include <utility>

namespace qd {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// Raised by code that was asked to do something the object's state does not allow.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

}  // namespace qd
