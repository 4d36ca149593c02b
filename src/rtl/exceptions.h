// The runtime's exception classes: the setup and the archive engine report failures by throwing these.
#pragma once
#include <stdexcept>
#include <string>

namespace rtl {

// Base of every exception the program raises itself. Message is a byte string in the system code page.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// An input/output failure of a runtime file operation (MkDir, file writes); ErrorCode is the system error.
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// Stream failures. EFCreateError, EFOpenError and EFilerError are siblings, not one another's kind.
// ErrorCode is the system error of the machine call that failed (GetLastError); 0 when the failure has
// none, such as a read that found the data at an end before the count was reached.
class EStreamError : public Exception {
public:
    explicit EStreamError(std::string message, int errorCode = 0)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};
class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// A violated internal invariant that the runtime reports as an exception rather than a crash.
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
};

}  // namespace rtl
