#include "typing.h"

#include "quote.h"

#include <cstdlib>
#include <limits>
#include <string>

namespace keltrop {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != b[i]) {
            return false;
        }
    }
    return true;
}

// Chooses the smallest of int, unsigned int, long long, unsigned long long that holds the value.
ValueKind integer_kind(std::uint64_t magnitude, bool negative) {
    constexpr std::uint64_t int32_max = 0x7FFFFFFFu;
    constexpr std::uint64_t uint32_max = 0xFFFFFFFFu;
    constexpr std::uint64_t int64_max = 0x7FFFFFFFFFFFFFFFu;
    if (negative) {
        return magnitude <= int32_max + 1 ? ValueKind::Int : ValueKind::Int64;
    }
    if (magnitude <= int32_max) {
        return ValueKind::Int;
    }
    if (magnitude <= uint32_max) {
        return ValueKind::UInt;
    }
    return magnitude <= int64_max ? ValueKind::Int64 : ValueKind::UInt64;
}

enum class Number { No, Yes, OutOfRange };

Number decimal_integer(std::string_view s, Value& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i == s.size()) {
        return Number::No;
    }
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i])) {
            return Number::No;
        }
        const unsigned digit = static_cast<unsigned>(s[i] - '0');
        // Past 2^64 - 1 = 18446744073709551615 (no division: this runs for every digit).
        constexpr std::uint64_t tenth = 1844674407370955161u;
        if (magnitude > tenth || (magnitude == tenth && digit > 5)) {
            overflow = true;
        }
        magnitude = magnitude * 10 + digit;
    }
    constexpr std::uint64_t int64_min_magnitude = 0x8000000000000000u;
    if (overflow || (negative && magnitude > int64_min_magnitude)) {
        return Number::OutOfRange;
    }
    value.negative = negative && magnitude != 0;
    value.magnitude = magnitude;
    value.kind = integer_kind(magnitude, value.negative);
    return Number::Yes;
}

Number hex_integer(std::string_view s, Value& value) {
    if (s.size() < 3 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) {
        return Number::No;
    }
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (std::size_t i = 2; i < s.size(); ++i) {
        const int digit = hex_digit(s[i]);
        if (digit < 0) {
            return Number::No;
        }
        if (magnitude >> 60) {
            overflow = true;
        }
        magnitude = (magnitude << 4) | static_cast<unsigned>(digit);
    }
    if (overflow) {
        return Number::OutOfRange;
    }
    value.magnitude = magnitude;
    value.hex = true;
    value.text = s.substr(2);
    value.kind = integer_kind(magnitude, false);
    return Number::Yes;
}

// [+-]? (digits '.' digits? | '.' digits | digits) ([eE] [+-]? digits)?, with a point or an
// exponent. Out of range: a literal that is infinite or that rounds a non-zero value to zero as a
// double, which compilers warn about.
Number decimal_floating(std::string_view s, Value& value) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    const std::size_t mantissa_start = i;
    std::size_t int_digits = 0;    // without leading zeros
    std::size_t leading_zeros = 0; // zeros after the point before the first non-zero digit
    bool nonzero = false;
    bool any_digit = false;
    for (; i < s.size() && is_digit(s[i]); ++i) {
        any_digit = true;
        if (s[i] != '0' || nonzero) {
            nonzero = true;
            ++int_digits;
        }
    }
    bool point = false;
    if (i < s.size() && s[i] == '.') {
        point = true;
        ++i;
        for (; i < s.size() && is_digit(s[i]); ++i) {
            any_digit = true;
            if (!nonzero) {
                if (s[i] == '0') {
                    ++leading_zeros;
                } else {
                    nonzero = true;
                }
            }
        }
    }
    if (!any_digit || i == mantissa_start) {
        return Number::No;
    }
    bool exponent = false;
    long long exp_value = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        exponent = true;
        ++i;
        bool exp_negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            exp_negative = s[i] == '-';
            ++i;
        }
        if (i == s.size()) {
            return Number::No;
        }
        for (; i < s.size(); ++i) {
            if (!is_digit(s[i])) {
                return Number::No;
            }
            if (exp_value < 100000) {
                exp_value = exp_value * 10 + (s[i] - '0');
            }
        }
        if (exp_negative) {
            exp_value = -exp_value;
        }
    }
    if (i != s.size() || (!point && !exponent)) {
        return Number::No;
    }
    value.kind = ValueKind::Double;
    value.text = s[0] == '+' ? s.substr(1) : s;
    if (nonzero) {
        // Decimal exponent of the first significant digit; far from the limits no check is needed.
        const long long magnitude = int_digits > 0
                                        ? static_cast<long long>(int_digits) - 1 + exp_value
                                        : -static_cast<long long>(leading_zeros) - 1 + exp_value;
        if (magnitude > 300 || magnitude < -300) {
            const std::string copy(s);
            const double d = std::strtod(copy.c_str(), nullptr);
            if (d == 0.0 || d == std::numeric_limits<double>::infinity() ||
                d == -std::numeric_limits<double>::infinity()) {
                return Number::OutOfRange;
            }
        }
    }
    return Number::Yes;
}

} // namespace

bool type_value(std::string_view text, Value& value, std::string& error) {
    value = Value();
    if (!text.empty() && text[0] == '"') {
        const std::size_t last = text.rfind('"');
        if (last == 0) {
            error = "missing closing double quote";
            return false;
        }
        if (last != text.size() - 1) {
            error = "unexpected text after the closing double quote";
            return false;
        }
        value.kind = ValueKind::String;
        value.text = text.substr(1, last - 1);
    } else if (text.empty() ||
               !(is_digit(text[0]) || text[0] == '+' || text[0] == '-' || text[0] == '.' ||
                 text[0] == 't' || text[0] == 'T' || text[0] == 'f' || text[0] == 'F')) {
        value.kind = ValueKind::String;
        value.text = text;
    } else if (equals_ignoring_case(text, "true") || equals_ignoring_case(text, "false")) {
        value.kind = ValueKind::Bool;
        value.boolean = text.size() == 4;
        value.text = text;
    } else {
        Number n = hex_integer(text, value);
        if (n == Number::No) {
            n = decimal_integer(text, value);
        }
        if (n == Number::No) {
            n = decimal_floating(text, value);
        }
        if (n == Number::OutOfRange) {
            error = (value.kind == ValueKind::Double ? "number " : "integer ") + quote(text) +
                    (value.kind == ValueKind::Double ? " is out of the range of double"
                                                     : " does not fit in 64 bits") +
                    "; put it in double quotes to make it a string";
            return false;
        }
        if (n == Number::No) {
            value = Value();
            value.kind = ValueKind::String;
            value.text = text;
        }
    }
    if (value.kind == ValueKind::String && value.text.size() > max_string_length) {
        error = "string value is " + std::to_string(value.text.size()) +
                " bytes long; C++ compilers need to accept only " +
                std::to_string(max_string_length);
        return false;
    }
    return true;
}

} // namespace keltrop
