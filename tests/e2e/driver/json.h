// Just enough JSON for the driver's line protocol: requests are flat objects whose values are
// strings, numbers, booleans, null or arrays of strings; replies are built as text.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace json {

struct Value {
    enum Kind { Null, Bool, Number, String, Array } kind = Null;
    bool b = false;
    double num = 0;
    long long integer = 0;
    std::wstring str;
    std::vector<std::wstring> items;
};

using Object = std::map<std::string, Value>;

// Parses one request line; returns false and sets error on malformed input.
bool parse_object(const std::string& text, Object& out, std::string& error);

// Escapes UTF-16 text into a quoted JSON string; valid code points leave as UTF-8 bytes, lone
// surrogates as \u escapes so that nothing read from a window is lost on the way.
std::string quote(const std::wstring& text);
std::string quote(const std::string& ascii);

class Builder {
public:
    Builder& key(const char* name);
    Builder& num(const char* name, long long v);
    Builder& real(const char* name, double v);
    Builder& boolean(const char* name, bool v);
    Builder& str(const char* name, const std::wstring& v);
    Builder& str(const char* name, const std::string& v);
    Builder& raw(const char* name, const std::string& json);
    Builder& null(const char* name);
    std::string done() const { return text_ + "}"; }

private:
    std::string text_ = "{";
    bool first_ = true;
};

} // namespace json
