#include "FormText.h"

#include <charconv>
#include <limits>
#include <cstdio>
#include <map>

namespace {

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || IsDigit(c);
}
int HexDigit(char c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool SameText(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return i == a.size() && !b[i];
}

struct Where {
    int Line = 1;
    int Col = 1;
};

class Parser {
public:
    Parser(const std::string& text, const std::string& fileName) : s_(text), file_(fileName) {}

    TFormObject File() {
        Skip();
        TFormObject root = Object(0);
        Skip();
        if (pos_ < s_.size())
            Fail(Here(), "text after the root component's 'end'");
        return root;
    }

private:
    [[noreturn]] void Fail(Where at, const std::string& msg) const {
        throw EFormTextError(file_ + ":" + std::to_string(at.Line) + ":" + std::to_string(at.Col) +
                             ": " + msg);
    }

    Where Here() const { return where_; }
    char Cur() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
    char At(std::size_t ahead) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
    bool AtEnd() const { return pos_ >= s_.size(); }

    void Advance() {
        if (s_[pos_] == '\n') {
            ++where_.Line;
            where_.Col = 1;
        } else {
            ++where_.Col;
        }
        ++pos_;
    }

    void CheckAscii() const {
        const unsigned char c = static_cast<unsigned char>(Cur());
        if (c >= 0x80) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "0x%02X", c);
            Fail(Here(),
                 std::string("non-ASCII byte ") + buf + " (write such characters as #nnn codes)");
        }
    }

    void Skip() {
        while (!AtEnd()) {
            const char c = Cur();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                Advance();
            else
                break;
        }
        if (!AtEnd())
            CheckAscii();
    }

    std::string Describe() const {
        if (AtEnd())
            return "end of file";
        const char c = Cur();
        if (c < ' ' || c == 0x7F) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "character 0x%02X", unsigned(c));
            return buf;
        }
        if (IsIdentStart(c)) {
            std::size_t e = pos_;
            while (e < s_.size() && (IsIdentChar(s_[e]) || s_[e] == '.'))
                ++e;
            return "'" + s_.substr(pos_, e - pos_) + "'";
        }
        return std::string("'") + c + "'";
    }

    void Expect(char c, const std::string& context) {
        Skip();
        if (Cur() != c)
            Fail(Here(), std::string("expected '") + c + "' " + context + ", found " + Describe());
        Advance();
    }

    // Letters, digits and '_', with dotted parts when allowed ("Font.Height").
    std::string Ident(bool dotted, const std::string& what) {
        Skip();
        if (!IsIdentStart(Cur()))
            Fail(Here(), "expected " + what + ", found " + Describe());
        const std::size_t start = pos_;
        for (;;) {
            while (IsIdentChar(Cur()))
                Advance();
            if (!dotted || Cur() != '.')
                break;
            if (!IsIdentStart(At(1))) {
                Advance();
                Fail(Here(), "expected a name after '.'");
            }
            Advance();
        }
        return s_.substr(start, pos_ - start);
    }

    bool PeekKeyword(const char* word) {
        Skip();
        std::size_t e = pos_;
        while (e < s_.size() && IsIdentChar(s_[e]))
            ++e;
        return e > pos_ && SameText(s_.substr(pos_, e - pos_), word) &&
               (e == s_.size() || s_[e] != '.');
    }

    bool PeekObjectKeyword() {
        return PeekKeyword("object") || PeekKeyword("inherited") || PeekKeyword("inline");
    }

    TFormObject Object(int depth) {
        if (++depth > kFormStreamMaxDepth)
            Fail(Here(), "components nested deeper than " + std::to_string(kFormStreamMaxDepth));
        TFormObject obj;
        const Where start = Here();
        if (!PeekObjectKeyword())
            Fail(Here(), "expected 'object', found " + Describe());
        const std::string keyword = Ident(false, "'object'");
        if (SameText(keyword, "inherited"))
            obj.Flags = 1;
        else if (SameText(keyword, "inline"))
            obj.Flags = 4;

        const Where nameAt = (Skip(), Here());
        std::string first = Ident(false, "a component name");
        Skip();
        if (Cur() == ':') {
            Advance();
            obj.Name = std::move(first);
            obj.ClassName = Ident(false, "a class name after ':'");
        } else {
            obj.ClassName = std::move(first); // unnamed component
        }
        Skip();
        if (Cur() == '[') {
            Advance();
            Skip();
            const Where at = Here();
            const TFormValue v = Number(false);
            if (!v.IsInteger() || v.Int < 0 || v.Int > 0x7FFFFFFF)
                Fail(at, "child position must be a non-negative integer");
            obj.Flags |= 2;
            obj.Position = int(v.Int);
            Expect(']', "after the child position");
        }
        if (obj.Name.size() > 255 || obj.ClassName.size() > 255)
            Fail(nameAt, "names are limited to 255 characters");
        if (!obj.Name.empty()) {
            const auto seen = names_.emplace(obj.Name, nameAt);
            if (!seen.second)
                Fail(nameAt, "duplicate component name '" + obj.Name + "' (first at line " +
                                 std::to_string(seen.first->second.Line) + ")");
        }

        for (;;) {
            Skip();
            if (AtEnd())
                Fail(Here(), "missing 'end' for the component started at line " +
                                 std::to_string(start.Line));
            if (PeekKeyword("end")) {
                Ident(false, "'end'");
                break;
            }
            if (PeekObjectKeyword()) {
                obj.Children.push_back(Object(depth));
                continue;
            }
            if (!obj.Children.empty() && IsIdentStart(Cur()))
                Fail(Here(), "property after a child component; properties come first");
            obj.Properties.push_back(Property(depth));
        }
        return obj;
    }

    TFormProperty Property(int depth) {
        TFormProperty prop;
        const Where at = (Skip(), Here());
        prop.Name = Ident(true, "a property name, 'object' or 'end'");
        if (prop.Name.size() > 255)
            Fail(at, "property names are limited to 255 characters");
        Skip();
        if (Cur() != '=')
            Fail(Here(), "expected '=' after property name, found " + Describe());
        Advance();
        prop.Value = Value(depth);
        return prop;
    }

    TFormValue Value(int depth) {
        Skip();
        const Where at = Here();
        const char c = Cur();
        // A missing value before "end" would otherwise read "end" as an identifier.
        if (AtEnd() || PeekKeyword("end") || PeekObjectKeyword())
            Fail(at, "expected a value, found " + Describe());
        if (IsDigit(c) || c == '$' || ((c == '-' || c == '+') && (IsDigit(At(1)) || At(1) == '$')))
            return Number(true);
        if (c == '\'' || c == '#')
            return StringValue();
        if (IsIdentStart(c)) {
            TFormValue v;
            v.Bytes = Ident(true, "a value");
            if (SameText(v.Bytes, "True"))
                v.Type = TValueType::vaTrue;
            else if (SameText(v.Bytes, "False"))
                v.Type = TValueType::vaFalse;
            else if (SameText(v.Bytes, "nil"))
                v.Type = TValueType::vaNil;
            else if (v.Bytes.size() > 255)
                Fail(at, "identifiers are limited to 255 characters");
            else
                v.Type = TValueType::vaIdent;
            if (v.Type != TValueType::vaIdent)
                v.Bytes.clear();
            return v;
        }
        switch (c) {
        case '[':
            return Set();
        case '(':
            return List(depth, at);
        case '{':
            return Binary();
        case '<':
            return Collection(depth, at);
        default:
            Fail(at, "expected a value, found " + Describe());
        }
    }

    void Nest(int& depth, Where at) const {
        if (++depth > kFormStreamMaxDepth)
            Fail(at, "values nested deeper than " + std::to_string(kFormStreamMaxDepth));
    }

    TFormValue Number(bool allowFloat) {
        const Where at = Here();
        bool neg = false;
        if (Cur() == '-' || Cur() == '+') {
            neg = Cur() == '-';
            Advance();
        }
        TFormValue v;
        v.Type = TValueType::vaInt32; // the writer picks the width
        std::uint64_t mag = 0;
        const std::uint64_t limit = neg ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull;
        if (Cur() == '$') {
            Advance();
            int digits = 0;
            for (int d; (d = HexDigit(Cur())) >= 0; Advance()) {
                if (++digits > 16)
                    Fail(at, "hexadecimal number longer than 16 digits");
                mag = (mag << 4) | std::uint64_t(d);
            }
            if (digits == 0)
                Fail(Here(), "expected hexadecimal digits after '$'");
            // Hex spells the bit pattern: $FFFFFFFFFFFFFFFF is -1.
            const std::int64_t bits =
                mag > 0x7FFFFFFFFFFFFFFFull ? -std::int64_t(~mag) - 1 : std::int64_t(mag);
            if (neg && bits == std::numeric_limits<std::int64_t>::min())
                Fail(at, "integer out of range");
            v.Int = neg ? -bits : bits;
        } else {
            const std::size_t start = pos_;
            while (IsDigit(Cur()))
                Advance();
            const bool isFloat = Cur() == '.' || Cur() == 'e' || Cur() == 'E';
            if (isFloat) {
                if (!allowFloat)
                    Fail(at, "expected an integer");
                return Float(start, neg, at);
            }
            for (std::size_t i = start; i < pos_; ++i) {
                const std::uint64_t d = std::uint64_t(s_[i] - '0');
                if (mag > (limit - d) / 10)
                    Fail(at, "integer out of range");
                mag = mag * 10 + d;
            }
            v.Int = mag == 0x8000000000000000ull ? std::numeric_limits<std::int64_t>::min()
                                                 : (neg ? -std::int64_t(mag) : std::int64_t(mag));
        }
        if (IsIdentChar(Cur()))
            Fail(Here(), "unexpected " + Describe() + " after a number");
        return v;
    }

    TFormValue Float(std::size_t start, bool neg, Where at) {
        if (Cur() == '.') {
            Advance();
            if (!IsDigit(Cur()))
                Fail(Here(), "expected digits after the decimal point");
            while (IsDigit(Cur()))
                Advance();
        }
        if (Cur() == 'e' || Cur() == 'E') {
            Advance();
            if (Cur() == '+' || Cur() == '-')
                Advance();
            if (!IsDigit(Cur()))
                Fail(Here(), "expected digits in the exponent");
            while (IsDigit(Cur()))
                Advance();
        }
        TFormValue v;
        const auto r = std::from_chars(s_.data() + start, s_.data() + pos_, v.Float);
        if (r.ec != std::errc())
            Fail(at, "floating-point number out of range");
        if (neg)
            v.Float = -v.Float;
        // Suffixes pick the stored type, as a form's text form spells them.
        v.Type = TValueType::vaExtended;
        switch (Cur()) {
        case 's':
        case 'S':
            v.Type = TValueType::vaSingle;
            break;
        case 'c':
        case 'C':
            v.Type = TValueType::vaCurrency;
            break;
        case 'd':
        case 'D':
            v.Type = TValueType::vaDate;
            break;
        default:
            break;
        }
        if (v.Type != TValueType::vaExtended)
            Advance();
        if (IsIdentChar(Cur()))
            Fail(Here(), "unexpected " + Describe() + " after a number");
        return v;
    }

    // 'quoted' runs and #codes written together form one piece; '+' joins pieces across lines.
    TFormValue StringValue() {
        std::vector<std::uint32_t> codes;
        for (;;) {
            Skip();
            if (Cur() != '\'' && Cur() != '#')
                Fail(Here(), "expected a string after '+', found " + Describe());
            while (Cur() == '\'' || Cur() == '#') {
                if (Cur() == '\'')
                    Quoted(codes);
                else
                    Code(codes);
            }
            Skip();
            if (Cur() != '+')
                break;
            Advance();
        }
        TFormValue v;
        bool wide = false;
        for (std::uint32_t c : codes)
            wide = wide || c > 127;
        if (!wide) {
            v.Type = TValueType::vaString; // vaLString when long: the writer decides
            v.Bytes.assign(codes.begin(), codes.end());
            return v;
        }
        v.Type = TValueType::vaWString;
        for (std::uint32_t c : codes) {
            if (c < 0x10000) {
                v.Wide.push_back(char16_t(c));
            } else {
                c -= 0x10000;
                v.Wide.push_back(char16_t(0xD800 + (c >> 10)));
                v.Wide.push_back(char16_t(0xDC00 + (c & 0x3FF)));
            }
        }
        return v;
    }

    void Quoted(std::vector<std::uint32_t>& codes) {
        const Where at = Here();
        Advance();
        for (;;) {
            if (AtEnd() || Cur() == '\n' || Cur() == '\r')
                Fail(at, "unterminated string");
            CheckAscii();
            if (Cur() == '\'') {
                Advance();
                if (Cur() != '\'')
                    return;
            }
            codes.push_back(std::uint32_t(Cur()));
            Advance();
        }
    }

    void Code(std::vector<std::uint32_t>& codes) {
        const Where at = Here();
        Advance();
        std::uint32_t v = 0;
        int digits = 0;
        const bool hex = Cur() == '$';
        if (hex)
            Advance();
        for (;;) {
            const int d = hex ? HexDigit(Cur()) : (IsDigit(Cur()) ? Cur() - '0' : -1);
            if (d < 0)
                break;
            v = v * (hex ? 16 : 10) + std::uint32_t(d);
            if (v > 0x10FFFF)
                Fail(at, "character code beyond U+10FFFF");
            ++digits;
            Advance();
        }
        if (digits == 0)
            Fail(Here(), "expected a character code after '#'");
        codes.push_back(v);
    }

    TFormValue Set() {
        Advance();
        TFormValue v;
        v.Type = TValueType::vaSet;
        Skip();
        if (Cur() == ']') {
            Advance();
            return v;
        }
        for (;;) {
            const Where at = (Skip(), Here());
            v.Items.push_back(Ident(false, "a set element"));
            if (v.Items.back().size() > 255)
                Fail(at, "set elements are limited to 255 characters");
            Skip();
            if (Cur() == ']') {
                Advance();
                return v;
            }
            if (Cur() != ',')
                Fail(Here(), "expected ',' or ']' in a set, found " + Describe());
            Advance();
        }
    }

    TFormValue List(int depth, Where at) {
        Nest(depth, at);
        Advance();
        TFormValue v;
        v.Type = TValueType::vaList;
        for (;;) {
            Skip();
            if (AtEnd())
                Fail(at, "unterminated list");
            if (Cur() == ')') {
                Advance();
                return v;
            }
            v.List.push_back(Value(depth));
        }
    }

    TFormValue Binary() {
        const Where at = Here();
        Advance();
        TFormValue v;
        v.Type = TValueType::vaBinary;
        int high = -1;
        for (;;) {
            Skip();
            if (AtEnd())
                Fail(at, "unterminated binary data");
            if (Cur() == '}')
                break;
            const int d = HexDigit(Cur());
            if (d < 0)
                Fail(Here(),
                     "expected a hexadecimal digit or '}' in binary data, found " + Describe());
            if (high < 0) {
                high = d;
            } else {
                v.Bytes.push_back(char(high << 4 | d));
                high = -1;
            }
            Advance();
        }
        if (high >= 0)
            Fail(Here(), "binary data has an odd number of hexadecimal digits");
        Advance();
        return v;
    }

    TFormValue Collection(int depth, Where at) {
        Nest(depth, at);
        Advance();
        TFormValue v;
        v.Type = TValueType::vaCollection;
        for (;;) {
            Skip();
            if (AtEnd())
                Fail(at, "unterminated collection");
            if (Cur() == '>') {
                Advance();
                return v;
            }
            if (!PeekKeyword("item"))
                Fail(Here(), "expected 'item' or '>' in a collection, found " + Describe());
            const Where itemAt = Here();
            Ident(false, "'item'");
            std::vector<TFormProperty> props;
            for (;;) {
                Skip();
                if (AtEnd())
                    Fail(itemAt, "missing 'end' for the collection item");
                if (PeekKeyword("end")) {
                    Ident(false, "'end'");
                    break;
                }
                props.push_back(Property(depth));
            }
            v.Collection.push_back(std::move(props));
        }
    }

    const std::string& s_;
    const std::string& file_;
    std::size_t pos_ = 0;
    Where where_;
    std::map<std::string, Where> names_;
};

} // namespace

TFormObject ParseFormText(const std::string& text, const std::string& fileName) {
    return Parser(text, fileName).File();
}

TFormObject* FindComponent(TFormObject& root, const std::string& name) {
    if (root.Name == name)
        return &root;
    for (TFormObject& child : root.Children)
        if (TFormObject* found = FindComponent(child, name))
            return found;
    return nullptr;
}
