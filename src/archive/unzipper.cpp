#include "archive/unzipper.h"

#include "archive/extract.h"
#include "archive/zip_directory.h"
#include "os/machine.h"

namespace archive {

TArBaseBrowser::TArBaseBrowser() = default;

TArBaseBrowser::~TArBaseBrowser() {
    SetArchiveProgressMeter(nullptr);
    SetItemProgressMeter(nullptr);
}

void TArBaseBrowser::CloseArchive() {
    if (!fileName_.empty()) SetFileName("");
}

void TArBaseBrowser::SetBaseDirectory(const std::string& value) {
    if (archive_) {
        archive_->SetBaseDirectory(value);
        baseDirectory_ = archive_->BaseDirectory();
    } else {
        baseDirectory_ = value;
    }
}

int TArBaseBrowser::Count() const { return archive_ ? archive_->GetItemCount() : 0; }

TArArchiveStatus TArBaseBrowser::Status() const { return archive_ ? archive_->Status : TArArchiveStatus::asInvalid; }

bool TArBaseBrowser::Spanned() const { return archive_ && archive_->Spanned; }

void TArBaseBrowser::SetArchiveProgressMeter(TArMeterLink* link) {
    if (archiveMeter_ && archiveMeter_ != itemMeter_) archiveMeter_->RemoveFreeNotification(this);
    archiveMeter_ = link;
    if (link) link->FreeNotification(this);
}

void TArBaseBrowser::SetItemProgressMeter(TArMeterLink* link) {
    if (itemMeter_ && itemMeter_ != archiveMeter_) itemMeter_->RemoveFreeNotification(this);
    itemMeter_ = link;
    if (link) link->FreeNotification(this);
}

void TArBaseBrowser::Notification(TArBaseComponent* component) {
    if (component == archiveMeter_) archiveMeter_ = nullptr;
    if (component == itemMeter_) itemMeter_ = nullptr;
}

void TArBaseBrowser::ResetMeters() {
    if (archiveMeter_) archiveMeter_->Reset();
    if (itemMeter_) itemMeter_->Reset();
}

void TArBaseBrowser::DoArchiveProgress(uint8_t progress, bool& abort) {
    abort = false;
    if (archiveMeter_) archiveMeter_->DoProgress(progress);
    if (OnArchiveProgress) OnArchiveProgress(this, progress, abort);
}

void TArBaseBrowser::DoArchiveItemProgress(TArArchiveItem* item, uint8_t progress, bool& abort) {
    abort = false;
    if (itemMeter_) itemMeter_->DoProgress(progress);
    if (OnArchiveItemProgress) OnArchiveItemProgress(this, item, progress, abort);
}

void TArBaseBrowser::DoConfirmProcessItem(TArArchiveItem* item, TArProcessType type, bool& confirm) {
    confirm = true;
    if (itemMeter_) itemMeter_->Reset();
    if (OnConfirmProcessItem) OnConfirmProcessItem(this, item, type, confirm);
}

void TArBaseBrowser::DoProcessItemFailure(TArArchiveItem* item, TArProcessType type, TArErrorClass errorClass,
                                          int code) {
    if (OnProcessItemFailure) OnProcessItemFailure(this, item, type, errorClass, code);
}

void TArBaseBrowser::DoLoad() {
    if (OnLoad) OnLoad(this);
}

void TArBaseBrowser::DoChange() {
    if (OnChange) OnChange(this);
}

void TArBaseBrowser::InitArchive() {
    ResetMeters();
    TArArchive& a = *archive_;
    a.Sender = this;
    a.SpanningThreshold = SpanningThreshold;
    a.LogFile = LogFile;
    a.Logging = Logging;
    a.TempDirectory = TempDirectory;
    a.OnArchiveProgress = [this](void*, uint8_t progress, bool& abort) { DoArchiveProgress(progress, abort); };
    a.OnArchiveItemProgress = [this](void*, TArArchiveItem* item, uint8_t progress, bool& abort) {
        DoArchiveItemProgress(item, progress, abort);
    };
    a.OnConfirmProcessItem = [this](void*, TArArchiveItem* item, TArProcessType type, bool& confirm) {
        DoConfirmProcessItem(item, type, confirm);
    };
    a.OnLoad = [this](void*) { DoLoad(); };
    a.OnProcessItemFailure = [this](void*, TArArchiveItem* item, TArProcessType type, TArErrorClass errorClass,
                                    int code) { DoProcessItemFailure(item, type, errorClass, code); };
    a.OnRequestImage = OnRequestImage;
    SetBaseDirectory(baseDirectory_);
}

TArZipItem* TArCustomZipBrowser::GetItem(int index) const {
    return static_cast<TArZipItem*>(archive_->GetItem(index));
}

std::string TArCustomZipBrowser::ZipfileComment() const {
    return archive_ ? static_cast<TArZipArchive*>(archive_.get())->Footer.Comment : std::string();
}

void TArCustomZipBrowser::SetPassword(const std::string& value) {
    password_ = value;
    if (archive_) archive_->Password = value;
}

void TArCustomZipBrowser::DoSetFileName(const std::string& value) {
    fileName_ = value;
    archive_.reset();  // an archive opened for reading has nothing to save
    if (!fileName_.empty()) {
        uint32_t attributes = os::files().getFileAttributes(fileName_);
        if (attributes != os::kInvalidAttributes && !(attributes & os::kAttrDirectory)) {
            TArArchiveType type = forceType_ ? forcedType_ : ArDetermineArcType(fileName_, TArArchiveType::atUnknown);
            switch (type) {
                case TArArchiveType::atZip:
                case TArArchiveType::atSpannedZip:
                case TArArchiveType::atSelfExtZip:
                    archive_ = std::make_unique<TArZipArchive>(fileName_, TArArchive::kOpenMode);
                    InitArchive();
                    archive_->Load();
                    archiveType_ = type;
                    break;
                default: throw EArUnhandledType();
            }
        }
    }
    DoChange();
}

void TArCustomZipBrowser::InitArchive() {
    TArBaseBrowser::InitArchive();
    TArArchive& a = *archive_;
    a.Password = password_;
    a.OnRequestLastDisk = OnRequestLastDisk;
    a.OnRequestNthDisk = OnRequestNthDisk;
}

void TArCustomUnZipper::InitArchive() {
    TArCustomZipBrowser::InitArchive();
    TArArchive& a = *archive_;
    a.ExtractOptions = extractOptions_;
    a.PasswordRetries = passwordRetries_;
    a.OnConfirmOverwrite = [this](std::string& name, bool& confirm) { DoConfirmOverwrite(name, confirm); };
    a.OnNeedPassword = [this](void*, std::string& password) { DoNeedPassword(password); };
    a.ExtractProc = [](TArArchive& archive, TArArchiveItem& item, const std::string& name) {
        ArUnzip(archive, item, name);
    };
    a.ExtractToStreamProc = [](TArArchive& archive, TArArchiveItem& item, rtl::TStream* stream) {
        ArUnzipToStream(archive, item, stream);
    };
    a.TestProc = [](TArArchive& archive, TArArchiveItem& item) { ArTestItem(archive, item); };
}

void TArCustomUnZipper::DoConfirmOverwrite(std::string& name, bool& confirm) {
    confirm = true;
    if (OnConfirmOverwrite) OnConfirmOverwrite(name, confirm);
}

void TArCustomUnZipper::DoNeedPassword(std::string& newPassword) {
    if (!OnNeedPassword) return;
    OnNeedPassword(this, newPassword);
    SetPassword(newPassword);
}

void TArCustomUnZipper::ExtractFiles(const std::string& mask) { ExtractFilesEx(mask, ""); }

void TArCustomUnZipper::ExtractFilesEx(const std::string& mask, const std::string& exclusionMask) {
    if (!archive_) throw EArNoArchive();
    PrepareRun();
    archive_->ExtractFilesEx(mask, exclusionMask);
}

void TArCustomUnZipper::TestFiles(const std::string& mask) {
    if (!archive_) throw EArNoArchive();
    PrepareRun();
    archive_->TestFilesEx(mask);
}

void TArCustomUnZipper::PrepareRun() {
    // Without the caller's handlers every item is confirmed, every overwrite allowed and no password
    // offered, so what an item gives does not depend on the items before it.
    archive_->ParallelAllowed = !OnConfirmProcessItem && !OnConfirmOverwrite && !OnNeedPassword;
    archive_->OverwriteNeedsQuestion = static_cast<bool>(OnConfirmOverwrite);
}

void TArCustomUnZipper::SetExtractOptions(TArExtractOptions options) {
    extractOptions_ = options;
    if (archive_) archive_->ExtractOptions = options;
}

void TArCustomUnZipper::SetPasswordRetries(uint8_t retries) {
    passwordRetries_ = retries;
    if (archive_) archive_->PasswordRetries = retries;
}

}  // namespace archive
