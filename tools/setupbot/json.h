// A small JSON value for the robot's report: built in memory, written once. Strings are UTF-8; bytes that
// are not valid UTF-8 are written as U+FFFD so the document always parses.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace setupbot {

class Json {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    Json() = default;
    Json(bool value) : type_(Type::Bool), bool_(value) {}
    Json(int value) : type_(Type::Number), number_(value) {}
    Json(long long value) : type_(Type::Number), number_(value) {}
    Json(const char* text) : type_(Type::String), text_(text) {}
    Json(std::string text) : type_(Type::String), text_(std::move(text)) {}
    static Json Array() { return Json(Type::Array); }
    static Json Object() { return Json(Type::Object); }

    // Arrays: appends. Objects: sets a member; members keep the order they were first set in.
    Json& Add(Json value);
    Json& Set(const std::string& key, Json value);
    size_t Size() const { return type_ == Type::Array ? items_.size() : members_.size(); }

    // Compact text, except that each member of the top-level object and each element of its arrays
    // starts a line, which keeps reports readable and diffable.
    std::string Dump() const;

private:
    explicit Json(Type type) : type_(type) {}
    void Write(std::string& out, int depth) const;

    Type type_ = Type::Null;
    bool bool_ = false;
    long long number_ = 0;
    std::string text_;
    std::vector<Json> items_;
    std::vector<std::pair<std::string, Json>> members_;
};

// The quoted JSON string for UTF-8 text: quotes, backslashes and control characters escaped, invalid
// UTF-8 replaced by U+FFFD.
std::string JsonQuote(const std::string& utf8);

}  // namespace setupbot
