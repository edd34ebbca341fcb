"""A second, independent reading of the settings dialect, in Python, for the read-back checks:
what each constant's qualified C++ name, type and value must be. Only as much of the naming rules
as the samples need (the unit tests cover naming in full)."""
import re

AVOIDED = {"class", "and", "int", "NULL", "linux", "namespace"}
INT = re.compile(rb"[+-]?[0-9]+\Z")
HEX = re.compile(rb"0[xX][0-9a-fA-F]+\Z")
DOUBLE = re.compile(rb"[+-]?([0-9]+\.[0-9]*|\.[0-9]+|[0-9]+)([eE][+-]?[0-9]+)?\Z")


def identifier(name):
    text = name.decode("ascii")
    out = re.sub(r"_+", "_", re.sub(r"[^A-Za-z0-9_]", "_", text))
    if out[0].isdigit():
        out = "_" + out
    elif out[0] == "_" and len(out) > 1 and out[1].isupper():
        out = "x" + out
    return out + "_" if out in AVOIDED else out


def typed(raw):
    """(C++ type, value) of an unquoted or quoted value."""
    if raw.startswith(b'"'):
        return "char* const", raw[1:raw.rindex(b'"')]
    if raw.lower() in (b"true", b"false"):
        return "bool", raw.lower() == b"true"
    if HEX.match(raw) or INT.match(raw):
        n = int(raw, 16) if HEX.match(raw) else int(raw)
        for kind, low, high in (("int", -2**31, 2**31 - 1), ("unsigned int", 0, 2**32 - 1),
                                ("long long", -2**63, 2**63 - 1),
                                ("unsigned long long", 0, 2**64 - 1)):
            if low <= n <= high:
                return kind, n
        raise ValueError(raw)
    if DOUBLE.match(raw) and (b"." in raw or b"e" in raw.lower()):
        return "double", float(raw)
    return "char* const", raw


def constants(text, namespace):
    """{qualified name: (type, value)} of a settings file's bytes."""
    if text.startswith(b"\xef\xbb\xbf"):
        text = text[3:]
    section = [namespace]
    result = {}
    for line in re.split(rb"\r\n|\r|\n", text):
        line = line.strip(b" \t")
        if not line or line[:1] in (b";", b"#"):
            continue
        if line.startswith(b"["):
            parts = line[1:line.index(b"]")].strip(b" \t").split(b".")
            section = [namespace] + [identifier(p.strip(b" \t")) for p in parts]
            continue
        key, _, value = line.partition(b"=")
        name = "::".join(section + [identifier(key.strip(b" \t"))])
        assert name not in result, name
        result[name] = typed(value.strip(b" \t"))
    return result
