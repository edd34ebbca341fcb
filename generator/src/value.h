// A typed value of the settings file, as the writer needs it to spell a C++ constant.
#pragma once

#include <cstdint>
#include <string_view>

namespace keltrop {

enum class ValueKind : std::uint8_t {
    String, // const char* const
    Bool,   // bool
    Int,    // int: fits 32-bit signed
    UInt,   // unsigned int: fits 32-bit unsigned only
    Int64,  // long long
    UInt64, // unsigned long long: fits 64-bit unsigned only
    Double, // double
};

struct Value {
    ValueKind kind = ValueKind::String;
    // String: the bytes of the value. Double: the literal as written, without a leading '+'.
    // Hex integers: the hex digits as written (without "0x").
    std::string_view text;
    std::uint64_t magnitude = 0; // integers: the absolute value
    bool negative = false;       // integers
    bool hex = false;            // integers given as 0x...
    bool boolean = false;        // Bool
};

// Whether the value needs a 64-bit type (and so cannot be compiled as C++98).
inline bool is_64_bit(ValueKind kind) {
    return kind == ValueKind::Int64 || kind == ValueKind::UInt64;
}

} // namespace keltrop
