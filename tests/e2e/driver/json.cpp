#include "json.h"

#include <cstdio>
#include <cstdlib>

namespace json {
namespace {

class Parser {
public:
    explicit Parser(const std::string& t) : t_(t) {}

    bool object(Object& out) {
        ws();
        if (!eat('{'))
            return fail("expected '{'");
        ws();
        if (eat('}'))
            return end();
        for (;;) {
            ws();
            std::wstring wkey;
            if (!string(wkey))
                return false;
            std::string k(wkey.begin(), wkey.end());
            ws();
            if (!eat(':'))
                return fail("expected ':'");
            ws();
            Value v;
            if (!value(v))
                return false;
            out[k] = std::move(v);
            ws();
            if (eat(','))
                continue;
            if (eat('}'))
                return end();
            return fail("expected ',' or '}'");
        }
    }

    std::string error;

private:
    bool end() {
        ws();
        return pos_ == t_.size() ? true : fail("trailing characters");
    }

    bool value(Value& v) {
        if (pos_ >= t_.size())
            return fail("unexpected end");
        char c = t_[pos_];
        if (c == '"') {
            v.kind = Value::String;
            return string(v.str);
        }
        if (c == '[') {
            ++pos_;
            v.kind = Value::Array;
            ws();
            if (eat(']'))
                return true;
            for (;;) {
                ws();
                std::wstring item;
                if (!string(item))
                    return fail("arrays hold strings only");
                v.items.push_back(std::move(item));
                ws();
                if (eat(','))
                    continue;
                if (eat(']'))
                    return true;
                return fail("expected ',' or ']'");
            }
        }
        if (literal("true")) {
            v.kind = Value::Bool;
            v.b = true;
            return true;
        }
        if (literal("false")) {
            v.kind = Value::Bool;
            return true;
        }
        if (literal("null"))
            return true;
        if (c == '-' || (c >= '0' && c <= '9')) {
            const char* start = t_.c_str() + pos_;
            char* stop = nullptr;
            v.num = std::strtod(start, &stop);
            if (stop == start)
                return fail("bad number");
            v.integer = static_cast<long long>(v.num);
            // Integers beyond double precision (handles, lparams) must survive exactly.
            bool integral = true;
            for (const char* q = start; q < stop; ++q)
                if (*q == '.' || *q == 'e' || *q == 'E')
                    integral = false;
            if (integral)
                v.integer = std::strtoll(start, nullptr, 10);
            pos_ += static_cast<size_t>(stop - start);
            v.kind = Value::Number;
            return true;
        }
        return fail("unexpected character");
    }

    bool string(std::wstring& out) {
        if (!eat('"'))
            return fail("expected string");
        while (pos_ < t_.size()) {
            unsigned char c = static_cast<unsigned char>(t_[pos_++]);
            if (c == '"')
                return true;
            if (c == '\\') {
                if (pos_ >= t_.size())
                    break;
                char e = t_[pos_++];
                switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += static_cast<wchar_t>(e);
                    break;
                case 'b':
                    out += L'\b';
                    break;
                case 'f':
                    out += L'\f';
                    break;
                case 'n':
                    out += L'\n';
                    break;
                case 'r':
                    out += L'\r';
                    break;
                case 't':
                    out += L'\t';
                    break;
                case 'u': {
                    if (pos_ + 4 > t_.size())
                        return fail("short \\u escape");
                    unsigned v = 0;
                    for (int i = 0; i < 4; ++i) {
                        char h = t_[pos_++];
                        v <<= 4;
                        if (h >= '0' && h <= '9')
                            v |= static_cast<unsigned>(h - '0');
                        else if (h >= 'a' && h <= 'f')
                            v |= static_cast<unsigned>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F')
                            v |= static_cast<unsigned>(h - 'A' + 10);
                        else
                            return fail("bad \\u escape");
                    }
                    out += static_cast<wchar_t>(v);
                    break;
                }
                default:
                    return fail("bad escape");
                }
                continue;
            }
            if (c < 0x80) {
                out += static_cast<wchar_t>(c);
                continue;
            }
            // UTF-8 sequence: decode to one code point, then to UTF-16.
            int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
            if (extra < 0 || pos_ + static_cast<size_t>(extra) > t_.size())
                return fail("bad UTF-8");
            unsigned cp = c & (0x3F >> extra);
            for (int i = 0; i < extra; ++i) {
                unsigned char k = static_cast<unsigned char>(t_[pos_++]);
                if ((k & 0xC0) != 0x80)
                    return fail("bad UTF-8");
                cp = (cp << 6) | (k & 0x3F);
            }
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (cp >> 10));
                out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            } else {
                out += static_cast<wchar_t>(cp);
            }
        }
        return fail("unterminated string");
    }

    bool literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (t_.compare(pos_, n, word) == 0) {
            pos_ += n;
            return true;
        }
        return false;
    }
    void ws() {
        while (pos_ < t_.size() &&
               (t_[pos_] == ' ' || t_[pos_] == '\t' || t_[pos_] == '\r' || t_[pos_] == '\n'))
            ++pos_;
    }
    bool eat(char c) {
        if (pos_ < t_.size() && t_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool fail(const char* what) {
        error = std::string(what) + " at offset " + std::to_string(pos_);
        return false;
    }

    const std::string& t_;
    size_t pos_ = 0;
};

void escape_unit(std::string& out, unsigned u) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", u);
    out += buf;
}

} // namespace

bool parse_object(const std::string& text, Object& out, std::string& error) {
    Parser p(text);
    if (p.object(out))
        return true;
    error = p.error;
    return false;
}

std::string quote(const std::wstring& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned u = static_cast<unsigned short>(text[i]);
        unsigned cp = u;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size()) {
            unsigned lo = static_cast<unsigned short>(text[i + 1]);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                cp = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            escape_unit(out, cp);
        } else if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x20 || cp == 0x7F) {
            escape_unit(out, cp);
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out + "\"";
}

std::string quote(const std::string& ascii) {
    return quote(std::wstring(ascii.begin(), ascii.end()));
}

Builder& Builder::key(const char* name) {
    if (!first_)
        text_ += ",";
    first_ = false;
    text_ += quote(std::string(name));
    text_ += ":";
    return *this;
}
Builder& Builder::num(const char* name, long long v) {
    key(name);
    text_ += std::to_string(v);
    return *this;
}
Builder& Builder::real(const char* name, double v) {
    key(name);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    text_ += buf;
    return *this;
}
Builder& Builder::boolean(const char* name, bool v) {
    key(name);
    text_ += v ? "true" : "false";
    return *this;
}
Builder& Builder::str(const char* name, const std::wstring& v) {
    key(name);
    text_ += quote(v);
    return *this;
}
Builder& Builder::str(const char* name, const std::string& v) {
    key(name);
    text_ += quote(v);
    return *this;
}
Builder& Builder::raw(const char* name, const std::string& json) {
    key(name);
    text_ += json;
    return *this;
}
Builder& Builder::null(const char* name) {
    key(name);
    text_ += "null";
    return *this;
}

} // namespace json
