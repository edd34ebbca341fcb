#include "FormText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string kSourceDir = KELTROP_SOURCE_DIR;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const fs::path& p, const std::string& data) {
    std::ofstream(p, std::ios::binary) << data;
}

// A fresh directory per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("formc_test_" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

const TFormProperty* Find(const TFormObject& o, const std::string& name) {
    for (const auto& p : o.Properties)
        if (p.Name == name)
            return &p;
    return nullptr;
}

TFormValue ParseValue(const std::string& valueText) {
    const TFormObject o = ParseFormText("object A: TA\n  P = " + valueText + "\nend\n", "t.dfm");
    return o.Properties.at(0).Value;
}

std::string ParseError(const std::string& text) {
    try {
        ParseFormText(text, "Unitselect.dfm");
    } catch (const EFormTextError& e) {
        return e.Message;
    }
    return "(no error)";
}

std::u16string AsWide(const TFormValue& v) {
    if (v.Type == TValueType::vaWString)
        return v.Wide;
    return std::u16string(v.Bytes.begin(), v.Bytes.end());
}

// The form description as the build compiles it, pictures included, read back from its bytes.
TFormObject CompiledMainForm() {
    TFormObject form = ParseFormText(Slurp(kSourceDir + "/src/Unitselect.dfm"), "Unitselect.dfm");
    SetPicture(form, "Image1",
               MakePictureData(TPictureKind::Bitmap, Slurp(kSourceDir + "/res/logo.bmp")));
    SetPicture(form, "Image2",
               MakePictureData(TPictureKind::Icon, Slurp(kSourceDir + "/res/keltrop.ico")));
    const std::vector<std::uint8_t> bytes = WriteFormStream(form);
    return ReadFormStream(bytes.data(), bytes.size());
}

void Outline(const TFormObject& o, const std::string& parent, std::vector<std::string>& out) {
    out.push_back(parent + "/" + o.Name + ":" + o.ClassName);
    for (const auto& c : o.Children)
        Outline(c, o.Name, out);
}

// ---- The real form

TEST(MainForm, CompilesToTheDocumentedComponentTree) {
    const TFormObject form = CompiledMainForm();
    std::vector<std::string> outline;
    Outline(form, "", outline);
    const std::vector<std::string> expected = {
        "/FormSelect:TFormSelect", "FormSelect/Memo1:TMemo", "FormSelect/Panel1:TPanel",
        "Panel1/Image1:TImage",    "Panel1/Image2:TImage",   "Panel1/LabelVersion:TLabel",
        "Panel1/LabelURL:TLabel",  "Panel1/BitBtn1:TBitBtn", "Panel1/BitBtn2:TBitBtn",
        "Panel1/EditPath:TEdit",   "Panel1/Memo2:TMemo",     "FormSelect/OpenDialog1:TOpenDialog",
    };
    EXPECT_EQ(outline, expected);

    ASSERT_NE(Find(form, "ClientWidth"), nullptr);
    EXPECT_EQ(Find(form, "ClientWidth")->Value.Int, 392);
    EXPECT_EQ(Find(form, "ClientHeight")->Value.Int, 266);
    EXPECT_EQ(Find(form, "Font.Height")->Value.Int, -11);
    EXPECT_EQ(Find(form, "Position")->Value.Bytes, "poDesktopCenter");
    EXPECT_EQ(Find(form, "OldCreateOrder")->Value.Type, TValueType::vaFalse);
    EXPECT_EQ(Find(form, "Font.Style")->Value.Type, TValueType::vaSet);
    EXPECT_TRUE(Find(form, "Font.Style")->Value.Items.empty());

    const TFormObject& panel = form.Children[1];
    const TFormObject& editPath = panel.Children[6];
    EXPECT_EQ(Find(editPath, "Anchors")->Value.Items,
              (std::vector<std::string>{"akLeft", "akTop", "akRight"}));
    EXPECT_EQ(Find(editPath, "Text")->Value.Bytes, "");
    const TFormObject& labelURL = panel.Children[3];
    EXPECT_EQ(Find(labelURL, "OnMouseLeave")->Value.Type, TValueType::vaIdent);
    EXPECT_EQ(Find(labelURL, "OnMouseLeave")->Value.Bytes, "LabelURLMouseLeave");
    // A non-visual component carries nothing but its design position.
    const TFormObject& dialog = form.Children[2];
    ASSERT_EQ(dialog.Properties.size(), 2u);
    EXPECT_EQ(dialog.Properties[0].Name, "Left");
    EXPECT_EQ(dialog.Properties[1].Name, "Top");
}

TEST(MainForm, MemoLinesAndPicturesAreStoredExactly) {
    const TFormObject form = CompiledMainForm();
    const TFormObject& panel = form.Children[1];
    const TFormProperty* lines = Find(panel.Children[7], "Lines.Strings");
    ASSERT_NE(lines, nullptr);
    ASSERT_EQ(lines->Value.List.size(), 4u);
    const std::u16string expected[4] = {
        u"\uFF29\uFF2E\uFF29\u30D5\u30A1\u30A4\u30EB\u3092\u9078\u629E\u3001\u53C8\u306F"
        u"\u30C9\u30ED\u30C3\u30D7\u3057\u3066\u4E0B\u3055\u3044\u3002",
        u"\uFF08\u62E1\u5F35\u5B50\u306FINI\u4EE5\u5916\u3067\u3082\u53EF\uFF09",
        u"",
        u"\u540C\u30D5\u30A9\u30EB\u30C0\u306B\u3001\uFF23++\u306E\u30D8\u30C3\u30C0"
        u"\u30D5\u30A1\u30A4\u30EB\u3092\u4F5C\u6210\u3057\u307E\u3059\u3002",
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(AsWide(lines->Value.List[std::size_t(i)]), expected[i]);
        EXPECT_EQ(lines->Value.List[std::size_t(i)].Type,
                  i == 2 ? TValueType::vaString : TValueType::vaWString);
    }
    EXPECT_EQ(AsWide(Find(form.Children[0], "Lines.Strings")->Value.List.at(0)), u"output");

    const TFormProperty* logo = Find(panel.Children[0], "Picture.Data");
    const TFormProperty* icon = Find(panel.Children[1], "Picture.Data");
    ASSERT_TRUE(logo && icon);
    EXPECT_EQ(logo->Value.Bytes.compare(0, 8, "\x07TBitmap"), 0);
    EXPECT_EQ(icon->Value.Bytes.compare(0, 6, "\x05TIcon"), 0);
}

// The committed artwork has the sizes and depths the form and the icon resource rely on.
TEST(MainForm, ArtworkHasTheExpectedFormat) {
    const auto le = [](const std::string& b, std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | std::uint8_t(b.at(at + std::size_t(i)));
        return v;
    };
    const std::string bmp = Slurp(kSourceDir + "/res/logo.bmp");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le(bmp, 2, 4), bmp.size());
    EXPECT_EQ(le(bmp, 10, 4), 14u + 40 + 1024);
    EXPECT_EQ(le(bmp, 14, 4), 40u);                   // BITMAPINFOHEADER
    EXPECT_EQ(le(bmp, 18, 4), 88u);                   // width
    EXPECT_EQ(le(bmp, 22, 4), 31u);                   // bottom-up height
    EXPECT_EQ(le(bmp, 28, 2), 8u);                    // bits per pixel
    EXPECT_EQ(bmp.size(), 14u + 40 + 1024 + 88 * 31); // rows of 88 bytes need no padding

    const std::string ico = Slurp(kSourceDir + "/res/keltrop.ico");
    ASSERT_GE(ico.size(), 22u + 40);
    EXPECT_EQ(le(ico, 0, 4), 0x00010000u); // reserved 0, type 1 (icon)
    EXPECT_EQ(le(ico, 4, 2), 1u);          // one image
    EXPECT_EQ(std::uint8_t(ico[6]), 32);
    EXPECT_EQ(std::uint8_t(ico[7]), 32);
    EXPECT_EQ(le(ico, 12, 2), 8u);
    const std::uint32_t size = le(ico, 14, 4), offset = le(ico, 18, 4);
    EXPECT_EQ(offset + size, ico.size());
    EXPECT_EQ(le(ico, offset + 8, 4), 64u); // XOR and AND halves
    EXPECT_EQ(size, 40u + 1024 + 32 * 32 + 32 * 4);
}

// ---- Text syntax

TEST(FormText, StringSyntax) {
    struct Case {
        const char* text;
        TValueType type;
        std::u16string value;
    };
    const Case cases[] = {
        {"'it''s'", TValueType::vaString, u"it's"},
        {"''", TValueType::vaString, u""},
        {"'a'#13#10'b'", TValueType::vaString, u"a\r\nb"},
        {"#$41#66'C'", TValueType::vaString, u"ABC"},
        {"'ab' +\n    'cd' +\r\n  #33", TValueType::vaString, u"abcd!"},
        {"#0", TValueType::vaString, std::u16string(1, u'\0')},
        {"'x'#128", TValueType::vaWString, u"x\u0080"},
        {"#12354'!'", TValueType::vaWString, u"\u3042!"},
        {"'ok' + #65321", TValueType::vaWString, u"ok\uFF29"},
        {"#128512", TValueType::vaWString, u"\U0001F600"}, // beyond 16 bits: a surrogate pair
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TFormValue v = ParseValue(c.text);
        EXPECT_EQ(v.Type, c.type);
        EXPECT_EQ(AsWide(v), c.value);
    }
}

TEST(FormText, OtherValues) {
    EXPECT_EQ(ParseValue("-11").Int, -11);
    EXPECT_EQ(ParseValue("$00FF0000").Int, 0xFF0000);
    EXPECT_EQ(ParseValue("-$10").Int, -16);
    EXPECT_EQ(ParseValue("$FFFFFFFFFFFFFFFF").Int, -1);
    EXPECT_EQ(ParseValue("9223372036854775807").Int, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ParseValue("-9223372036854775808").Int, std::numeric_limits<std::int64_t>::min());
    EXPECT_TRUE(ParseValue("7").IsInteger());

    struct FloatCase {
        const char* text;
        TValueType type;
        double value;
    };
    const FloatCase floats[] = {
        {"1.5", TValueType::vaExtended, 1.5},          {"-2.5e3", TValueType::vaExtended, -2500},
        {"1E-2", TValueType::vaExtended, 0.01},        {"0.25s", TValueType::vaSingle, 0.25},
        {"12.3456c", TValueType::vaCurrency, 12.3456}, {"45000.5d", TValueType::vaDate, 45000.5}};
    for (const FloatCase& c : floats) {
        SCOPED_TRACE(c.text);
        const TFormValue v = ParseValue(c.text);
        EXPECT_EQ(v.Type, c.type);
        EXPECT_EQ(v.Float, c.value);
    }

    EXPECT_EQ(ParseValue("True").Type, TValueType::vaTrue);
    EXPECT_EQ(ParseValue("false").Type, TValueType::vaFalse);
    EXPECT_EQ(ParseValue("nil").Type, TValueType::vaNil);
    EXPECT_EQ(ParseValue("clBtnFace").Bytes, "clBtnFace");
    EXPECT_EQ(ParseValue("Form1.Menu").Bytes, "Form1.Menu");
    EXPECT_EQ(ParseValue("[ akLeft,akTop ,\n akRight ]").Items,
              (std::vector<std::string>{"akLeft", "akTop", "akRight"}));
    EXPECT_EQ(ParseValue("{ 0A1b\n   FF 00 }").Bytes, std::string("\x0A\x1B\xFF\x00", 4));
    EXPECT_EQ(ParseValue("{}").Bytes, "");

    const TFormValue list = ParseValue("(\n 'a'\n 1 (True) [])");
    ASSERT_EQ(list.List.size(), 4u);
    EXPECT_EQ(list.List[1].Int, 1);
    EXPECT_EQ(list.List[2].List.at(0).Type, TValueType::vaTrue);
    EXPECT_EQ(list.List[3].Type, TValueType::vaSet);

    const TFormValue coll = ParseValue("<\n item\n Width = 64\n Caption = 'x'\n end\n item\n end>");
    ASSERT_EQ(coll.Type, TValueType::vaCollection);
    ASSERT_EQ(coll.Collection.size(), 2u);
    EXPECT_EQ(coll.Collection[0].at(1).Name, "Caption");
    EXPECT_TRUE(coll.Collection[1].empty());
}

TEST(FormText, ComponentHeaders) {
    const TFormObject o = ParseFormText("OBJECT F: TF\n"
                                        "  inherited A: TA [2]\n  end\n"
                                        "  inline B: TB\n  end\n"
                                        "  object TC\n  End\n"
                                        "END",
                                        "t.dfm");
    ASSERT_EQ(o.Children.size(), 3u);
    EXPECT_EQ(o.Children[0].Flags, 1 | 2);
    EXPECT_EQ(o.Children[0].Position, 2);
    EXPECT_EQ(o.Children[1].Flags, 4);
    EXPECT_EQ(o.Children[2].ClassName, "TC");
    EXPECT_EQ(o.Children[2].Name, "");
}

TEST(FormText, ErrorsNameLineAndColumn) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"object F: TF\n  Left 0\nend", "Unitselect.dfm:2:8: expected '=' after property name"},
        {"object F: TF\n  Caption = 'abc\nend", "Unitselect.dfm:2:13: unterminated string"},
        {"object F: TF\n  Caption = 'a\xE3\x81\x82'\nend",
         "Unitselect.dfm:2:15: non-ASCII byte 0xE3"},
        {"object F: TF\n  Caption = 'a' +\nend", "Unitselect.dfm:3:1: expected a string after '+'"},
        {"object F: TF\n  Left = 1\n", "Unitselect.dfm:3:1: missing 'end' for the component"},
        {"object F: TF\n  object A: TA\n  end\n  Left = 1\nend",
         "Unitselect.dfm:4:3: property after a child component"},
        {"object F: TF\nend\nend", "Unitselect.dfm:3:1: text after the root component's 'end'"},
        {"", "Unitselect.dfm:1:1: expected 'object', found end of file"},
        {"object F TF\nend", "Unitselect.dfm:2:1: expected '=' after property name, found 'end'"},
        {"object F: TF\n  Left = 99999999999999999999\nend",
         "Unitselect.dfm:2:10: integer out of range"},
        {"object F: TF\n  Left = 12px\nend", "Unitselect.dfm:2:12: unexpected 'px' after a number"},
        {"object F: TF\n  Caption = #1114112\nend", "2:13: character code beyond U+10FFFF"},
        {"object F: TF\n  Caption = #\nend", "2:14: expected a character code after '#'"},
        {"object F: TF\n  Data = {0A1}\nend", "2:14: binary data has an odd number"},
        {"object F: TF\n  Data = {0G}\nend", "2:12: expected a hexadecimal digit"},
        {"object F: TF\n  S = [a b]\nend", "2:10: expected ',' or ']' in a set"},
        {"object F: TF\n  L = ('a'\nend", "3:1: expected a value, found 'end'"},
        {"object F: TF\n  L = ('a'", "2:7: unterminated list"},
        {"object F: TF\n  P =\nend", "3:1: expected a value, found 'end'"},
        {"object F: TF\n  Font. = 1\nend", "2:8: expected a name after '.'"},
        {"object F: TF\n  object A: TA\n  end\n  object A: TB\n  end\nend",
         "4:10: duplicate component name 'A' (first at line 2)"},
        {"object F: TF\n  P = <item X = 1>\nend", "2:18: expected a property name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NE(ParseError(c.text).find(c.message), std::string::npos) << ParseError(c.text);
    }
}

TEST(FormText, DeepNestingIsRefusedNotOverflowed) {
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "object A" + std::to_string(i) + ": T\n";
    EXPECT_NE(ParseError(text).find("nested deeper than 64"), std::string::npos);
    EXPECT_NE(ParseError("object F: TF\n P = " + std::string(10000, '(')).find("nested deeper"),
              std::string::npos);
}

// ---- Pictures and the program

// Smallest files of each kind that pass the checks.
std::string TinyBmp() {
    return "BM" + std::string(24, '\1');
}
std::string TinyIco() {
    return std::string("\0\0\1\0\1\0", 6) + std::string(16, '\2');
}

TEST(FormcPicture, PayloadLayout) {
    const std::string bmp = TinyBmp();
    EXPECT_EQ(MakePictureData(TPictureKind::Bitmap, bmp),
              std::string("\x07TBitmap\x1A\0\0\0", 12) + bmp);
    const std::string ico = TinyIco();
    EXPECT_EQ(MakePictureData(TPictureKind::Icon, ico), "\x05TIcon" + ico);

    EXPECT_THROW(MakePictureData(TPictureKind::Bitmap, ico), Exception);
    EXPECT_THROW(MakePictureData(TPictureKind::Icon, bmp), Exception);
    EXPECT_THROW(MakePictureData(TPictureKind::Icon, std::string("\0\0\1\0\2\0", 6)), Exception);
    EXPECT_EQ(PictureKindForFile("res/LOGO.BMP"), TPictureKind::Bitmap);
    EXPECT_EQ(PictureKindForFile("a.ico"), TPictureKind::Icon);
    EXPECT_THROW(PictureKindForFile("a.png"), Exception);
}

TEST(FormcPicture, ReplacesDataGivenInTheText) {
    TFormObject o = ParseFormText("object F: TF\n object I: TImage\n  Picture.Data = {00}\n"
                                  "  Transparent = True\n end\nend",
                                  "t.dfm");
    SetPicture(o, "I", "new");
    ASSERT_EQ(o.Children[0].Properties.size(), 2u);
    EXPECT_EQ(o.Children[0].Properties[0].Value.Bytes, "new");
    EXPECT_THROW(SetPicture(o, "Missing", "x"), Exception);
}

class FormcProgram : public ::testing::Test {
protected:
    void SetUp() override {
        Spit(dir / "f.dfm", "object F: TF\n  object I: TImage\n  end\n  object J: TImage\n"
                            "  end\nend\n");
        Spit(dir / "p.bmp", TinyBmp());
        Spit(dir / "p.ico", TinyIco());
    }

    int Run(std::vector<std::string> args) {
        err.str("");
        return RunFormc(args, err);
    }

    std::string P(const std::string& name) const { return (dir / name).string(); }

    TempDir dir;
    std::ostringstream err;
};

TEST_F(FormcProgram, CompilesWithBothKindsOfPicture) {
    ASSERT_EQ(Run({P("f.dfm"), P("out.bin"), "--picture", "I=" + P("p.bmp"),
                   "--picture=J=" + P("p.ico")}),
              0)
        << err.str();
    const std::string out = Slurp(dir / "out.bin");
    const TFormObject o = ReadFormStream(out.data(), out.size());
    EXPECT_EQ(o.Children.at(0).Properties.at(0).Value.Bytes,
              MakePictureData(TPictureKind::Bitmap, TinyBmp()));
    EXPECT_EQ(o.Children.at(1).Properties.at(0).Value.Bytes,
              MakePictureData(TPictureKind::Icon, TinyIco()));
    EXPECT_FALSE(fs::exists(dir / "out.bin.tmp"));
}

TEST_F(FormcProgram, FailuresExitOneAndLeaveTheOldOutput) {
    Spit(dir / "bad.dfm", "object F: TF\n  Left 1\nend\n");
    Spit(dir / "p.png", "x");
    Spit(dir / "fake.ico", TinyBmp());
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{P("f.dfm"), P("out.bin"), "--picture", "K=" + P("p.bmp")}, "no component 'K'"},
        {{P("f.dfm"), P("out.bin"), "--picture", "I=" + P("p.png")}, "neither a .bmp nor"},
        {{P("f.dfm"), P("out.bin"), "--picture", "I=" + P("fake.ico")}, "not an ICO file"},
        {{P("f.dfm"), P("out.bin"), "--picture", "I=" + P("gone.bmp")}, "cannot open"},
        {{P("f.dfm"), P("out.bin"), "--picture", "I=" + P("p.bmp"), "--picture", "I=" + P("p.bmp")},
         "given twice"},
        {{P("f.dfm"), P("out.bin"), "--picture"}, "--picture needs Component=FILE"},
        {{P("f.dfm"), P("out.bin"), "--picture", "I"}, "--picture needs Component=FILE"},
        {{P("bad.dfm"), P("out.bin")}, "bad.dfm:2:8: expected '='"},
        {{P("missing.dfm"), P("out.bin")}, "cannot open"},
        {{P("f.dfm")}, "usage: formc"},
        {{P("f.dfm"), P("out.bin"), "--frobnicate"}, "unknown option"},
        {{P("f.dfm"), P("nodir/out.bin")}, "cannot create"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Spit(dir / "out.bin", "previous");
        EXPECT_EQ(Run(c.args), 1);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(Slurp(dir / "out.bin"), "previous");
        EXPECT_FALSE(fs::exists(dir / "out.bin.tmp"));
    }
}

} // namespace
