// The dialect as a table: settings files against the constants of their header, or against the
// report of their errors with line numbers.
#include "generate.h"
#include "report.h"

#include <gtest/gtest.h>

#include <string>

namespace keltrop {
namespace {

// What stands between "namespace t {\n\n" and "\n}  // namespace t".
std::string body(const std::string& header) {
    const std::string open = "namespace t {\n\n";
    const std::size_t start = header.find(open);
    const std::size_t end = header.rfind("\n}  // namespace t\n");
    if (start == std::string::npos || end == std::string::npos) {
        return "<no body in>\n" + header;
    }
    return header.substr(start + open.size(), end - start - open.size());
}

std::string errors_of(const std::string& input) {
    const Generated g = generate(input, "t.ini");
    return g.errors.empty() ? "<no errors>"
                            : error_report("t.ini", "t.h", g.errors, utf8_char_length);
}

struct Case {
    const char* name;
    const char* input;
    const char* expected; // the header's body
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const Case accepted[] = {
    {"empty file", "", ""},
    {"blank lines and comments", "\n   \n; a comment\n  # another\n\t;x = 1\n", ""},
    {"file level key", "a = 1\n", "static const int a = 1;\n"},
    {"blanks trimmed", " \t key \t = \t value  \t\n",
     "static const char* const key = \"value\";\n"},
    {"no blanks", "k=v\n", "static const char* const k = \"v\";\n"},
    {"value with '='", "k = a=b\n", "static const char* const k = \"a=b\";\n"},
    {"inline ';' and '#' belong to the value", "c = #FF0000 ; red\n",
     "static const char* const c = \"#FF0000 ; red\";\n"},
    {"empty value", "k =\n", "static const char* const k = \"\";\n"},
    {"int", "a = 640\nb = -480\nc = +7\nd = 007\ne = -0\n",
     "static const int a = 640;\nstatic const int b = -480;\nstatic const int c = 7;\n"
     "static const int d = 7;\nstatic const int e = 0;\n"},
    {"int limits", "a = 2147483647\nb = -2147483648\n",
     "static const int a = 2147483647;\nstatic const int b = (-2147483647 - 1);\n"},
    {"unsigned int", "a = 2147483648\nb = 4294967295\n",
     "static const unsigned int a = 2147483648u;\nstatic const unsigned int b = 4294967295u;\n"},
    {"hex", "a = 0xFF00FF\nb = 0XffFFffFF\nc = 0x7FFFFFFF\nd = 0x80000000\n",
     "static const int a = 0xFF00FF;\nstatic const unsigned int b = 0xffFFffFFu;\n"
     "static const int c = 0x7FFFFFFF;\nstatic const unsigned int d = 0x80000000u;\n"},
    {"64-bit",
     "a = 4294967296\nb = -2147483649\nc = 9223372036854775807\n"
     "d = -9223372036854775808\ne = 18446744073709551615\nf = 0xFFFFFFFFFF\n"
     "g = 0xFFFFFFFFFFFFFFFF\n",
     "static const long long a = 4294967296LL;\nstatic const long long b = -2147483649LL;\n"
     "static const long long c = 9223372036854775807LL;\n"
     "static const long long d = (-9223372036854775807LL - 1);\n"
     "static const unsigned long long e = 18446744073709551615ULL;\n"
     "static const long long f = 0xFFFFFFFFFFLL;\n"
     "static const unsigned long long g = 0xFFFFFFFFFFFFFFFFULL;\n"},
    {"not integers are strings", "a = 0x\nb = 0xG1\nc = -0x10\nd = 12abc\ne = +\nf = 1 2\n",
     "static const char* const a = \"0x\";\nstatic const char* const b = \"0xG1\";\n"
     "static const char* const c = \"-0x10\";\nstatic const char* const d = \"12abc\";\n"
     "static const char* const e = \"+\";\nstatic const char* const f = \"1 2\";\n"},
    {"double", "a = 1.5\nb = -0.25\nc = +2.0\nd = 1e3\ne = 1.5E-3\nf = .5\ng = 5.\nh = 00.5\n",
     "static const double a = 1.5;\nstatic const double b = -0.25;\n"
     "static const double c = 2.0;\nstatic const double d = 1e3;\n"
     "static const double e = 1.5E-3;\nstatic const double f = .5;\n"
     "static const double g = 5.;\nstatic const double h = 00.5;\n"},
    {"double limits", "a = 1.7976931348623157e308\nb = 4.9e-324\nc = 0e999999\nd = 0.0e-999\n",
     "static const double a = 1.7976931348623157e308;\nstatic const double b = 4.9e-324;\n"
     "static const double c = 0e999999;\nstatic const double d = 0.0e-999;\n"},
    {"not doubles are strings", "a = 1.2.3\nb = 1e\nc = .\nd = e5\ne = 1e+\nf = inf\ng = NaN\n",
     "static const char* const a = \"1.2.3\";\nstatic const char* const b = \"1e\";\n"
     "static const char* const c = \".\";\nstatic const char* const d = \"e5\";\n"
     "static const char* const e = \"1e+\";\nstatic const char* const f = \"inf\";\n"
     "static const char* const g = \"NaN\";\n"},
    {"bool in any case", "a = true\nb = FALSE\nc = True\nd = yes\ne = truex\n",
     "static const bool a = true;\nstatic const bool b = false;\nstatic const bool c = true;\n"
     "static const char* const d = \"yes\";\nstatic const char* const e = \"truex\";\n"},
    {"quoted values are strings", "a = \"640\"\nb = \"true\"\nc = \"\"\nd = \" padded \"\n",
     "static const char* const a = \"640\";\nstatic const char* const b = \"true\";\n"
     "static const char* const c = \"\";\nstatic const char* const d = \" padded \";\n"},
    {"between the first and the last quote", "a = \"say \"hi\"\"\nb = x \"y\"\n",
     "static const char* const a = \"say \\\"hi\\\"\";\n"
     "static const char* const b = \"x \\\"y\\\"\";\n"},
    {"backslashes stay bytes", "p = C:\\dir\\n\n",
     "static const char* const p = \"C:\\\\dir\\\\n\";\n"},
    {"no trigraphs",
     "q = what?"
     "?!\nr = ?"
     "?"
     "?\n",
     "static const char* const q = \"what?\\?!\";\nstatic const char* const r = \"?\\?\\?\";\n"},
    {"non-ASCII bytes as octal", "u = caf\xC3\xA9\ns = \x83\x5C\nt = \x95\x5C\\\n",
     "static const char* const u = \"caf\\303\\251\";\n"
     "static const char* const s = \"\\203\\\\\";\n"
     "static const char* const t = \"\\225\\\\\\\\\";\n"},
    {"control bytes as octal", "a = x\x01y\x7F\tz\n",
     "static const char* const a = \"x\\001y\\177\\011z\";\n"},
    {"octal escapes take three digits",
     "a = \x01"
     "7\n",
     "static const char* const a = \"\\0017\";\n"},
    {"section", "[Window]\nWidth = 640\n",
     "namespace Window {\n    static const int Width = 640;\n}  // namespace Window\n"},
    {"blanks inside brackets", "[ Window ]\nw = 1\n[\tWindow . Main\t]\nv = 2\n",
     "namespace Window {\n    static const int w = 1;\n    namespace Main {\n"
     "        static const int v = 2;\n    }  // namespace Main\n}  // namespace Window\n"},
    {"dotted sections nest", "[A.B.C]\nx = 1\n",
     "namespace A {\n    namespace B {\n        namespace C {\n"
     "            static const int x = 1;\n        }  // namespace C\n"
     "    }  // namespace B\n}  // namespace A\n"},
    {"a section given twice is merged, in source order", "[A]\nx = 1\n[B]\ny = 2\n[A]\nz = 3\n",
     "namespace A {\n    static const int x = 1;\n    static const int z = 3;\n"
     "}  // namespace A\nnamespace B {\n    static const int y = 2;\n}  // namespace B\n"},
    {"file level before sections", "top = 1\n[S]\nk = 2\n",
     "static const int top = 1;\nnamespace S {\n    static const int k = 2;\n}  // namespace S\n"},
    {"empty section", "[Empty]\n", "namespace Empty {\n}  // namespace Empty\n"},
    {"same key in other sections", "[A]\nk = 1\n[B]\nk = 2\n",
     "namespace A {\n    static const int k = 1;\n}  // namespace A\n"
     "namespace B {\n    static const int k = 2;\n}  // namespace B\n"},
    {"names mapped", "my-key = 1\na.b c = 2\n_private = 3\n",
     "static const int my_key = 1;\nstatic const int a_b_c = 2;\nstatic const int _private = 3;\n"},
    {"keywords and reserved shapes avoided",
     "class = 1\nand = 2\nNULL = 3\nlinux = 4\n1st = 5\n_Cap = 6\na__b = 7\n",
     "static const int class_ = 1;\nstatic const int and_ = 2;\nstatic const int NULL_ = 3;\n"
     "static const int linux_ = 4;\nstatic const int _1st = 5;\nstatic const int x_Cap = 6;\n"
     "static const int a_b = 7;\n"},
    {"keyword section", "[namespace]\nk = 1\n",
     "namespace namespace_ {\n    static const int k = 1;\n}  // namespace namespace_\n"},
    {"CRLF, CR and a last line without ending", "a = 1\r\nb = 2\rc = 3",
     "static const int a = 1;\nstatic const int b = 2;\nstatic const int c = 3;\n"},
    {"UTF-8 BOM skipped",
     "\xEF\xBB\xBF"
     "a = 1\n",
     "static const int a = 1;\n"},
    {"BOM only at the start", "a = \xEF\xBB\xBF\n",
     "static const char* const a = \"\\357\\273\\277\";\n"},
};

class Accepted : public ::testing::TestWithParam<Case> {};

TEST_P(Accepted, HeaderBody) {
    const Case& c = GetParam();
    const Generated g = generate(c.input, "t.ini");
    ASSERT_TRUE(g.errors.empty()) << errors_of(c.input);
    EXPECT_EQ(body(g.writer->text()), c.expected);
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* p = info.param.name; *p != '\0'; ++p) {
        const char ch = *p;
        name += ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'))
                    ? ch
                    : '_';
    }
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Dialect, Accepted, ::testing::ValuesIn(accepted), case_name);

const Case rejected[] = {
    {"no '='", "a = 1\nnot a pair\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:2: error: expected \"key = value\", \"[section]\" or a comment\n"},
    {"missing ']'", "[Window\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:1: error: missing \"]\" at the end of the section name\n"},
    {"text after ']'", "\n[Window] ; main\n",
     "t.ini: 1 error, t.h not written\nt.ini:2: error: unexpected text after \"]\"\n"},
    {"empty section name", "[ ]\n",
     "t.ini: 1 error, t.h not written\nt.ini:1: error: empty section name\n"},
    {"empty part", "[a..b]\n[.c]\n[d.]\n",
     "t.ini: 3 errors, t.h not written\n"
     "t.ini:1: error: empty part in section name \"a..b\"\n"
     "t.ini:2: error: empty part in section name \".c\"\n"
     "t.ini:3: error: empty part in section name \"d.\"\n"},
    {"empty key", " = 1\n",
     "t.ini: 1 error, t.h not written\nt.ini:1: error: expected a key name before \"=\"\n"},
    {"duplicate key", "a = 1\nb = 2\na = 3\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:3: error: duplicate key \"a\" (first given at line 1)\n"},
    {"duplicate key across a merged section", "[S]\nk = 1\n[T]\n[S]\nk = 2\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:5: error: duplicate key \"k\" (first given at line 2)\n"},
    {"keys mapping to one identifier", "a-b = 1\na.b = 2\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:2: error: key \"a.b\" and key \"a-b\" at line 1 both map to the identifier \"a_b\"\n"},
    {"keyword and its mapping", "class = 1\nclass_ = 2\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:2: error: key \"class_\" and key \"class\" at line 1 both map to the identifier "
     "\"class_\"\n"},
    {"sections mapping to one identifier", "[a-b]\n[a_b]\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:2: error: section \"a_b\" and section \"a-b\" at line 1 both map to the identifier "
     "\"a_b\"\n"},
    {"key and section of one name", "[W]\nMain = 1\n[W.Main]\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:3: error: section \"Main\" and key \"Main\" at line 2 both map to the identifier "
     "\"Main\"\n"},
    {"section and key of one name", "[A.S]\n[A]\nS = 1\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:3: error: key \"S\" and section \"S\" at line 1 both map to the identifier \"S\"\n"},
    {"non-ASCII key", "caf\xC3\xA9 = 1\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:1: error: key name \"caf\xC3\xA9\" has non-ASCII bytes; use ASCII letters, digits "
     "and \"_\"\n"},
    {"non-ASCII section", "[\x95\x5C]\nk = 1\nk = 2\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:1: error: section name \"\x95\x5C\" has non-ASCII bytes; use ASCII letters, digits "
     "and \"_\"\n"},
    {"integer out of range",
     "a = 18446744073709551616\nb = -9223372036854775809\n"
     "c = 0x10000000000000000\n",
     "t.ini: 3 errors, t.h not written\n"
     "t.ini:1: error: integer \"18446744073709551616\" does not fit in 64 bits; put it in double "
     "quotes to make it a string\n"
     "t.ini:2: error: integer \"-9223372036854775809\" does not fit in 64 bits; put it in double "
     "quotes to make it a string\n"
     "t.ini:3: error: integer \"0x10000000000000000\" does not fit in 64 bits; put it in double "
     "quotes to make it a string\n"},
    {"double out of range", "a = 1e309\nb = -2e308\nc = 1e-400\n",
     "t.ini: 3 errors, t.h not written\n"
     "t.ini:1: error: number \"1e309\" is out of the range of double; put it in double quotes "
     "to make it a string\n"
     "t.ini:2: error: number \"-2e308\" is out of the range of double; put it in double quotes "
     "to make it a string\n"
     "t.ini:3: error: number \"1e-400\" is out of the range of double; put it in double quotes "
     "to make it a string\n"},
    {"unclosed quote", "a = \"open\n",
     "t.ini: 1 error, t.h not written\nt.ini:1: error: missing closing double quote\n"},
    {"text after the closing quote", "a = \"x\" y\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:1: error: unexpected text after the closing double quote\n"},
    {"UTF-16",
     "\xFF\xFE"
     "a\0",
     "t.ini: 1 error, t.h not written\n"
     "t.ini: error: the file is UTF-16 text; save it as UTF-8 or in the "
     "system code page\n"},
    {"keys of a broken section are not checked further", "[a..b]\nk = 1\nk = 2\nz = 1e999\n",
     "t.ini: 2 errors, t.h not written\n"
     "t.ini:1: error: empty part in section name \"a..b\"\n"
     "t.ini:4: error: number \"1e999\" is out of the range of double; put it in double quotes to "
     "make it a string\n"},
    {"long names are cut in messages",
     "abcdefghijklmnopqrstuvwxyz0123456789 = 1\n"
     "abcdefghijklmnopqrstuvwxyz0123456789 = 2\n",
     "t.ini: 1 error, t.h not written\n"
     "t.ini:2: error: duplicate key \"abcdefghijklmnopqrstuvwxyz012345...\" (first given at line "
     "1)\n"},
};

class Rejected : public ::testing::TestWithParam<Case> {};

TEST_P(Rejected, Report) {
    const Case& c = GetParam();
    EXPECT_EQ(errors_of(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Dialect, Rejected, ::testing::ValuesIn(rejected), case_name);

TEST(Errors, NulByte) {
    EXPECT_EQ(errors_of(std::string("a = 1\nb = x\0y\nc = 2\n", 19)),
              "t.ini: 1 error, t.h not written\n"
              "t.ini:2: error: NUL byte in the line; is this a text file?\n");
}

TEST(Errors, TenShownThenACount) {
    std::string input;
    for (int i = 0; i < 13; ++i) {
        input += "bad\n";
    }
    const std::string report = errors_of(input);
    EXPECT_EQ(report.substr(0, report.find('\n')), "t.ini: 13 errors, t.h not written");
    EXPECT_NE(report.find("t.ini:10: error:"), std::string::npos);
    EXPECT_EQ(report.find("t.ini:11: error:"), std::string::npos);
    EXPECT_EQ(report.substr(report.rfind('\n', report.size() - 2) + 1), "and 3 more errors\n");
}

TEST(Errors, OneMoreIsSingular) {
    std::string input;
    for (int i = 0; i < 11; ++i) {
        input += "bad\n";
    }
    const std::string report = errors_of(input);
    EXPECT_EQ(report.substr(report.rfind('\n', report.size() - 2) + 1), "and 1 more error\n");
}

TEST(Errors, WorstCaseReportStaysSmall) {
    // Long names in every message: the verdict still comes first and the whole report stays far
    // below the 4 KiB of a pipe's buffer (the front end reads only after the generator has
    // ended, so a longer report would make the generator wait for ever).
    const std::string name(3000, 'n');
    std::string input;
    for (int i = 0; i < 20; ++i) {
        input += "[" + name + "-" + std::to_string(i) + "]\n" + name + "-k = 1\n" + name +
                 "_k = 2\n[" + name + "_" + std::to_string(i) + "]\n";
    }
    const Generated g = generate(input, "t.ini");
    ASSERT_GT(g.errors.total(), 10u);
    const std::string report = error_report(
        std::string(250, 'f') + ".ini", std::string(250, 'f') + ".h", g.errors, utf8_char_length);
    EXPECT_LT(report.size(), 2600u) << report;
    EXPECT_LT(report.find('\n'), 200u);
}

} // namespace
} // namespace keltrop
