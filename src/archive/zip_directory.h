// Recognising an archive file's kind and finding the end of its ZIP central directory.
#pragma once
#include <cstdint>
#include <string>

#include "archive/types.h"
#include "rtl/streams.h"

namespace archive {

// The kind of the named file. With an asserted type other than atUnknown, an existing file is checked
// with that kind's verifier (atSpannedZip has none and gives atUnknown) and a missing one keeps the
// asserted type. Otherwise the upper-cased extension picks the verifier for a non-empty file (".EXE"
// self-extracting, ".DAT" ZIP; any other extension, ".ZIP" too, gives atUnknown) and alone decides for a
// missing or empty one (".DAT" -> atZip). TAR, gzip and cabinet archives are not read: their verifiers
// give atUnknown.
TArArchiveType ArDetermineArcType(const std::string& fileName, TArArchiveType asserted);

// atSpannedZip when the stream starts with a spanned-set signature, atZip when an end record is found,
// atSpannedZip again for a stream that starts with a local header but has no end record (its end record
// must be on a later volume), else atUnknown. The stream position is restored.
TArArchiveType VerifyZip(rtl::TStream& stream);
// atSelfExtZip for an "MZ" file that VerifyZip takes as a ZIP archive, else atUnknown.
TArArchiveType VerifySelfExtracting(rtl::TStream& stream);

// The position of the end of central directory record, with the stream positioned there; -1 (and the
// position restored) when there is none. The last 22 bytes are tried first; then the stream is searched
// backwards in windows of 512 bytes doubling up to 64 KB. A candidate qualifies when its signature is
// right and its comment fits before the end of the stream.
int64_t FindCentralDirectoryTail(rtl::TStream& stream);

}  // namespace archive
