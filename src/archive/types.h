// Enumerations and event types shared by the archive engine's classes.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "archive/errors.h"

namespace archive {

enum class TArArchiveType { atUnknown, atZip, atSpannedZip, atSelfExtZip, atTar, atGzip, atGzippedTar, atCab };
enum class TArArchiveStatus { asInvalid, asIdle, asBusy };
enum class TArArchiveAction { aaFailed, aaNone, aaAdd, aaDelete, aaFreshen, aaMove, aaReplace, aaStreamAdd };
// Ordinal = ZIP method number.
enum class TArZipCompressionMethod {
    cmStored, cmShrunk, cmReduced1, cmReduced2, cmReduced3, cmReduced4, cmImploded,
    cmTokenized, cmDeflated, cmEnhancedDeflated, cmDCLImploded, cmBestMethod
};
enum class TArZipDictionarySize { dsInvalid, ds4K, ds8K };
enum class TArZipDeflationOption { doInvalid, doNormal, doMaximum, doFast, doSuperFast };
enum class TArProcessType { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptFoundUnhandled };
enum class TArSpanMode { smReading, smWriting };
enum class TArMediaType { mtRemoveable, mtLocal };

enum TArExtractOption : uint8_t { eoCreateDirs = 1, eoRestorePath = 2 };
using TArExtractOptions = uint8_t;  // a set of TArExtractOption bits

class TArArchiveItem;

// Events. An unassigned event means: confirm, don't abort, do nothing.
using TArArchiveProgressEvent = std::function<void(void* sender, uint8_t progress, bool& abort)>;
using TArArchiveItemProgressEvent =
    std::function<void(void* sender, TArArchiveItem* item, uint8_t progress, bool& abort)>;
using TArArchiveItemConfirmEvent =
    std::function<void(void* sender, TArArchiveItem* item, TArProcessType processType, bool& confirm)>;
using TArArchiveItemFailureEvent = std::function<void(void* sender, TArArchiveItem* item, TArProcessType processType,
                                                      TArErrorClass errorClass, int errorCode)>;
using TArConfirmOverwriteEvent = std::function<void(std::string& name, bool& confirm)>;
using TArNeedPasswordEvent = std::function<void(void* sender, std::string& newPassword)>;
using TArRequestImageEvent =
    std::function<void(void* sender, int imageNumber, std::string& imageName, bool& abort)>;
using TArRequestDiskEvent = std::function<void(void* sender, bool& abort)>;
using TArRequestNthDiskEvent = std::function<void(void* sender, uint8_t diskNumber, bool& abort)>;
using TArArchiveEvent = std::function<void(void* sender)>;
using TNotifyEvent = std::function<void(void* sender)>;

}  // namespace archive
