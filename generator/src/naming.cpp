#include "naming.h"

#include <algorithm>
#include <iterator>

namespace keltrop {
namespace {

// Sorted, for binary search. C++20 keywords and alternative tokens, and the object-like macros
// that g++, clang++ or MinGW predefine without a leading '_' (linux, unix, i386, WIN32, WINNT)
// or that the C library defines in every program that includes it.
// clang-format off
const std::string_view avoided_names[] = {
    "BUFSIZ", "EOF", "EXIT_FAILURE", "EXIT_SUCCESS", "HUGE_VAL", "INFINITY", "NAN", "NULL",
    "RAND_MAX", "WIN32", "WINNT", "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand",
    "bitor", "bool", "break", "case", "catch", "char", "char16_t", "char32_t", "char8_t", "class",
    "co_await", "co_return", "co_yield", "compl", "concept", "const", "const_cast", "consteval",
    "constexpr", "constinit", "continue", "decltype", "default", "delete", "do", "double",
    "dynamic_cast", "else", "enum", "errno", "explicit", "export", "extern", "false", "float",
    "for", "friend", "goto", "i386", "if", "inline", "int", "linux", "long", "mutable", "namespace",
    "new", "noexcept", "not", "not_eq", "nullptr", "operator", "or", "or_eq", "private",
    "protected", "public", "register", "reinterpret_cast", "requires", "return", "short", "signed",
    "sizeof", "static", "static_assert", "static_cast", "stderr", "stdin", "stdout", "struct",
    "switch", "template", "this", "thread_local", "throw", "true", "try", "typedef", "typeid",
    "typename", "union", "unix", "unsigned", "using", "virtual", "void", "volatile", "wchar_t",
    "while", "xor", "xor_eq",
};
// clang-format on

// Namespaces at global scope that a program must not add to.
const std::string_view avoided_global_names[] = {"posix", "std"};

bool is_avoided(std::string_view id) {
    // Most names are ruled out by their first letter or their length without a search.
    constexpr std::string_view first_letters = "BEHINRWabcdefgilmnoprstuvwx";
    if (id.size() < 2 || id.size() > 16 || first_letters.find(id[0]) == std::string_view::npos) {
        return false;
    }
    return std::binary_search(std::begin(avoided_names), std::end(avoided_names), id);
}

struct IdentChars {
    bool of[256];
    constexpr IdentChars() : of() {
        for (int b = 0; b < 256; ++b) {
            of[b] = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                    b == '_';
        }
    }
};
constexpr IdentChars ident_chars;

bool is_ident_char(unsigned char b) {
    return ident_chars.of[b];
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_upper(char c) {
    return c >= 'A' && c <= 'Z';
}

void append_mapped(std::string& out, char c) {
    if (c == '_' && !out.empty() && out.back() == '_') {
        return;
    }
    out += c;
}

std::string finish(std::string id, bool global) {
    if (is_digit(id[0]) || (global && id[0] == '_')) {
        id.insert(0, global ? "x" : "_");
    } else if (id[0] == '_' && id.size() > 1 && is_upper(id[1])) {
        id.insert(0, "x");
    }
    if (is_avoided(id) ||
        (global && std::find(std::begin(avoided_global_names), std::end(avoided_global_names),
                             id) != std::end(avoided_global_names))) {
        id += '_';
    }
    return id;
}

} // namespace

bool is_plain_identifier(std::string_view name) {
    if (name.empty() || is_digit(name[0]) ||
        (name[0] == '_' && name.size() > 1 && is_upper(name[1]))) {
        return false;
    }
    char previous = 0;
    for (char c : name) {
        if (!is_ident_char(static_cast<unsigned char>(c)) || (c == '_' && previous == '_')) {
            return false;
        }
        previous = c;
    }
    return !is_avoided(name);
}

bool name_to_identifier(std::string_view name, std::string& identifier) {
    std::string id;
    id.reserve(name.size() + 2);
    for (char c : name) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80) {
            return false;
        }
        append_mapped(id, is_ident_char(b) ? c : '_');
    }
    identifier = finish(id.empty() ? std::string("_") : std::move(id), false);
    return true;
}

std::string file_to_identifier(std::string_view stem) {
    static const char hex[] = "0123456789ABCDEF";
    std::string id;
    for (char c : stem) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80) {
            id += 'x';
            id += hex[b >> 4];
            id += hex[b & 15];
        } else {
            append_mapped(id, is_ident_char(b) ? c : '_');
        }
    }
    return finish(id.empty() ? std::string("x") : std::move(id), true);
}

std::string include_guard(std::string_view stem) {
    std::string guard = "KELTROP_";
    for (char c : file_to_identifier(stem)) {
        append_mapped(guard, (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    }
    append_mapped(guard, '_');
    guard += 'H';
    return guard;
}

} // namespace keltrop
