// Archive items and the ordered, hashed item list. A TArZipItem is one central-directory entry; its
// getters read the header it owns.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/types.h"
#include "archive/zip_records.h"

namespace archive {

class TArArchiveItem {
public:
    virtual ~TArArchiveItem() = default;

    virtual uint32_t GetCompressedSize() const = 0;
    virtual uint32_t GetCRC32() const = 0;
    virtual uint32_t GetExternalFileAttributes() const = 0;
    virtual std::string GetFileName() const = 0;
    virtual bool GetIsEncrypted() const = 0;
    virtual uint16_t GetLastModFileDate() const = 0;
    virtual uint16_t GetLastModFileTime() const = 0;
    virtual uint32_t GetUncompressedSize() const = 0;
    virtual void SetCompressedSize(uint32_t value) = 0;
    virtual void SetCRC32(uint32_t value) = 0;
    virtual void SetExternalFileAttributes(uint32_t value) = 0;
    virtual void SetFileName(const std::string& value) = 0;
    virtual void SetIsEncrypted(bool value) { isEncrypted_ = value; }
    virtual void SetLastModFileDate(uint16_t value) = 0;
    virtual void SetLastModFileTime(uint16_t value) = 0;
    virtual void SetUncompressedSize(uint32_t value) = 0;

    // True when one of the ';'-separated patterns of masks matches the stored name; an empty mask list
    // matches nothing.
    bool MatchesStoredNameEx(const std::string& masks) const;
    // One pattern against the stored name (drive parts of the pattern are ignored, case is ignored).
    bool MatchesStoredName(const std::string& pattern) const;

    TArArchiveAction Action = TArArchiveAction::aaNone;
    bool Tagged = false;
    std::string DiskFileName;  // FileName with '/' turned into '\'
    TArArchiveItem* NextInBucket = nullptr;

protected:
    bool isEncrypted_ = false;
};

class TArZipItem : public TArArchiveItem {
public:
    uint32_t GetCompressedSize() const override { return Header.CompressedSize; }
    uint32_t GetCRC32() const override { return Header.CRC32; }
    uint32_t GetExternalFileAttributes() const override { return Header.ExternalFileAttributes; }
    // The stored name, converted from the OEM code page when the file functions use the ANSI one.
    std::string GetFileName() const override;
    bool GetIsEncrypted() const override { return Header.IsEncrypted(); }
    uint16_t GetLastModFileDate() const override { return Header.LastModFileDate; }
    uint16_t GetLastModFileTime() const override { return Header.LastModFileTime; }
    uint32_t GetUncompressedSize() const override { return Header.UncompressedSize; }
    void SetCompressedSize(uint32_t value) override { Header.CompressedSize = value; }
    void SetCRC32(uint32_t value) override { Header.CRC32 = value; }
    void SetExternalFileAttributes(uint32_t value) override { Header.ExternalFileAttributes = value; }
    void SetFileName(const std::string& value) override { Header.FileName = value; }
    void SetLastModFileDate(uint16_t value) override { Header.LastModFileDate = value; }
    void SetLastModFileTime(uint16_t value) override { Header.LastModFileTime = value; }
    void SetUncompressedSize(uint32_t value) override { Header.UncompressedSize = value; }

    uint8_t CompressionMethod() const { return static_cast<uint8_t>(Header.CompressionMethod & 0xFF); }
    TArZipDeflationOption DeflationOption() const;
    TArZipDictionarySize DictionarySize() const;
    int ShannonFanoTreeCount() const;

    TArZipDirectoryFileHeader Header;
};

// Items in central-directory order, with a 1021-bucket hash of the upper-cased names beside them.
class TArArchiveList {
public:
    static constexpr uint32_t kBuckets = 1021;

    void Add(std::unique_ptr<TArArchiveItem> item);
    int Count() const { return static_cast<int>(items_.size()); }
    TArArchiveItem* Get(int index) const { return items_[static_cast<size_t>(index)].get(); }
    // The first item (in the bucket chain) whose name equals name, ignoring case; null when none.
    TArArchiveItem* Find(const std::string& name) const;
    void Clear();

    // PJW/ELF hash of the upper-cased name, modulo the bucket count.
    static uint32_t BucketOf(const std::string& name);

private:
    std::vector<std::unique_ptr<TArArchiveItem>> items_;
    TArArchiveItem* buckets_[kBuckets] = {};
};

// ArPatternMatch: '?' is one character, '*' any run; "*" and "*.*" match every non-empty text.
bool ArPatternMatch(const std::string& text, const std::string& pattern);
// ArFileMatch: ASCII-case-insensitive match of a name against a pattern, directory parts first.
bool ArFileMatch(const std::string& name, const std::string& pattern);

}  // namespace archive
