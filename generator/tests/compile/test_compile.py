"""Compile checks of generated headers: g++ and clang++ at C++98 (headers without 64-bit values),
C++11, C++17 and C++20 with -Wall -Wextra -pedantic -Werror, and i686-w64-mingw32-g++. A read-back
program includes the header, prints every constant, and the values must be the settings file's.
"""
import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from reference import constants
from samples import SAMPLES, needs_64_bit

KELTROP = Path(os.environ["KELTROP_NATIVE_BIN"]) / "keltrop"
FLAGS = ["-Wall", "-Wextra", "-pedantic", "-Werror"]
NATIVE = ["g++", "clang++"]
MINGW = "i686-w64-mingw32-g++"
STANDARDS = ["c++98", "c++11", "c++17", "c++20"]
CONSTANT = re.compile(r"^\s*static const (.+?) (\w+) = .*;$")


def combinations():
    for sample in SAMPLES:
        for compiler in NATIVE + [MINGW]:
            for std in STANDARDS:
                if std == "c++98" and needs_64_bit(sample):
                    continue
                yield pytest.param(sample, compiler, std, id=f"{sample}-{compiler}-{std}")


@pytest.fixture(scope="module")
def headers(tmp_path_factory):
    """Each sample's header, generated once."""
    folder = tmp_path_factory.mktemp("headers")
    made = {}
    for name, text in SAMPLES.items():
        (folder / f"{name}.ini").write_bytes(text)
        r = subprocess.run([KELTROP, folder / f"{name}.ini"], capture_output=True)
        assert r.returncode == 0, r.stdout
        made[name] = folder / f"{name}.h"
    return made


def declared(header):
    """(qualified name, C++ type) of each constant, read from the header's lines."""
    path, out = [], []
    for line in header.read_text(encoding="ascii").splitlines():
        if m := re.match(r"^\s*namespace (\w+) \{$", line):
            path.append(m.group(1))
        elif re.match(r"^\s*\}  // namespace \w+$", line):
            path.pop()
        elif m := CONSTANT.match(line):
            out.append(("::".join(path + [m.group(2)]), m.group(1)))
    assert not path
    return out


PRINT = {
    "int": 'std::printf("%s=int:%d\\n", "{n}", {n});',
    "unsigned int": 'std::printf("%s=unsigned int:%u\\n", "{n}", {n});',
    "long long": 'std::printf("%s=long long:%lld\\n", "{n}", {n});',
    "unsigned long long": 'std::printf("%s=unsigned long long:%llu\\n", "{n}", {n});',
    "double": 'std::printf("%s=double:%.17g\\n", "{n}", {n});',
    "bool": 'std::printf("%s=bool:%d\\n", "{n}", {n} ? 1 : 0);',
    "char* const": 'std::printf("%s=char* const:", "{n}"); hex({n});',
}


def read_back_source(header):
    body = "\n    ".join(PRINT[kind].replace("{n}", name) for name, kind in declared(header))
    return (f'#include "{header}"\n#include "{header}"  // twice: the include guard holds\n'
            "#include <cstdio>\n"
            "inline void hex(const char* s) {\n"
            "    for (; *s; ++s) std::printf(\"%02x\", static_cast<unsigned char>(*s));\n"
            "    std::printf(\"\\n\");\n}\n"
            f"int main() {{\n    {body}\n    return 0;\n}}\n")


def expected(name):
    out = {}
    for qualified, (kind, value) in constants(SAMPLES[name], name).items():
        if kind == "char* const":
            value = value.split(b"\0")[0].hex()
        elif kind == "bool":
            value = int(value)
        out[qualified] = (kind, value)
    return out


def parsed(stdout):
    out = {}
    for line in stdout.decode("ascii").splitlines():
        qualified, _, rest = line.partition("=")
        kind, _, value = rest.rpartition(":")
        out[qualified] = (kind, float(value) if kind == "double" else
                          value if kind == "char* const" else int(value))
    return out


@pytest.mark.parametrize("sample,compiler,std", list(combinations()))
def test_compiles_and_reads_back(headers, tmp_path, sample, compiler, std):
    if shutil.which(compiler) is None:
        pytest.fail(f"{compiler} is not installed (tools/setup.sh installs it)")
    source = tmp_path / "read_back.cpp"
    source.write_text(read_back_source(headers[sample]))
    program = tmp_path / ("read_back.exe" if compiler == MINGW else "read_back")
    extra = ["-static"] if compiler == MINGW else []
    r = subprocess.run([compiler, f"-std={std}", *FLAGS, *extra, str(source), "-o", str(program)],
                       capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    if compiler == MINGW:
        return  # the Wine tests run Windows programs
    run = subprocess.run([program], capture_output=True, check=True)
    assert parsed(run.stdout) == expected(sample)


def test_two_headers_in_one_program(headers, tmp_path):
    source = tmp_path / "both.cpp"
    source.write_text(f'#include "{headers["types"]}"\n#include "{headers["crlf_bom"]}"\n'
                      "int main() { return types::Version + crlf_bom::A::x - 4; }\n")
    r = subprocess.run(["g++", "-std=c++98", *FLAGS, str(source), "-o", str(tmp_path / "both")],
                       capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    assert subprocess.run([tmp_path / "both"]).returncode == 0


def test_same_input_same_bytes(headers, tmp_path):
    for name, text in SAMPLES.items():
        (tmp_path / f"{name}.ini").write_bytes(text)
        subprocess.run([KELTROP, tmp_path / f"{name}.ini"], check=True, capture_output=True)
        assert (tmp_path / f"{name}.h").read_bytes() == headers[name].read_bytes()
