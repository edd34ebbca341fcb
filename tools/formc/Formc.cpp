#include "FormText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

unsigned Le16(const std::string& b, std::size_t at) {
    return unsigned(static_cast<unsigned char>(b[at])) |
           unsigned(static_cast<unsigned char>(b[at + 1])) << 8;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Exception("cannot open '" + path + "': " + std::strerror(errno));
    std::ostringstream data;
    data << in.rdbuf();
    if (in.bad())
        throw Exception("cannot read '" + path + "'");
    return data.str();
}

// Temp file beside the target, then rename: readers see the old file or the whole new one.
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw Exception("cannot create '" + temp + "': " + std::strerror(errno));
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            throw Exception("cannot write '" + temp + "'");
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::remove(temp.c_str());
        throw Exception("cannot replace '" + path + "': " + std::strerror(err));
    }
}

const char kUsage[] = "usage: formc INPUT.dfm OUTPUT.bin [--picture Component=FILE]...";

} // namespace

TPictureKind PictureKindForFile(const std::string& path) {
    const std::string lower = Lower(path);
    if (EndsWith(lower, ".bmp"))
        return TPictureKind::Bitmap;
    if (EndsWith(lower, ".ico"))
        return TPictureKind::Icon;
    throw Exception("'" + path + "' is neither a .bmp nor an .ico file");
}

std::string MakePictureData(TPictureKind kind, const std::string& fileBytes) {
    std::string data;
    if (kind == TPictureKind::Bitmap) {
        // File header (14 bytes) and at least the smallest info header (12).
        if (fileBytes.size() < 26 || fileBytes.compare(0, 2, "BM") != 0)
            throw Exception("not a BMP file");
        if (std::uint64_t(fileBytes.size()) > 0xFFFFFFFFull)
            throw Exception("bitmap larger than 4 GiB");
        data = "\x07TBitmap";
        const std::uint32_t n = std::uint32_t(fileBytes.size());
        for (int i = 0; i < 4; ++i)
            data.push_back(char(n >> (8 * i)));
    } else {
        if (fileBytes.size() < 6 || Le16(fileBytes, 0) != 0 || Le16(fileBytes, 2) != 1 ||
            Le16(fileBytes, 4) == 0 || fileBytes.size() < 6 + 16 * std::size_t(Le16(fileBytes, 4)))
            throw Exception("not an ICO file");
        data = "\x05TIcon";
    }
    return data + fileBytes;
}

void SetPicture(TFormObject& root, const std::string& component, const std::string& data) {
    TFormObject* obj = component.empty() ? nullptr : FindComponent(root, component);
    if (!obj)
        throw Exception("no component '" + component + "' in the form");
    TFormValue value;
    value.Type = TValueType::vaBinary;
    value.Bytes = data;
    for (TFormProperty& prop : obj->Properties) {
        if (prop.Name == "Picture.Data") {
            prop.Value = std::move(value);
            return;
        }
    }
    TFormProperty prop;
    prop.Name = "Picture.Data";
    prop.Value = std::move(value);
    obj->Properties.push_back(std::move(prop));
}

int RunFormc(const std::vector<std::string>& args, std::ostream& err) {
    std::vector<std::string> files;
    std::vector<std::pair<std::string, std::string>> pictures;
    try {
        std::set<std::string> pictured;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            std::string option;
            if (arg == "--picture") {
                if (++i == args.size())
                    throw Exception("--picture needs Component=FILE");
                option = args[i];
            } else if (arg.compare(0, 10, "--picture=") == 0) {
                option = arg.substr(10);
            } else if (arg.size() > 1 && arg[0] == '-') {
                throw Exception("unknown option '" + arg + "'\n" + kUsage);
            } else {
                files.push_back(arg);
                continue;
            }
            const std::size_t eq = option.find('=');
            if (eq == 0 || eq == std::string::npos || eq + 1 == option.size())
                throw Exception("--picture needs Component=FILE, got '" + option + "'");
            if (!pictured.insert(option.substr(0, eq)).second)
                throw Exception("--picture given twice for '" + option.substr(0, eq) + "'");
            pictures.emplace_back(option.substr(0, eq), option.substr(eq + 1));
        }
        if (files.size() != 2)
            throw Exception(kUsage);
    } catch (const Exception& e) {
        err << "formc: " << e.Message << "\n";
        return 1;
    }

    try {
        TFormObject root = ParseFormText(ReadFile(files[0]), files[0]);
        for (const auto& [component, file] : pictures) {
            try {
                SetPicture(root, component,
                           MakePictureData(PictureKindForFile(file), ReadFile(file)));
            } catch (const EFormTextError&) {
                throw;
            } catch (const Exception& e) {
                throw Exception("--picture " + component + "=" + file + ": " + e.Message);
            }
        }
        const std::vector<std::uint8_t> stream = WriteFormStream(root);
        ReadFormStream(stream.data(), stream.size()); // never hand the build a stream we can't read
        WriteFileAtomically(files[1], stream);
    } catch (const EFormTextError& e) {
        err << e.Message << "\n";
        return 1;
    } catch (const Exception& e) {
        err << "formc: " << e.Message << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "formc: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
