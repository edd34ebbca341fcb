#include "FormStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- Building trees

TFormValue Int(std::int64_t v, TValueType t = TValueType::vaInt8) {
    TFormValue r;
    r.Type = t;
    r.Int = v;
    return r;
}

TFormValue Text(TValueType t, std::string s) {
    TFormValue r;
    r.Type = t;
    r.Bytes = std::move(s);
    return r;
}

TFormValue Wide(std::u16string s) {
    TFormValue r;
    r.Type = TValueType::vaWString;
    r.Wide = std::move(s);
    return r;
}

TFormValue Float(TValueType t, double v) {
    TFormValue r;
    r.Type = t;
    r.Float = v;
    return r;
}

TFormValue Tag(TValueType t) {
    TFormValue r;
    r.Type = t;
    return r;
}

TFormValue Set(std::vector<std::string> items) {
    TFormValue r;
    r.Type = TValueType::vaSet;
    r.Items = std::move(items);
    return r;
}

TFormValue List(std::vector<TFormValue> items) {
    TFormValue r;
    r.Type = TValueType::vaList;
    r.List = std::move(items);
    return r;
}

TFormProperty Prop(std::string name, TFormValue v) {
    TFormProperty p;
    p.Name = std::move(name);
    p.Value = std::move(v);
    return p;
}

TFormObject Obj(std::string cls, std::string name, std::vector<TFormProperty> props = {},
                std::vector<TFormObject> children = {}) {
    TFormObject o;
    o.ClassName = std::move(cls);
    o.Name = std::move(name);
    o.Properties = std::move(props);
    o.Children = std::move(children);
    return o;
}

// ---- A canonical dump, so that a mismatch shows where the trees differ

void DumpValue(std::ostream& os, const TFormValue& v) {
    os << "t" << int(v.Type) << ":";
    if (v.IsInteger())
        os << v.Int;
    switch (v.Type) {
    case TValueType::vaExtended:
    case TValueType::vaSingle:
    case TValueType::vaDouble:
    case TValueType::vaDate:
    case TValueType::vaCurrency: {
        std::ostringstream f;
        f.precision(17);
        f << v.Float;
        os << f.str();
        break;
    }
    case TValueType::vaString:
    case TValueType::vaLString:
    case TValueType::vaIdent:
    case TValueType::vaUTF8String:
    case TValueType::vaBinary:
        os << "[" << v.Bytes.size() << "]" << v.Bytes;
        break;
    case TValueType::vaWString:
        for (char16_t c : v.Wide)
            os << "\\u" << std::hex << unsigned(c) << std::dec;
        break;
    case TValueType::vaSet:
        for (const auto& i : v.Items)
            os << i << ",";
        break;
    case TValueType::vaList:
        os << "(";
        for (const auto& i : v.List)
            DumpValue(os, i), os << " ";
        os << ")";
        break;
    case TValueType::vaCollection:
        os << "<";
        for (const auto& item : v.Collection) {
            os << "item{";
            for (const auto& p : item)
                os << p.Name << "=", DumpValue(os, p.Value), os << ";";
            os << "}";
        }
        os << ">";
        break;
    default:
        break;
    }
}

void DumpObject(std::ostream& os, const TFormObject& o, int indent) {
    os << std::string(std::size_t(indent), ' ') << o.ClassName << " " << o.Name
       << " flags=" << int(o.Flags) << " pos=" << o.Position << "\n";
    for (const auto& p : o.Properties) {
        os << std::string(std::size_t(indent) + 2, ' ') << p.Name << " = ";
        DumpValue(os, p.Value);
        os << "\n";
    }
    for (const auto& c : o.Children)
        DumpObject(os, c, indent + 2);
}

std::string Dump(const TFormObject& o) {
    std::ostringstream os;
    DumpObject(os, o, 0);
    return os.str();
}

TFormObject RoundTrip(const TFormObject& o) {
    const Bytes b = WriteFormStream(o);
    return ReadFormStream(b.data(), b.size());
}

std::string ReadError(const Bytes& b) {
    try {
        ReadFormStream(b.data(), b.size());
    } catch (const EReadError& e) {
        return e.Message;
    }
    return "(no error)";
}

// A tree with every kind of value a form uses, in canonical types (what the reader returns).
TFormObject SampleTree() {
    TFormObject memo =
        Obj("TMemo", "Memo2",
            {Prop("Left", Int(89)), Prop("Font.Height", Int(-11)),
             Prop("Lines.Strings", List({Wide(u"\uFF29\uFF2E\uFF29\u30D5\u30A1\u30A4\u30EB"),
                                         Text(TValueType::vaString, ""),
                                         Wide(u"\u540C\u30D5\u30A9\u30EB\u30C0 C++")})),
             Prop("ReadOnly", Tag(TValueType::vaTrue))});
    TFormObject image =
        Obj("TImage", "Image1",
            {Prop("Picture.Data", Text(TValueType::vaBinary, std::string("\x07TBitmap\0\xff", 10))),
             Prop("Transparent", Tag(TValueType::vaTrue))});
    image.Flags = 2 | 1;
    image.Position = 3;
    TFormObject inl = Obj("TFrame1", "Frame", {Prop("Tag", Int(300, TValueType::vaInt16))});
    inl.Flags = 4;
    TFormObject panel =
        Obj("TPanel", "Panel1",
            {Prop("Align", Text(TValueType::vaIdent, "alTop")),
             Prop("Anchors", Set({"akLeft", "akTop", "akRight"})), Prop("Font.Style", Set({}))},
            {image, memo, inl});
    TFormValue coll;
    coll.Type = TValueType::vaCollection;
    coll.Collection = {{Prop("Width", Int(70000, TValueType::vaInt32))}, {}};
    return Obj(
        "TFormSelect", "FormSelect",
        {Prop("Caption", Text(TValueType::vaString, "keltrop frontend")),
         Prop("Long", Text(TValueType::vaLString, std::string(300, 'x'))),
         Prop("Utf8", Text(TValueType::vaUTF8String, "\xE3\x81\x82")),
         Prop("Int8Min", Int(-128)),
         Prop("Int8Max", Int(127)),
         Prop("Int16Min", Int(-32768, TValueType::vaInt16)),
         Prop("Int16Max", Int(32767, TValueType::vaInt16)),
         Prop("Int32Min", Int(std::numeric_limits<std::int32_t>::min(), TValueType::vaInt32)),
         Prop("Int32Max", Int(std::numeric_limits<std::int32_t>::max(), TValueType::vaInt32)),
         Prop("Int64Min", Int(std::numeric_limits<std::int64_t>::min(), TValueType::vaInt64)),
         Prop("Int64Max", Int(std::numeric_limits<std::int64_t>::max(), TValueType::vaInt64)),
         Prop("OldCreateOrder", Tag(TValueType::vaFalse)),
         Prop("PopupMenu", Tag(TValueType::vaNil)),
         Prop("Extended", Float(TValueType::vaExtended, -2.5)),
         Prop("Single", Float(TValueType::vaSingle, 0.15625)),
         Prop("Double", Float(TValueType::vaDouble, 0.1)),
         Prop("Date", Float(TValueType::vaDate, 45000.75)),
         Prop("Currency", Float(TValueType::vaCurrency, 12.3456)),
         Prop("Columns", coll),
         Prop("Nested", List({List({Int(1)}), List({})}))},
        {Obj("TMemo", "Memo1", {Prop("ScrollBars", Text(TValueType::vaIdent, "ssVertical"))}),
         panel, Obj("TOpenDialog", "OpenDialog1")});
}

// ---- Round trips

TEST(FormStreamRoundTrip, EveryValueKindAndNestingSurvives) {
    const TFormObject tree = SampleTree();
    EXPECT_EQ(Dump(RoundTrip(tree)), Dump(tree));
}

TEST(FormStreamRoundTrip, ClassNameThatLooksLikeAPrefixByte) {
    // A 240-byte class name starts with length byte 0xF0, which readers take for a flags prefix.
    const TFormObject tree = Obj("TRoot", "Root", {}, {Obj(std::string(240, 'C'), "Child")});
    EXPECT_EQ(Dump(RoundTrip(tree)), Dump(tree));
}

TEST(FormStreamRoundTrip, ReaderRecordsOffsets) {
    const TFormObject tree = Obj("TA", "B", {Prop("P", Int(1))}, {Obj("TC", "D")});
    const TFormObject back = RoundTrip(tree);
    EXPECT_EQ(back.Offset, 4u);
    EXPECT_EQ(back.Properties[0].Offset, 4u + 3 + 2);
    EXPECT_EQ(back.Children[0].Offset, 4u + 3 + 2 + 2 + 2 + 1);
}

// The exact bytes, so that a fault made symmetrically in reader and writer still shows.
TEST(FormStreamWriter, ProducesTheDocumentedLayout) {
    TFormObject child = Obj("TL", "L", {Prop("S", Set({"a", "bc"}))});
    child.Flags = 2;
    child.Position = 5;
    const TFormObject root = Obj("TF", "F",
                                 {Prop("W", Int(-2)), Prop("C", Text(TValueType::vaString, "ok")),
                                  Prop("U", Wide(u"\u3042")), Prop("B", Tag(TValueType::vaTrue)),
                                  Prop("X", Float(TValueType::vaExtended, 1.0)),
                                  Prop("L", List({Text(TValueType::vaIdent, "i")}))},
                                 {child});
    const Bytes expected = {'T',  'P',  'F',  '0',  2,   'T', 'F', 1,    'F',  // header
                            1,    'W',  2,    0xFE,                            // Int8 -2
                            1,    'C',  6,    2,    'o', 'k',                  // vaString
                            1,    'U',  18,   1,    0,   0,   0,   0x42, 0x30, // vaWString U+3042
                            1,    'B',  9,                                     // vaTrue
                            1,    'X',  5,    0,    0,   0,   0,   0,    0,
                            0,    0x80, 0xFF, 0x3F,                         // vaExtended 1.0
                            1,    'L',  1,    7,    1,   'i', 0,            // list of one ident
                            0,                                              // end of properties
                            0xF2, 2,    5,    2,    'T', 'L', 1,   'L',     // prefix, position 5
                            1,    'S',  11,   1,    'a', 2,   'b', 'c',  0, // set
                            0,    0, // child: props, children
                            0};      // root's children
    EXPECT_EQ(WriteFormStream(root), expected);
}

TEST(FormStreamWriter, IntegersAndStringsTakeTheSmallestEncoding) {
    struct Case {
        std::int64_t value;
        TValueType tag;
        std::size_t payload;
    };
    const Case cases[] = {
        {0, TValueType::vaInt8, 1},
        {-128, TValueType::vaInt8, 1},
        {127, TValueType::vaInt8, 1},
        {128, TValueType::vaInt16, 2},
        {-129, TValueType::vaInt16, 2},
        {32767, TValueType::vaInt16, 2},
        {-32768, TValueType::vaInt16, 2},
        {32768, TValueType::vaInt32, 4},
        {-32769, TValueType::vaInt32, 4},
        {2147483647, TValueType::vaInt32, 4},
        {-2147483647 - 1, TValueType::vaInt32, 4},
        {2147483648, TValueType::vaInt64, 8},
        {-2147483649, TValueType::vaInt64, 8},
        {std::numeric_limits<std::int64_t>::min(), TValueType::vaInt64, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        // Declared as the widest type: the writer must still narrow it.
        const Bytes b =
            WriteFormStream(Obj("T", "", {Prop("V", Int(c.value, TValueType::vaInt64))}));
        const std::size_t tagAt = 4 + 2 + 1 + 2;
        ASSERT_GT(b.size(), tagAt);
        EXPECT_EQ(b[tagAt], std::uint8_t(c.tag));
        EXPECT_EQ(b.size(), tagAt + 1 + c.payload + 2);
        EXPECT_EQ(ReadFormStream(b.data(), b.size()).Properties[0].Value.Int, c.value);
    }

    for (std::size_t len : {0, 255, 256}) {
        SCOPED_TRACE(len);
        const Bytes b = WriteFormStream(
            Obj("T", "", {Prop("S", Text(TValueType::vaLString, std::string(len, 'a')))}));
        const TFormValue v = ReadFormStream(b.data(), b.size()).Properties[0].Value;
        EXPECT_EQ(v.Type, len <= 255 ? TValueType::vaString : TValueType::vaLString);
        EXPECT_EQ(v.Bytes, std::string(len, 'a'));
    }
}

TEST(FormStreamExtended, KnownBitPatterns) {
    struct Case {
        double value;
        std::uint8_t bytes[10];
    };
    const Case cases[] = {
        {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
        {-2.5, {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
        {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0.1, {0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
        {std::numeric_limits<double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
        {std::numeric_limits<double>::denorm_min(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DecodeExtended80(c.bytes), c.value);
        std::uint8_t out[10];
        EncodeExtended80(c.value, out);
        EXPECT_EQ(Bytes(out, out + 10), Bytes(c.bytes, c.bytes + 10));
    }

    const std::uint8_t negZero[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80};
    EXPECT_TRUE(std::signbit(DecodeExtended80(negZero)));
    const std::uint8_t nan[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F};
    EXPECT_TRUE(std::isnan(DecodeExtended80(nan)));
    // Beyond double's range: an extended exponent of 2^16000 saturates rather than misbehaving.
    const std::uint8_t huge[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x7E};
    EXPECT_EQ(DecodeExtended80(huge), std::numeric_limits<double>::infinity());
}

// ---- Malformed input

// A small stream using prefixes, every length form and nesting, for truncation.
Bytes SmallValidStream() {
    return WriteFormStream(SampleTree());
}

TEST(FormStreamReader, EveryTruncationIsAnError) {
    const Bytes full = SmallValidStream();
    ASSERT_NO_THROW(ReadFormStream(full.data(), full.size()));
    for (std::size_t n = 0; n < full.size(); ++n) {
        // A fresh buffer of exactly n bytes, so that ASan catches any read past it.
        const Bytes prefix(full.begin(), full.begin() + std::ptrdiff_t(n));
        EXPECT_THROW(ReadFormStream(prefix.data(), prefix.size()), EReadError) << "prefix " << n;
    }
}

Bytes Stream(std::initializer_list<std::uint8_t> props) {
    Bytes b = {'T', 'P', 'F', '0', 1, 'T', 0};
    b.insert(b.end(), props);
    return b;
}

Bytes Nested(std::size_t depth) {
    Bytes b = {'T', 'P', 'F', '0'};
    for (std::size_t i = 0; i < depth; ++i)
        b.insert(b.end(), {1, 'T', 0, 0}); // class, name, no properties; children follow
    for (std::size_t i = 0; i < depth; ++i)
        b.push_back(0);
    return b;
}

Bytes NestedLists(std::size_t depth) {
    Bytes b = Stream({1, 'P'});
    b.insert(b.end(), depth, 1);
    b.insert(b.end(), depth, 0);
    b.insert(b.end(), {0, 0});
    return b;
}

TEST(FormStreamReader, RejectsMalformedStreams) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, "form stream: bad signature"},
        {"bad signature", {'T', 'P', 'F', '1', 1, 'T', 0, 0, 0}, "form stream: bad signature"},
        {"unknown tag", Stream({1, 'P', 0x2A, 0, 0}),
         "form stream: unknown value type 0x2A at offset 9"},
        {"runaway string length", Stream({1, 'P', 12, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}),
         "form stream: string length 4294967295 runs past the end at offset 10"},
        {"runaway binary length", Stream({1, 'P', 10, 0x05, 0, 0, 0, 'a', 0, 0}),
         "binary length 5 runs past the end"},
        {"runaway wide length", Stream({1, 'P', 18, 0x00, 0, 0, 0x80, 'a', 'a', 0, 0}),
         "wide string length 2147483648 runs past the end"},
        {"odd wide payload", Stream({1, 'P', 18, 2, 0, 0, 0, 'a', 0, 'b'}),
         "length 2 runs past the end"},
        {"short string past the end", Stream({1, 'P', 6, 200, 'a'}),
         "form stream: truncated string at offset 10"},
        {"trailing garbage", Stream({0, 0, 0x55}),
         "form stream: trailing bytes after the root component at offset 9"},
        {"end marker as a value", Stream({1, 'P', 0, 0, 0}), "end marker where a value belongs"},
        {"empty class name", {'T', 'P', 'F', '0', 0, 0, 0, 0}, "empty class name at offset 4"},
        {"negative child position",
         {'T', 'P', 'F', '0', 0xF2, 2, 0xFF, 1, 'T', 0, 0, 0},
         "child position -1 out of range"},
        {"child position not an integer",
         {'T', 'P', 'F', '0', 0xF2, 6, 0, 1, 'T', 0, 0, 0},
         "expected an integer for child position"},
        {"collection item without list", Stream({1, 'P', 14, 2, 1, 9, 0, 0, 0}),
         "collection item does not start with a list"},
        {"components too deep", Nested(kFormStreamMaxDepth + 1), "nesting deeper than 64"},
        {"lists too deep", NestedLists(kFormStreamMaxDepth + 1), "nesting deeper than 64"},
        {"deep enough to exhaust a stack", Nested(100000), "nesting deeper than 64"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(ReadError(c.bytes).find(c.message), std::string::npos) << ReadError(c.bytes);
    }
    // The limit itself is still accepted: the root plus 63 lists.
    TFormValue deepest = Int(1);
    for (int i = 0; i < kFormStreamMaxDepth - 1; ++i)
        deepest = List({deepest});
    EXPECT_NO_THROW(RoundTrip(Obj("T", "", {Prop("L", deepest)})));
    EXPECT_THROW(ReadFormStream(nullptr, 0), EReadError);
}

// ---- Trees the format cannot hold: refused instead of written as a corrupt stream

TEST(FormStreamWriter, RefusesUnrepresentableTrees) {
    TFormObject deep = Obj("T", "Leaf");
    for (int i = 0; i < kFormStreamMaxDepth; ++i)
        deep = Obj("T", "", {}, {deep});
    TFormObject badFlags = Obj("T", "X");
    badFlags.Flags = 0x12;
    TFormObject noPosition = Obj("T", "X");
    noPosition.Flags = 2;

    struct Case {
        const char* name;
        TFormObject tree;
    };
    const Case cases[] = {
        {"empty property name", Obj("T", "", {Prop("", Int(1))})},
        {"empty set element", Obj("T", "", {Prop("S", Set({"a", ""}))})},
        {"vaNull value", Obj("T", "", {Prop("P", Tag(TValueType::vaNull))})},
        {"vaNull inside a list", Obj("T", "", {Prop("P", List({Tag(TValueType::vaNull)}))})},
        {"name over 255 bytes", Obj("T", std::string(256, 'n'))},
        {"identifier over 255 bytes",
         Obj("T", "", {Prop("P", Text(TValueType::vaIdent, std::string(256, 'i')))})},
        {"empty class name", Obj("", "X")},
        {"flags beyond four bits", badFlags},
        {"child position flag without position", noPosition},
        {"too deep", deep},
        {"single out of range", Obj("T", "", {Prop("F", Float(TValueType::vaSingle, 1e300))})},
        {"currency out of range", Obj("T", "", {Prop("F", Float(TValueType::vaCurrency, 1e300))})},
        {"currency NaN", Obj("T", "", {Prop("F", Float(TValueType::vaCurrency, std::nan("")))})},
        {"unknown type", Obj("T", "", {Prop("F", Tag(TValueType(0x40)))})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(WriteFormStream(c.tree), EWriteError);
    }
}

} // namespace
