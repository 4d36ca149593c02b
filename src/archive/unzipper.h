// The unzipper component: the one object through which callers open ZIP packages, read their items and
// extract them. Writing FileName opens (and reads the directory of) an archive; events report progress,
// ask for confirmations, passwords and volumes, and receive the failures of single items.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "archive/meters.h"
#include "archive/types.h"
#include "archive/zip_archive.h"

namespace archive {

class TArBaseBrowser : public TArBaseComponent {
public:
    TArBaseBrowser();
    ~TArBaseBrowser() override;

    const std::string& FileName() const { return fileName_; }
    // Opens the named archive (or closes the open one for ""). See SetFileName of TArCustomZipBrowser.
    void SetFileName(const std::string& value) { DoSetFileName(value); }
    void OpenArchive(const std::string& name) { SetFileName(name); }
    void CloseArchive();

    const std::string& BaseDirectory() const { return baseDirectory_; }
    // With an archive open the archive may refuse the value (EArNoSuchDirectory); its normalised value is
    // kept. Without one the value is kept unchanged.
    void SetBaseDirectory(const std::string& value);

    int Count() const;
    TArArchiveStatus Status() const;
    bool Spanned() const;

    TArMeterLink* ArchiveProgressMeter() const { return archiveMeter_; }
    TArMeterLink* ItemProgressMeter() const { return itemMeter_; }
    void SetArchiveProgressMeter(TArMeterLink* link);
    void SetItemProgressMeter(TArMeterLink* link);
    void Notification(TArBaseComponent* component) override;

    TArArchive* Archive() const { return archive_.get(); }

    TNotifyEvent OnChange;
    TArArchiveEvent OnLoad;
    TArArchiveProgressEvent OnArchiveProgress;
    TArArchiveItemProgressEvent OnArchiveItemProgress;
    TArArchiveItemConfirmEvent OnConfirmProcessItem;
    TArArchiveItemFailureEvent OnProcessItemFailure;
    TArRequestImageEvent OnRequestImage;

    int64_t SpanningThreshold = 0;
    std::string TempDirectory, LogFile;
    bool Logging = false;

protected:
    virtual void DoSetFileName(const std::string& value) = 0;
    void ResetMeters();
    void DoArchiveProgress(uint8_t progress, bool& abort);
    void DoArchiveItemProgress(TArArchiveItem* item, uint8_t progress, bool& abort);
    void DoConfirmProcessItem(TArArchiveItem* item, TArProcessType type, bool& confirm);
    void DoProcessItemFailure(TArArchiveItem* item, TArProcessType type, TArErrorClass errorClass, int code);
    void DoLoad();
    void DoChange();
    virtual void InitArchive();

    std::string fileName_;
    std::string baseDirectory_;
    std::unique_ptr<TArArchive> archive_;
    TArMeterLink* archiveMeter_ = nullptr;
    TArMeterLink* itemMeter_ = nullptr;
};

class TArCustomZipBrowser : public TArBaseBrowser {
public:
    // The item at index (0-based, directory order); valid only while an archive is open and index < Count.
    TArZipItem* GetItem(int index) const;
    std::string ZipfileComment() const;

    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& value);

    // Makes later opens use type instead of detecting it (the setup never does this).
    void SetCompressionType(TArArchiveType type, bool force) {
        forcedType_ = type;
        forceType_ = force;
    }
    TArArchiveType ArchiveType() const { return archiveType_; }

    TArRequestDiskEvent OnRequestLastDisk;
    TArRequestNthDiskEvent OnRequestNthDisk;

protected:
    void DoSetFileName(const std::string& value) override;
    void InitArchive() override;

    std::string password_;
    TArArchiveType forcedType_ = TArArchiveType::atUnknown;
    bool forceType_ = false;
    TArArchiveType archiveType_ = TArArchiveType::atUnknown;
};

class TArCustomUnZipper : public TArCustomZipBrowser {
public:
    // Extracts the items matching mask below BaseDirectory (EArNoArchive when none is open).
    void ExtractFiles(const std::string& mask);
    void ExtractFilesEx(const std::string& mask, const std::string& exclusionMask);
    // Decodes the matching items without writing files; failures go to OnProcessItemFailure.
    void TestFiles(const std::string& mask);

    TArExtractOptions ExtractOptions() const { return extractOptions_; }
    void SetExtractOptions(TArExtractOptions options);
    uint8_t PasswordRetries() const { return passwordRetries_; }
    void SetPasswordRetries(uint8_t retries);

    TArConfirmOverwriteEvent OnConfirmOverwrite;
    TArNeedPasswordEvent OnNeedPassword;

protected:
    void InitArchive() override;
    // Tells the archive, before a run, what the caller's handlers allow (ParallelAllowed,
    // OverwriteNeedsQuestion).
    void PrepareRun();
    void DoConfirmOverwrite(std::string& name, bool& confirm);
    void DoNeedPassword(std::string& newPassword);

    TArExtractOptions extractOptions_ = eoCreateDirs;
    uint8_t passwordRetries_ = 3;
};

class TArUnZipper : public TArCustomUnZipper {};

}  // namespace archive
