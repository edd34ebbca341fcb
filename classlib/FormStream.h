// The binary form-description format ("TPF0" stream): a value model, a bounds-checked reader
// and a writer. Portable, so the form compiler and the unit tests use the same code.
#pragma once

#include "SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

struct TFormProperty;

// One property value. Which members are meaningful depends on Type:
//  integers -> Int; vaExtended/vaSingle/vaDouble/vaDate/vaCurrency -> Float;
//  vaString/vaLString/vaIdent/vaUTF8String/vaBinary -> Bytes; vaWString -> Wide;
//  vaSet -> Items (identifiers); vaList -> List; vaCollection -> Collection.
struct TFormValue {
    TValueType Type = TValueType::vaNull;
    std::int64_t Int = 0;
    double Float = 0;
    std::string Bytes;
    std::u16string Wide;
    std::vector<std::string> Items;
    std::vector<TFormValue> List;
    std::vector<std::vector<TFormProperty>> Collection;

    bool IsInteger() const;
    bool IsString() const; // any of the string types, wide included
};

struct TFormProperty {
    std::string Name; // dotted path as stored, e.g. "Font.Height"
    TFormValue Value;
    std::size_t Offset = 0; // of the property's name in the stream, for messages
};

struct TFormObject {
    std::string ClassName; // "TMemo"
    std::string Name;      // "Memo1"
    std::uint8_t Flags = 0;
    int Position = -1; // child position when Flags has the child-position bit
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
    std::size_t Offset = 0;
};

// Components and lists nest at most this deep; the reader refuses deeper input so that crafted
// streams cannot exhaust the stack, and the writer refuses to produce it.
constexpr int kFormStreamMaxDepth = 64;

// A tree that the binary format cannot represent (a name over 255 bytes, an empty set element, a
// value of type vaNull, ...).
class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// Parses a whole stream, signature included. Throws EReadError naming what was wrong and the byte
// offset; never reads outside [data, data + size).
TFormObject ReadFormStream(const void* data, std::size_t size);

// Writes a stream that ReadFormStream reads back to an equal tree. Integers take the smallest of
// vaInt8..vaInt64 that holds them and vaString/vaLString are chosen by length; every other value
// keeps its type. Throws EWriteError for a tree the format cannot hold.
std::vector<std::uint8_t> WriteFormStream(const TFormObject& root);

// The 10-byte x87 extended format, little-endian. Decoding rounds to the nearest double (values
// beyond its range become infinite); encoding is exact.
double DecodeExtended80(const std::uint8_t bytes[10]);
void EncodeExtended80(double value, std::uint8_t bytes[10]);
