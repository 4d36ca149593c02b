// The archive engine's exception classes, their error codes and messages, and the conversion of any
// exception into the error class and code that item-failure reports carry.
#pragma once
#include <exception>
#include <string>

#include "rtl/exceptions.h"

namespace archive {

// Error codes of the engine; the message of each is ArErrorMessage(code).
enum : int {
    kArZipVersion = 1,
    kArZipInvalidMethod = 2,
    kArZipNoExtraction = 3,
    kArZipInvalidPassword = 4,
    kArZipInvalidFactor = 6,
    kArUserAbort = 9,
    kArZipBadSpanStream = 13,
    kArNoSuchDirectory = 19,
    kArBadStream = 21,
    kArZipBadCRC = 23,
    kArFileNotFound = 25,
    kArNoArchive = 27,
    kArZipInvalid = 28,
    kArReadError = 29,
    kArUnhandledType = 35,
    kArSWSNotEndofStream = 80,
    kArSWSSeekFailed = 81,
    kArSWSWriteFailed = 82,
    kArSWSInvalidOrigin = 83,
    kArSWSInvalidNewOrigin = 84,
    kArUnsafeName = 100,
};

// The message of an error code; "" for a code the engine does not know.
const char* ArErrorMessage(int code);

class EArException : public rtl::Exception {
public:
    // An exception with the code's own message.
    explicit EArException(int code) : rtl::Exception(ArErrorMessage(code)), ErrorCode(code) {}
    EArException(int code, std::string message) : rtl::Exception(std::move(message)), ErrorCode(code) {}
    int ErrorCode;
};

#define TS_AR_EXCEPTION(Name, Base, Code)          \
    class Name : public Base {                     \
    public:                                        \
        Name() : Base(Code) {}                     \
        explicit Name(std::string message)         \
            : Base(Code, std::move(message)) {}    \
    };

// EArZipException is the base of the ZIP, read and sliding-window errors.
class EArZipException : public EArException {
public:
    using EArException::EArException;
};

TS_AR_EXCEPTION(EArZipVersion, EArZipException, kArZipVersion)
TS_AR_EXCEPTION(EArZipInvalidMethod, EArZipException, kArZipInvalidMethod)
TS_AR_EXCEPTION(EArZipNoExtraction, EArZipException, kArZipNoExtraction)
TS_AR_EXCEPTION(EArZipInvalidPassword, EArZipException, kArZipInvalidPassword)
TS_AR_EXCEPTION(EArZipInvalidFactor, EArZipException, kArZipInvalidFactor)
TS_AR_EXCEPTION(EArZipBadSpanStream, EArZipException, kArZipBadSpanStream)
TS_AR_EXCEPTION(EArZipBadCRC, EArZipException, kArZipBadCRC)
TS_AR_EXCEPTION(EArZipInvalid, EArZipException, kArZipInvalid)
TS_AR_EXCEPTION(EArReadError, EArZipException, kArReadError)
TS_AR_EXCEPTION(EArSWSNotEndofStream, EArZipException, kArSWSNotEndofStream)
TS_AR_EXCEPTION(EArSWSSeekFailed, EArZipException, kArSWSSeekFailed)
TS_AR_EXCEPTION(EArSWSWriteFailed, EArZipException, kArSWSWriteFailed)
TS_AR_EXCEPTION(EArSWSInvalidOrigin, EArZipException, kArSWSInvalidOrigin)
TS_AR_EXCEPTION(EArSWSInvalidNewOrigin, EArZipException, kArSWSInvalidNewOrigin)
// A stored name that would lead outside the base directory or that no file can carry (see
// ArIsSafeRelativeName); the item is refused before anything is written.
TS_AR_EXCEPTION(EArUnsafeName, EArZipException, kArUnsafeName)

TS_AR_EXCEPTION(EArBadStream, EArException, kArBadStream)
TS_AR_EXCEPTION(EArFileNotFound, EArException, kArFileNotFound)
TS_AR_EXCEPTION(EArNoArchive, EArException, kArNoArchive)
TS_AR_EXCEPTION(EArNoSuchDirectory, EArException, kArNoSuchDirectory)
TS_AR_EXCEPTION(EArUnhandledType, EArException, kArUnhandledType)
TS_AR_EXCEPTION(EArUserAbort, EArException, kArUserAbort)

#undef TS_AR_EXCEPTION

// Error classes of item-failure reports.
enum class TArErrorClass { ecArchive, ecInOutError, ecFilerError, ecFileCreateError, ecFileOpenError, ecCabError, ecOther };

// The error class and code of an exception: an EArException gives ecArchive with its code (an engine
// code); EInOutError ecInOutError with its code; EFilerError, EFOpenError and EFCreateError their classes
// with the system error the stream recorded (0 when it had none), so that the report of an output file
// that could not be created or written names the machine's reason; anything else ecOther with 0. Every
// class but ecArchive and ecOther thus carries a system error (GetLastError value) or 0.
void ArConvertException(const std::exception_ptr& error, TArErrorClass& errorClass, int& errorCode);

const char* ArErrorClassName(TArErrorClass errorClass);

}  // namespace archive
