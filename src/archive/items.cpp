#include "archive/items.h"

#include "os/machine.h"
#include "rtl/strings.h"

namespace archive {

std::string TArZipItem::GetFileName() const {
    if (os::codePage().areFileApisAnsi()) return os::codePage().oemToAnsi(Header.FileName);
    return Header.FileName;
}

TArZipDeflationOption TArZipItem::DeflationOption() const {
    if (CompressionMethod() != 8) return TArZipDeflationOption::doInvalid;
    switch ((Header.GeneralPurposeBitFlag >> 1) & 3) {
        case 0: return TArZipDeflationOption::doNormal;
        case 1: return TArZipDeflationOption::doMaximum;
        case 2: return TArZipDeflationOption::doFast;
        default: return TArZipDeflationOption::doSuperFast;
    }
}

TArZipDictionarySize TArZipItem::DictionarySize() const {
    if (CompressionMethod() != 6) return TArZipDictionarySize::dsInvalid;
    return (Header.GeneralPurposeBitFlag & 2) ? TArZipDictionarySize::ds8K : TArZipDictionarySize::ds4K;
}

int TArZipItem::ShannonFanoTreeCount() const {
    if (CompressionMethod() != 6) return 0;
    return (Header.GeneralPurposeBitFlag & 4) ? 3 : 2;
}

uint32_t TArArchiveList::BucketOf(const std::string& name) {
    uint32_t h = 0;
    for (char c : rtl::AnsiUpperCase(name)) {
        h = (h << 4) + static_cast<uint8_t>(c);
        uint32_t g = h & 0xF0000000u;
        if (g) h ^= g >> 24;
        h &= ~g;
    }
    return h % kBuckets;
}

void TArArchiveList::Add(std::unique_ptr<TArArchiveItem> item) {
    uint32_t bucket = BucketOf(item->GetFileName());
    item->NextInBucket = buckets_[bucket];
    buckets_[bucket] = item.get();
    items_.push_back(std::move(item));
}

TArArchiveItem* TArArchiveList::Find(const std::string& name) const {
    std::string wanted = rtl::AnsiUpperCase(name);
    for (TArArchiveItem* item = buckets_[BucketOf(name)]; item; item = item->NextInBucket)
        if (rtl::AnsiUpperCase(item->GetFileName()) == wanted) return item;
    return nullptr;
}

void TArArchiveList::Clear() {
    items_.clear();
    for (auto& bucket : buckets_) bucket = nullptr;
}

bool ArPatternMatch(const std::string& text, const std::string& pattern) {
    if (text.empty()) return pattern.empty();
    if (pattern == "*" || pattern == "*.*") return true;
    size_t t = 0, p = 0;
    // Backtracking over the last '*': on a mismatch, let that '*' swallow one more character.
    size_t starPattern = std::string::npos, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            if (p + 1 == pattern.size()) return true;  // a final '*' takes the rest at once
            starPattern = p++;
            starText = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool ArFileMatch(const std::string& name, const std::string& pattern) {
    std::string upperName = rtl::UpperCaseAscii(name);
    std::string upperPattern = rtl::UpperCaseAscii(pattern);
    std::string patternDirectory = rtl::ExtractFilePath(upperPattern);
    if (!patternDirectory.empty() && !ArPatternMatch(rtl::ExtractFilePath(upperName), patternDirectory)) return false;
    return ArPatternMatch(rtl::ExtractFileName(upperName), rtl::ExtractFileName(upperPattern));
}

bool TArArchiveItem::MatchesStoredName(const std::string& pattern) const {
    std::string p = rtl::SlashesToBackslashes(pattern);
    // Drop a drive ("C:\") or the server and share of a network path.
    size_t colon = p.find(":\\");
    if (colon != std::string::npos) {
        p = p.substr(colon + 2);
    } else if (p.rfind("\\\\", 0) == 0) {
        std::string drive = rtl::ExtractFileDrive(p);
        p = p.substr(drive.size());
        if (!p.empty() && p[0] == '\\') p.erase(0, 1);
    }
    return ArFileMatch(rtl::SlashesToBackslashes(GetFileName()), p);
}

bool TArArchiveItem::MatchesStoredNameEx(const std::string& masks) const {
    size_t start = 0;
    while (start <= masks.size()) {
        size_t end = masks.find(';', start);
        if (end == std::string::npos) end = masks.size();
        std::string part = rtl::Trim(std::string_view(masks).substr(start, end - start));
        if (!part.empty() && MatchesStoredName(part)) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace archive
