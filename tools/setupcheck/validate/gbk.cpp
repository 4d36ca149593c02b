// GBK and UTF-8 byte rules: GBK pairs a lead byte 0x81-0xFE with a trail byte 0x40-0x7E or 0x80-0xFE;
// 0x80 alone is the euro sign; 0xFF is never used.
#include "setupcheck/validate/gbk.h"

#include <cstdio>

namespace setupcheck::validate {

namespace {

bool IsGbkTrailByte(unsigned char byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE); }

// True when text is well-formed UTF-8 holding at least one character of three or more bytes.
bool LooksLikeUtf8(std::string_view text) {
    bool wide = false;
    for (size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                                                                  : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        if (length >= 3) wide = true;
        i += length;
    }
    return wide;
}

}  // namespace

std::string GbkProblem(std::string_view line, bool firstLine) {
    if (firstLine && line.substr(0, 3) == "\xEF\xBB\xBF") return "starts with a UTF-8 byte-order mark";
    for (size_t i = 0; i < line.size(); ++i) {
        auto c = static_cast<unsigned char>(line[i]);
        if (c == 0xFF || (IsGbkLeadByte(c) && (i + 1 >= line.size() || !IsGbkTrailByte(static_cast<unsigned char>(line[i + 1]))))) {
            char text[64];
            std::snprintf(text, sizeof text, "byte 0x%02X at column %zu is no GBK character", c, i + 1);
            return text;
        }
        if (IsGbkLeadByte(c)) ++i;
    }
    if (LooksLikeUtf8(line)) return "the text is UTF-8";
    return {};
}

}  // namespace setupcheck::validate
