// Whether the bytes of a description file are GBK text as the setup expects, line by line.
#pragma once
#include <string>
#include <string_view>

namespace setupcheck::validate {

// True for a byte that starts a double-byte GBK character (0x81-0xFE).
inline bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Why a line is not GBK text; empty when it is. Text saved as UTF-8 is often valid GBK byte for byte (each
// three-byte character reads as one and a half GBK characters), so a line that reads as UTF-8 with a
// character of three or more bytes counts as UTF-8 too; so does a UTF-8 byte-order mark at the start of a file.
std::string GbkProblem(std::string_view line, bool firstLine);

}  // namespace setupcheck::validate
