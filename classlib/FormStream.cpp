#include "FormStream.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

const char kSignature[4] = {'T', 'P', 'F', '0'};
const std::uint8_t kPrefixMask = 0xF0;
const std::uint8_t kFlagChildPos = 0x02;

std::string Hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v & 0xFFu);
    return buf;
}

// Keeps the size comparisons free of "always false" warnings where size_t is 32 bits wide.
bool FitsU32(std::uint64_t n) {
    return n <= 0xFFFFFFFFull;
}

// ---- x87 80-bit extended, by hand so that it works wherever long double is not that type.

double DecodeExtended(const std::uint8_t* p) {
    std::uint64_t mant = 0;
    for (int i = 7; i >= 0; --i)
        mant = (mant << 8) | p[i];
    const unsigned se = p[8] | (unsigned(p[9]) << 8);
    const bool neg = (se & 0x8000) != 0;
    const int exp = int(se & 0x7FFF);
    double v;
    if (exp == 0x7FFF) {
        v = (mant << 1) == 0 ? std::numeric_limits<double>::infinity()
                             : std::numeric_limits<double>::quiet_NaN();
    } else if (mant == 0) {
        v = 0.0;
    } else {
        // Denormals have the same scale as exponent 1.
        v = std::ldexp(double(mant), (exp == 0 ? 1 : exp) - 16383 - 63);
    }
    return neg ? -v : v;
}

void EncodeExtended(double v, std::uint8_t* p) {
    std::uint64_t mant = 0;
    unsigned se = std::signbit(v) ? 0x8000u : 0u;
    if (std::isnan(v)) {
        se |= 0x7FFF;
        mant = 0xC000000000000000ull;
    } else if (std::isinf(v)) {
        se |= 0x7FFF;
        mant = 0x8000000000000000ull;
    } else if (v != 0) {
        int e = 0;
        const double m = std::frexp(std::fabs(v), &e); // [0.5, 1): exact in 64 bits
        mant = std::uint64_t(std::ldexp(m, 64));
        se |= unsigned(e - 1 + 16383);
    }
    for (int i = 0; i < 8; ++i)
        p[i] = std::uint8_t(mant >> (8 * i));
    p[8] = std::uint8_t(se);
    p[9] = std::uint8_t(se >> 8);
}

// ---- Reader

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : p_(data), size_(size) {}

    TFormObject ReadRoot() {
        if (size_ < sizeof kSignature || std::memcmp(p_, kSignature, sizeof kSignature) != 0)
            throw EReadError("form stream: bad signature");
        pos_ = sizeof kSignature;
        TFormObject root = ReadComponent(0);
        if (pos_ != size_)
            Fail("trailing bytes after the root component", pos_);
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& what, std::size_t at) const {
        throw EReadError("form stream: " + what + " at offset " + std::to_string(at));
    }

    void Need(std::size_t n, const char* what, std::size_t at) const {
        if (n > size_ - pos_)
            Fail(std::string("truncated ") + what, at);
    }

    void Enter(int& depth, std::size_t at) const {
        if (++depth > kFormStreamMaxDepth)
            Fail("nesting deeper than " + std::to_string(kFormStreamMaxDepth), at);
    }

    std::uint8_t Byte(const char* what) {
        Need(1, what, pos_);
        return p_[pos_++];
    }

    std::uint8_t Peek(const char* what) const {
        Need(1, what, pos_);
        return p_[pos_];
    }

    std::uint64_t Unsigned(int bytes, const char* what) {
        Need(std::size_t(bytes), what, pos_);
        std::uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | p_[pos_ + std::size_t(i)];
        pos_ += std::size_t(bytes);
        return v;
    }

    std::int64_t Signed(int bytes, const char* what) {
        const std::uint64_t u = Unsigned(bytes, what);
        const std::uint64_t mask =
            bytes == 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * bytes)) - 1;
        const std::uint64_t signBit = std::uint64_t(1) << (8 * bytes - 1);
        // Two's complement by arithmetic, not by implementation-defined conversions.
        if (u & signBit)
            return -std::int64_t(~u & mask) - 1;
        return std::int64_t(u);
    }

    std::string Bytes(std::size_t n, const char* what, std::size_t at) {
        Need(n, what, at);
        std::string s(reinterpret_cast<const char*>(p_ + pos_), n);
        pos_ += n;
        return s;
    }

    std::string ShortString(const char* what) {
        const std::size_t at = pos_;
        const std::size_t n = Byte(what);
        return Bytes(n, what, at);
    }

    std::size_t Length32(const char* what, std::size_t unit) {
        const std::size_t at = pos_;
        const std::uint64_t n = Unsigned(4, what);
        if (n > (size_ - pos_) / unit)
            Fail(std::string(what) + " length " + std::to_string(n) + " runs past the end", at);
        return std::size_t(n);
    }

    static bool IsIntegerTag(std::uint8_t t) {
        return t == std::uint8_t(TValueType::vaInt8) || t == std::uint8_t(TValueType::vaInt16) ||
               t == std::uint8_t(TValueType::vaInt32) || t == std::uint8_t(TValueType::vaInt64);
    }

    std::int64_t Integer(const char* what) {
        const std::size_t at = pos_;
        switch (TValueType(Byte(what))) {
        case TValueType::vaInt8:
            return Signed(1, what);
        case TValueType::vaInt16:
            return Signed(2, what);
        case TValueType::vaInt32:
            return Signed(4, what);
        case TValueType::vaInt64:
            return Signed(8, what);
        default:
            Fail(std::string("expected an integer for ") + what + ", found value type " +
                     Hex2(p_[at]),
                 at);
        }
    }

    TFormValue Value(int depth) {
        const std::size_t at = pos_;
        TFormValue v;
        const std::uint8_t tag = Byte("value type");
        v.Type = TValueType(tag);
        switch (v.Type) {
        case TValueType::vaInt8:
            v.Int = Signed(1, "integer");
            break;
        case TValueType::vaInt16:
            v.Int = Signed(2, "integer");
            break;
        case TValueType::vaInt32:
            v.Int = Signed(4, "integer");
            break;
        case TValueType::vaInt64:
            v.Int = Signed(8, "integer");
            break;
        case TValueType::vaExtended:
            Need(10, "extended", at);
            v.Float = DecodeExtended(p_ + pos_);
            pos_ += 10;
            break;
        case TValueType::vaSingle: {
            const std::uint32_t bits = std::uint32_t(Unsigned(4, "single"));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            v.Float = f;
            break;
        }
        case TValueType::vaDouble:
        case TValueType::vaDate: {
            const std::uint64_t bits = Unsigned(8, "double");
            std::memcpy(&v.Float, &bits, sizeof v.Float);
            break;
        }
        case TValueType::vaCurrency:
            v.Float = double(Signed(8, "currency")) / 10000.0;
            break;
        case TValueType::vaString:
        case TValueType::vaIdent:
            v.Bytes = ShortString("string");
            break;
        case TValueType::vaLString:
        case TValueType::vaUTF8String:
        case TValueType::vaBinary: {
            const char* what = v.Type == TValueType::vaBinary ? "binary" : "string";
            const std::size_t n = Length32(what, 1);
            v.Bytes = Bytes(n, what, at);
            break;
        }
        case TValueType::vaWString: {
            const std::size_t n = Length32("wide string", 2);
            v.Wide.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                v.Wide[i] = char16_t(Unsigned(2, "wide string"));
            break;
        }
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
            break;
        case TValueType::vaSet:
            for (;;) {
                std::string item = ShortString("set");
                if (item.empty())
                    break;
                v.Items.push_back(std::move(item));
            }
            break;
        case TValueType::vaList:
            Enter(depth, at);
            while (Peek("list") != std::uint8_t(TValueType::vaNull))
                v.List.push_back(Value(depth));
            ++pos_;
            break;
        case TValueType::vaCollection:
            Enter(depth, at);
            while (Peek("collection") != std::uint8_t(TValueType::vaNull)) {
                if (IsIntegerTag(p_[pos_]))
                    Integer("collection item order"); // the model keeps no order
                const std::size_t itemAt = pos_;
                if (Byte("collection item") != std::uint8_t(TValueType::vaList))
                    Fail("collection item does not start with a list", itemAt);
                v.Collection.push_back(Properties(depth));
            }
            ++pos_;
            break;
        case TValueType::vaNull:
            // Unambiguous here, but a list could not hold it: refuse it everywhere.
            Fail("end marker where a value belongs", at);
        default:
            Fail("unknown value type " + Hex2(tag), at);
        }
        return v;
    }

    std::vector<TFormProperty> Properties(int depth) {
        std::vector<TFormProperty> props;
        while (Peek("property list") != std::uint8_t(TValueType::vaNull)) {
            TFormProperty prop;
            prop.Offset = pos_;
            prop.Name = ShortString("property name");
            prop.Value = Value(depth);
            props.push_back(std::move(prop));
        }
        ++pos_;
        return props;
    }

    TFormObject ReadComponent(int depth) {
        TFormObject obj;
        obj.Offset = pos_;
        Enter(depth, pos_);
        const std::uint8_t first = Peek("component");
        if ((first & kPrefixMask) == kPrefixMask) {
            ++pos_;
            obj.Flags = first & 0x0F;
            if (obj.Flags & kFlagChildPos) {
                const std::size_t at = pos_;
                const std::int64_t position = Integer("child position");
                if (position < 0 || position > std::numeric_limits<int>::max())
                    Fail("child position " + std::to_string(position) + " out of range", at);
                obj.Position = int(position);
            }
        }
        obj.ClassName = ShortString("class name");
        if (obj.ClassName.empty())
            Fail("empty class name", obj.Offset);
        obj.Name = ShortString("component name");
        obj.Properties = Properties(depth);
        while (Peek("child list") != std::uint8_t(TValueType::vaNull))
            obj.Children.push_back(ReadComponent(depth));
        ++pos_;
        return obj;
    }

    const std::uint8_t* p_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// ---- Writer

class Writer {
public:
    std::vector<std::uint8_t> out;

    void Component(const TFormObject& obj, int depth) {
        Enter(depth, obj.Name);
        if (obj.Flags > 0x0F)
            Fail("flags " + Hex2(obj.Flags) + " do not fit the prefix", obj.Name);
        // A class name of 240 bytes or more would read as a prefix byte: give it an empty prefix.
        if (obj.Flags != 0 || obj.ClassName.size() >= kPrefixMask)
            out.push_back(std::uint8_t(kPrefixMask | obj.Flags));
        if (obj.Flags & kFlagChildPos) {
            if (obj.Position < 0)
                Fail("child position flag without a position", obj.Name);
            Integer(obj.Position);
        }
        if (obj.ClassName.empty())
            Fail("empty class name", obj.Name);
        ShortString(obj.ClassName, "class name");
        ShortString(obj.Name, "component name");
        Properties(obj.Properties, depth);
        for (const TFormObject& child : obj.Children)
            Component(child, depth);
        out.push_back(0);
    }

private:
    [[noreturn]] static void Fail(const std::string& what, const std::string& where) {
        throw EWriteError("form stream: " + what + (where.empty() ? "" : " in '" + where + "'"));
    }

    static void Enter(int& depth, const std::string& where) {
        if (++depth > kFormStreamMaxDepth)
            Fail("nesting deeper than " + std::to_string(kFormStreamMaxDepth), where);
    }

    void Tag(TValueType t) { out.push_back(std::uint8_t(t)); }

    void Le(std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    }

    void Raw(const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

    void ShortString(const std::string& s, const char* what) {
        if (s.size() > 255)
            Fail(std::string(what) + " longer than 255 bytes", s.substr(0, 40));
        out.push_back(std::uint8_t(s.size()));
        Raw(s);
    }

    void Length32(std::size_t n, const char* what) {
        if (!FitsU32(n))
            Fail(std::string(what) + " longer than 4 GiB", "");
        Le(n, 4);
    }

    void Integer(std::int64_t v) {
        if (v >= -128 && v <= 127) {
            Tag(TValueType::vaInt8);
            Le(std::uint64_t(v), 1);
        } else if (v >= -32768 && v <= 32767) {
            Tag(TValueType::vaInt16);
            Le(std::uint64_t(v), 2);
        } else if (v >= std::numeric_limits<std::int32_t>::min() &&
                   v <= std::numeric_limits<std::int32_t>::max()) {
            Tag(TValueType::vaInt32);
            Le(std::uint64_t(v), 4);
        } else {
            Tag(TValueType::vaInt64);
            Le(std::uint64_t(v), 8);
        }
    }

    void Value(const TFormValue& v, int depth, const std::string& where) {
        switch (v.Type) {
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32:
        case TValueType::vaInt64:
            Integer(v.Int);
            break;
        case TValueType::vaExtended: {
            Tag(v.Type);
            std::uint8_t b[10];
            EncodeExtended(v.Float, b);
            out.insert(out.end(), b, b + 10);
            break;
        }
        case TValueType::vaSingle: {
            if (std::isfinite(v.Float) && std::fabs(v.Float) > std::numeric_limits<float>::max())
                Fail("value out of single range", where);
            const float f = float(v.Float);
            std::uint32_t bits;
            std::memcpy(&bits, &f, sizeof bits);
            Tag(v.Type);
            Le(bits, 4);
            break;
        }
        case TValueType::vaDouble:
        case TValueType::vaDate: {
            std::uint64_t bits;
            std::memcpy(&bits, &v.Float, sizeof bits);
            Tag(v.Type);
            Le(bits, 8);
            break;
        }
        case TValueType::vaCurrency: {
            const double scaled = std::round(v.Float * 10000.0);
            // 2^63 is exactly representable; anything at or above it (or NaN) does not fit.
            if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
                Fail("value out of currency range", where);
            Tag(v.Type);
            Le(std::uint64_t(std::int64_t(scaled)), 8);
            break;
        }
        case TValueType::vaString:
        case TValueType::vaLString:
            if (v.Bytes.size() <= 255) {
                Tag(TValueType::vaString);
                ShortString(v.Bytes, "string");
            } else {
                Tag(TValueType::vaLString);
                Length32(v.Bytes.size(), "string");
                Raw(v.Bytes);
            }
            break;
        case TValueType::vaUTF8String:
        case TValueType::vaBinary:
            Tag(v.Type);
            Length32(v.Bytes.size(), "string");
            Raw(v.Bytes);
            break;
        case TValueType::vaIdent:
            Tag(v.Type);
            ShortString(v.Bytes, "identifier");
            break;
        case TValueType::vaWString:
            Tag(v.Type);
            Length32(v.Wide.size(), "wide string");
            for (char16_t c : v.Wide)
                Le(c, 2);
            break;
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
            Tag(v.Type);
            break;
        case TValueType::vaSet:
            Tag(v.Type);
            for (const std::string& item : v.Items) {
                if (item.empty())
                    Fail("empty set element (it would end the set)", where);
                ShortString(item, "set element");
            }
            out.push_back(0);
            break;
        case TValueType::vaList:
            Enter(depth, where);
            Tag(v.Type);
            for (const TFormValue& item : v.List)
                Value(item, depth, where);
            out.push_back(0);
            break;
        case TValueType::vaCollection:
            Enter(depth, where);
            Tag(v.Type);
            for (const std::vector<TFormProperty>& item : v.Collection) {
                Tag(TValueType::vaList);
                Properties(item, depth);
            }
            out.push_back(0);
            break;
        case TValueType::vaNull:
            Fail("end marker as a value", where);
        default:
            Fail("unknown value type " + Hex2(unsigned(v.Type)), where);
        }
    }

    void Properties(const std::vector<TFormProperty>& props, int depth) {
        for (const TFormProperty& prop : props) {
            if (prop.Name.empty())
                Fail("empty property name (it would end the property list)", "");
            ShortString(prop.Name, "property name");
            Value(prop.Value, depth, prop.Name);
        }
        out.push_back(0);
    }
};

} // namespace

bool TFormValue::IsInteger() const {
    return Type == TValueType::vaInt8 || Type == TValueType::vaInt16 ||
           Type == TValueType::vaInt32 || Type == TValueType::vaInt64;
}

bool TFormValue::IsString() const {
    return Type == TValueType::vaString || Type == TValueType::vaLString ||
           Type == TValueType::vaWString || Type == TValueType::vaUTF8String;
}

TFormObject ReadFormStream(const void* data, std::size_t size) {
    if (data == nullptr && size != 0)
        throw EReadError("form stream: no data");
    return Reader(static_cast<const std::uint8_t*>(data), size).ReadRoot();
}

std::vector<std::uint8_t> WriteFormStream(const TFormObject& root) {
    Writer w;
    w.out.assign(kSignature, kSignature + sizeof kSignature);
    w.Component(root, 0);
    return std::move(w.out);
}

double DecodeExtended80(const std::uint8_t bytes[10]) {
    return DecodeExtended(bytes);
}

void EncodeExtended80(double value, std::uint8_t bytes[10]) {
    EncodeExtended(value, bytes);
}
