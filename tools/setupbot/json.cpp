// Writing JSON values.
#include "setupbot/json.h"

#include <cstdio>

namespace setupbot {
namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when the bytes there are not one (overlong forms,
// surrogates and code points past U+10FFFF included).
size_t Utf8SequenceLength(const std::string& text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    if (length == 1) return 1;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string JsonQuote(const std::string& utf8) {
    std::string out = "\"";
    for (size_t i = 0; i < utf8.size();) {
        size_t length = Utf8SequenceLength(utf8, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(utf8, i, length);
            i += length;
            continue;
        }
        char c = utf8[i++];
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

Json& Json::Add(Json value) {
    items_.push_back(std::move(value));
    return items_.back();
}

Json& Json::Set(const std::string& key, Json value) {
    for (auto& member : members_)
        if (member.first == key) return member.second = std::move(value);
    members_.emplace_back(key, std::move(value));
    return members_.back().second;
}

std::string Json::Dump() const {
    std::string out;
    Write(out, 0);
    return out + "\n";
}

void Json::Write(std::string& out, int depth) const {
    // Line breaks only inside the top-level object and its arrays (depth 0 and 1).
    const char* breakBefore = depth == 0 ? "\n  " : depth == 1 ? "\n    " : "";
    const char* breakAfter = depth == 0 ? "\n" : depth == 1 ? "\n  " : "";
    switch (type_) {
    case Type::Null: out += "null"; break;
    case Type::Bool: out += bool_ ? "true" : "false"; break;
    case Type::Number: out += std::to_string(number_); break;
    case Type::String: out += JsonQuote(text_); break;
    case Type::Array:
        out += '[';
        for (size_t i = 0; i < items_.size(); ++i) {
            if (i) out += depth <= 1 ? "," : ", ";
            if (depth == 1) out += breakBefore;
            items_[i].Write(out, depth + 1);
        }
        if (depth == 1 && !items_.empty()) out += breakAfter;
        out += ']';
        break;
    case Type::Object:
        out += '{';
        for (size_t i = 0; i < members_.size(); ++i) {
            if (i) out += depth == 0 ? "," : ", ";
            if (depth == 0) out += breakBefore;
            out += JsonQuote(members_[i].first) + ": ";
            members_[i].second.Write(out, depth + 1);
        }
        if (depth == 0 && !members_.empty()) out += breakAfter;
        out += '}';
        break;
    }
}

}  // namespace setupbot
