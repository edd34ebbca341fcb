#include "Graphics.h"
#include "FormReader.h"

#include <map>

COLORREF ColorToRGB(TColor color) {
    if ((color & clSystemColor) == clSystemColor)
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

bool IdentToColor(const std::string& name, TColor& color) {
    static const std::map<std::string, TColor> names = {
        {"clBtnFace", clBtnFace}, {"clWindow", clWindow}, {"clWindowText", clWindowText},
        {"clBtnText", clBtnText}, {"clBlack", clBlack},   {"clMaroon", clMaroon},
        {"clGreen", clGreen},     {"clNavy", clNavy},     {"clGray", clGray},
        {"clSilver", clSilver},   {"clRed", clRed},       {"clBlue", clBlue},
        {"clWhite", clWhite},     {"clNone", clNone},
    };
    auto it = names.find(name);
    if (it == names.end())
        return false;
    color = it->second;
    return true;
}

TFont::~TFont() {
    if (FHandle)
        DeleteObject(FHandle);
}

void TFont::Assign(const TFont& other) {
    FName = other.FName;
    FHeight = other.FHeight;
    FColor = other.FColor;
    FCharset = other.FCharset;
    Changed(true);
}

void TFont::SetName(const AnsiString& v) {
    FName = v;
    Changed(true);
}

void TFont::SetHeight(int v) {
    FHeight = v;
    Changed(true);
}

void TFont::SetColor(TColor v) {
    FColor = v;
    Changed(false);
}

void TFont::SetCharset(int v) {
    FCharset = v;
    Changed(true);
}

void TFont::Changed(bool metrics) {
    if (metrics && FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
    if (OnChange)
        OnChange(metrics);
}

HFONT TFont::Handle() {
    if (!FHandle) {
        LOGFONTW lf = {};
        lf.lfHeight = FHeight;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = static_cast<BYTE>(FCharset);
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        const std::wstring face = AnsiToWide(FName);
        lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
        FHandle = CreateFontIndirectW(&lf);
    }
    return FHandle;
}

void TFont::ReadProperty(const std::string& name, const TFormProperty& prop, TFormReader& reader) {
    if (name == "Name") {
        SetName(reader.String(prop));
    } else if (name == "Height") {
        SetHeight(reader.Integer(prop));
    } else if (name == "Size") {
        SetHeight(-MulDiv(reader.Integer(prop), 96, 72));
    } else if (name == "Color") {
        SetColor(reader.Color(prop));
    } else if (name == "Charset") {
        if (prop.Value.IsInteger())
            SetCharset(reader.Integer(prop));
        else
            SetCharset(reader.Enum(prop, {{"DEFAULT_CHARSET", DEFAULT_CHARSET},
                                          {"ANSI_CHARSET", ANSI_CHARSET},
                                          {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}}));
    } else if (name == "Style") {
        if (!reader.Set(prop).empty())
            reader.Fail(prop, "font styles are not supported");
    } else {
        reader.Unknown(prop);
    }
}
