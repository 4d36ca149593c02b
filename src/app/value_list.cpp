// Field reader of the description's value lists.
#include "app/value_list.h"

#include <climits>

namespace app {

std::string ValueList::Text() {
    size_t comma = rest_.find(',');
    if (comma == std::string::npos) return {};
    std::string field = rest_.substr(0, comma);
    rest_.erase(0, comma + 1);
    return field;
}

int ValueList::Number() { return ParseLeadingInt(Text()); }

std::string ValueList::Last() {
    std::string field;
    field.swap(rest_);
    return field;
}

int ParseLeadingInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    // No sign: "-1" has no leading digit and reads as 0, like any other non-digit.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            break;
        }
    }
    return static_cast<int>(value);
}

}  // namespace app
