#include "archive/errors.h"

namespace archive {

const char* ArErrorMessage(int code) {
    switch (code) {
        case kArZipVersion: return "Cannot extract file - newer version required";
        case kArZipInvalidMethod: return "Cannot extract file - unsupported compression method";
        case kArZipNoExtraction: return "Cannot extract file - no extraction support provided";
        case kArZipInvalidPassword: return "Cannot extract file - invalid password";
        case kArZipInvalidFactor: return "Invalid Reduce Factor";
        case kArUserAbort: return "Process aborted by user";
        case kArZipBadSpanStream: return "Spanned archives must be opened as file streams";
        case kArNoSuchDirectory: return "Directory does not exist";
        case kArBadStream: return "Invalid Stream";
        case kArZipBadCRC: return "Failed CRC Check";
        case kArFileNotFound: return "File not found";
        case kArNoArchive: return "Archive does not exist - FileName is blank";
        case kArZipInvalid: return "Invalid file - not a PKZip file";
        case kArReadError: return "Error reading archive";
        case kArUnhandledType: return "Unhandled Archive Type";
        case kArSWSNotEndofStream: return "TArSlidingWindowStream.Write: Not at end of stream";
        case kArSWSSeekFailed: return "TArSlidingWindowStream.bsWriteChunk: seek failed";
        case kArSWSWriteFailed: return "TArSlidingWindowStream.bsWriteChunk: write failed";
        case kArSWSInvalidOrigin: return "TArSlidingWindowStream.Seek: invalid origin";
        case kArSWSInvalidNewOrigin: return "TArSlidingWindowStream.Seek: invalid new position";
        case kArUnsafeName: return "Cannot extract file - name leads outside the base directory";
        default: return "";
    }
}

void ArConvertException(const std::exception_ptr& error, TArErrorClass& errorClass, int& errorCode) {
    errorCode = 0;
    try {
        std::rethrow_exception(error);
    } catch (const EArException& e) {
        errorClass = TArErrorClass::ecArchive;
        errorCode = e.ErrorCode;
    } catch (const rtl::EInOutError& e) {
        errorClass = TArErrorClass::ecInOutError;
        errorCode = e.ErrorCode;
    } catch (const rtl::EFilerError& e) {
        errorClass = TArErrorClass::ecFilerError;
        errorCode = e.ErrorCode;
    } catch (const rtl::EFOpenError& e) {
        errorClass = TArErrorClass::ecFileOpenError;
        errorCode = e.ErrorCode;
    } catch (const rtl::EFCreateError& e) {
        errorClass = TArErrorClass::ecFileCreateError;
        errorCode = e.ErrorCode;
    } catch (...) {
        errorClass = TArErrorClass::ecOther;
    }
}

const char* ArErrorClassName(TArErrorClass errorClass) {
    switch (errorClass) {
        case TArErrorClass::ecArchive: return "ecArchive";
        case TArErrorClass::ecInOutError: return "ecInOutError";
        case TArErrorClass::ecFilerError: return "ecFilerError";
        case TArErrorClass::ecFileCreateError: return "ecFileCreateError";
        case TArErrorClass::ecFileOpenError: return "ecFileOpenError";
        case TArErrorClass::ecCabError: return "ecCabError";
        case TArErrorClass::ecOther: return "ecOther";
    }
    return "ecOther";
}

}  // namespace archive
