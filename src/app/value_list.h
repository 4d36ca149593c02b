// Reader of the comma-separated value lists of the setup description ("Base,1,base.bmp,,2,a.zip,,b.zip,bin"),
// taken field by field from the left.
#pragma once
#include <string>
#include <string_view>

namespace app {

class ValueList {
public:
    explicit ValueList(std::string_view text) : rest_(text) {}

    // The next field: the text up to the first ',', which is consumed with it. When no ',' remains the
    // field comes out empty and the remaining text stays as it is (a short list fills its early fields
    // with nothing and leaves its text to the last field).
    std::string Text();
    // The next field read as a leading decimal integer (see ParseLeadingInt); 0 when no ',' remains.
    int Number();
    // The last field: all the remaining text, commas included. Nothing remains afterwards.
    std::string Last();

    // The text not yet taken.
    const std::string& Rest() const { return rest_; }
    bool Empty() const { return rest_.empty(); }

private:
    std::string rest_;
};

// A leading decimal integer: blanks skipped, digits up to the first non-digit; no digits give 0, and a sign
// is a non-digit ("-1" is 0). Values beyond the int range saturate.
int ParseLeadingInt(std::string_view text);

}  // namespace app
