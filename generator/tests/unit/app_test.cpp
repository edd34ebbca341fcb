// Whole runs against real files in a fresh folder: what is written, what is left alone, and the
// report and exit status of each outcome.
#include "app.h"
#include "generate.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace keltrop {
namespace {

class App : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/keltrop-app-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    void put(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    std::string get(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        DIR* d = opendir(dir_.c_str());
        while (dirent* e = readdir(d)) {
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") {
                names.push_back(e->d_name);
            }
        }
        closedir(d);
        std::sort(names.begin(), names.end());
        return names;
    }
    Outcome generate(const std::string& name) const { return run({path(name)}); }

    std::string dir_;
};

using Names = std::vector<std::string>;

TEST_F(App, WritesTheHeaderBeside) {
    put("app.ini", "[W]\nWidth = 640\n");
    const Outcome o = generate("app.ini");
    EXPECT_EQ(o.status, exit_ok);
    EXPECT_EQ(o.report, "app.ini -> app.h: 1 section, 1 constant\n");
    EXPECT_NE(get("app.h").find("static const int Width = 640;"), std::string::npos);
    EXPECT_EQ(files(), (Names{"app.h", "app.ini"}));
}

TEST_F(App, HeaderNames) {
    put("a.b.cfg", "");
    put("settings", "");
    EXPECT_EQ(generate("a.b.cfg").status, exit_ok);
    EXPECT_EQ(generate("settings").status, exit_ok);
    EXPECT_EQ(files(), (Names{"a.b.cfg", "a.b.h", "settings", "settings.h"}));
}

TEST_F(App, UnchangedHeaderIsNotTouched) {
    put("app.ini", "k = 1\n");
    ASSERT_EQ(generate("app.ini").status, exit_ok);
    const utimbuf old{1000000000, 1000000000};
    ASSERT_EQ(utime(path("app.h").c_str(), &old), 0);
    const Outcome o = generate("app.ini");
    EXPECT_EQ(o.status, exit_ok);
    EXPECT_EQ(o.report, "app.ini -> app.h: 0 sections, 1 constant, unchanged\n");
    struct stat st;
    ASSERT_EQ(stat(path("app.h").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000);
}

TEST_F(App, ChangedHeaderIsReplaced) {
    put("app.ini", "k = 1\n");
    ASSERT_EQ(generate("app.ini").status, exit_ok);
    put("app.ini", "k = 2\n");
    EXPECT_EQ(generate("app.ini").report, "app.ini -> app.h: 0 sections, 1 constant\n");
    EXPECT_NE(get("app.h").find("k = 2;"), std::string::npos);
    EXPECT_EQ(files(), (Names{"app.h", "app.ini"}));
}

TEST_F(App, SectionGivenAgainAfterOthers) {
    // Written from memory rather than as it is read: the same bytes either way.
    put("app.ini", "[A]\nx = 1\n[B]\ny = 2\n[A]\nz = 3\n");
    EXPECT_EQ(generate("app.ini").report, "app.ini -> app.h: 2 sections, 3 constants\n");
    EXPECT_EQ(get("app.h"), keltrop::generate(get("app.ini"), "app.ini").writer->text());
    EXPECT_EQ(files(), (Names{"app.h", "app.ini"}));
    EXPECT_EQ(generate("app.ini").report, "app.ini -> app.h: 2 sections, 3 constants, unchanged\n");
}

TEST_F(App, OldHeaderLongerShorterOrDifferentLate) {
    // Large enough for several chunks; each run leaves exactly the header of the last good input,
    // also when an error comes only after megabytes of header went to the temporary file.
    std::string big;
    for (int s = 0; s < 40; ++s) {
        big += "[S" + std::to_string(s) + "]\n";
        for (int k = 0; k < 2000; ++k) {
            big += "k" + std::to_string(k) + " = " + std::to_string(s * k) + "\n";
        }
    }
    const std::string changed_first = "[S0]\nfirst = 1\n" + big.substr(5);
    const std::vector<std::string> inputs = {
        big,           big + "[Z]\nz = 1\n",  big,   "k = 1\n", big, big + "[S39]\nlast = 2\n",
        changed_first, changed_first + "x\n", "x\n", big};
    std::string good;
    for (const std::string& input : inputs) {
        put("app.ini", input);
        const Outcome o = generate("app.ini");
        if (input.size() >= 2 && input.compare(input.size() - 2, 2, "x\n") == 0) {
            EXPECT_EQ(o.status, exit_input_errors);
        } else {
            EXPECT_EQ(o.status, exit_ok) << o.report;
            good = keltrop::generate(input, "app.ini").writer->text();
        }
        EXPECT_EQ(get("app.h"), good);
        EXPECT_EQ(files(), (Names{"app.h", "app.ini"}));
    }
}

TEST_F(App, InputErrorsLeaveTheGoodHeader) {
    put("app.ini", "k = 1\n");
    ASSERT_EQ(generate("app.ini").status, exit_ok);
    const std::string good = get("app.h");
    put("app.ini", "k = 1\nk = 2\n");
    const Outcome o = generate("app.ini");
    EXPECT_EQ(o.status, exit_input_errors);
    EXPECT_EQ(o.report, "app.ini: 1 error, app.h not written\n"
                        "app.ini:2: error: duplicate key \"k\" (first given at line 1)\n");
    EXPECT_EQ(get("app.h"), good);
    EXPECT_EQ(files(), (Names{"app.h", "app.ini"}));
}

TEST_F(App, WriteFailureLeavesNoTemporaryFile) {
    put("app.ini", "k = 1\n");
    ASSERT_EQ(mkdir(path("app.h").c_str(), 0755), 0); // the header's place is taken by a folder
    const Outcome o = generate("app.ini");
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_EQ(o.report.rfind("keltrop: error: cannot write \"" + path("app.h") + "\": ", 0), 0u)
        << o.report;
    EXPECT_EQ(files(), (Names{"app.h", "app.ini"}));
}

TEST_F(App, MissingFile) {
    const Outcome o = generate("nothing.ini");
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_EQ(o.report, "keltrop: error: cannot read \"" + path("nothing.ini") +
                            "\": No such file or directory\n");
    EXPECT_EQ(files(), Names{});
}

TEST_F(App, Folder) {
    ASSERT_EQ(mkdir(path("d.ini").c_str(), 0755), 0);
    const Outcome o = generate("d.ini");
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_EQ(o.report,
              "keltrop: error: \"" + path("d.ini") + "\" is a folder, not a settings file\n");
}

TEST_F(App, RelativePathIsShownAbsolute) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    const Outcome o = run({"missing.ini"});
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_NE(o.report.find("\"" + path("missing.ini") + "\""), std::string::npos) << o.report;
}

TEST_F(App, EmptyPath) {
    const Outcome o = run({""});
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_EQ(o.report, "keltrop: error: the path of the settings file is empty\n");
}

TEST_F(App, HeaderAsInputIsRefused) {
    put("app.h", "k = 1\n");
    const Outcome o = generate("app.h");
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_NE(o.report.find("its header would be the file itself"), std::string::npos);
    EXPECT_EQ(get("app.h"), "k = 1\n");
}

TEST_F(App, HeaderThatIsTheInputThroughALinkIsRefused) {
    put("app.h", "k = 1\n");
    ASSERT_EQ(symlink("app.h", path("app.ini").c_str()), 0);
    const Outcome o = generate("app.ini");
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_EQ(o.report, "keltrop: error: refusing to write \"" + path("app.h") +
                            "\": it is the settings file itself\n");
    EXPECT_EQ(get("app.h"), "k = 1\n");
}

TEST_F(App, LongPathIsCutInTheMiddle) {
    const std::string deep = dir_ + "/" + std::string(250, 'd');
    const Outcome o = run({deep + "/" + std::string(200, 'f') + ".ini"});
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_LT(o.report.size(), 300u);
    EXPECT_NE(o.report.find("..."), std::string::npos);
}

TEST_F(App, HelpVersionUsage) {
    EXPECT_EQ(run({"--version"}).report, "keltrop " KELTROP_VERSION "\n");
    EXPECT_EQ(run({"--help"}).status, exit_ok);
    const Outcome o = run({"-v"});
    EXPECT_EQ(o.status, exit_failure);
    EXPECT_EQ(o.report, "keltrop: error: unknown option \"-v\"\n"
                        "usage: keltrop [--] SETTINGS (keltrop --help for more)\n");
}

} // namespace
} // namespace keltrop
