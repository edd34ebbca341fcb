// Colours and fonts.
#pragma once

#include "Classes.h"

#include <windows.h>

// 0x00BBGGRR, or a system colour: 0xFF000000 | COLOR_xxx index.
using TColor = int;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;

COLORREF ColorToRGB(TColor color);
// "clBtnFace" -> clBtnFace; false when the name is not a colour.
bool IdentToColor(const std::string& name, TColor& color);

enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont {
public:
    TFont() = default;
    ~TFont();
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    void Assign(const TFont& other);

    AnsiString Name() const { return FName; }
    int Height() const { return FHeight; }
    TColor Color() const { return FColor; }
    int Charset() const { return FCharset; }
    void SetName(const AnsiString& v);
    void SetHeight(int v);
    void SetColor(TColor v);
    void SetCharset(int v);

    // The GDI font for these settings, made on first use and kept until they change.
    HFONT Handle();

    // Handles "Name", "Height", "Color", "Charset", "Style", "Size" (the part after "Font.").
    void ReadProperty(const std::string& name, const TFormProperty& prop, TFormReader& reader);

    std::function<void(bool metricsChanged)> OnChange;

private:
    void Changed(bool metrics);

    AnsiString FName = "Tahoma";
    int FHeight = -11;
    TColor FColor = clWindowText;
    int FCharset = DEFAULT_CHARSET;
    HFONT FHandle = nullptr;
};
