"""Settings files for the compile and read-back checks, as bytes (some are not text in any one
code page). Each has a name; those with 64-bit values need C++11."""

ALL_BYTES = bytes(b for b in range(1, 256) if b not in (0x0A, 0x0D))

SAMPLES = {
    "types": (
        b"; every type, with the edges of each range\r\n"
        b"Version = 3\r\n"
        b"[Numbers]\r\n"
        b"Zero = 0\nNegative = -480\nPlus = +7\nLeadingZeros = 007\n"
        b"IntMax = 2147483647\nIntMin = -2147483648\n"
        b"UIntMin = 2147483648\nUIntMax = 4294967295\n"
        b"Colour = 0xFF00FF\nOpaque = 0xFFFFFFFF\nSmallHex = 0x0\n"
        b"Pi = 3.14159265358979\nTiny = 4.9e-324\nHuge = 1.7976931348623157e308\n"
        b"Half = .5\nFive = 5.\nExp = -1.5E-3\nNegZero = -0.0\n"
        b"[Flags]\nOn = true\nOff = FALSE\nMixed = True\n"
        b"[Text]\n"
        b"Empty =\nQuotedEmpty = \"\"\nPlain = Main window\nPadded = \"  both ends  \"\n"
        b"Inner = \"say \"hi\"\"\nBackslashes = C:\\dir\\n\\\nTrigraphs = ??= ??/ ??' ??( ??! ???\n"
        b"Hash = #FF0000 ; not a comment\nQuotedNumber = \"640\"\n"
        b"Cp932 = \x95\x5c\x83\x5c\\\nUtf8 = caf\xc3\xa9 \xe8\xa1\xa8\n"
        b"Cp1252 = na\xefve \x80\n"
        b"AllBytes = " + ALL_BYTES + b"\n"
        b"[Text.Nested.Deeper]\nclass = 1\nand = 2\nNULL = 3\nlinux = 4\nmy-key = 5\n1st = 6\n"
        b"_Cap = 7\n"
        b"[Flags]\nAgain = false\n"
        b"[namespace]\nint = 8\n"
        b"[Empty]\n"
    ),
    "wide": (
        b"Small = 1\n[Wide]\nBig = 5000000000\nNeg = -2147483649\n"
        b"Max = 9223372036854775807\nMin = -9223372036854775808\n"
        b"UMax = 18446744073709551615\nHex = 0xFFFFFFFFFF\nUHex = 0xFFFFFFFFFFFFFFFF\n"
    ),
    "crlf_bom": b"\xef\xbb\xbf[A]\r\nx = 1\r\n[B]\ry = 2\r[A.C]\nz = \"3\"",
}


def needs_64_bit(name):
    return name == "wide"
