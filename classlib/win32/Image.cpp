#include "Image.h"
#include "FormReader.h"

#include <cstring>

namespace {
std::uint32_t Le32(const std::string& s, size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}
std::uint16_t Le16(const std::string& s, size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                      static_cast<unsigned char>(s[at + 1]) << 8);
}
} // namespace

TImage::TImage(TComponent* AOwner) : TWinControl(AOwner) {
    FParentColor = true;
}

TImage::~TImage() {
    if (FBitmap)
        DeleteObject(FBitmap);
    if (FIcon)
        DestroyIcon(FIcon);
}

void TImage::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"Static";
    params.Stock = true;
    // Drawn by the image itself, so the window keeps its own size instead of the picture's.
    params.Style |= SS_OWNERDRAW;
}

void TImage::ReadProperty(const TFormProperty& prop, TFormReader& reader) {
    if (prop.Name == "Picture.Data") {
        try {
            LoadPicture(reader.Binary(prop));
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            reader.Fail(prop, e.Message);
        }
    } else if (prop.Name == "Transparent") {
        FTransparent = reader.Boolean(prop);
    } else {
        TWinControl::ReadProperty(prop, reader);
    }
}

void TImage::LoadPicture(const std::string& data) {
    // A short string naming the picture's class, then the picture's own stream.
    if (data.empty() || static_cast<unsigned char>(data[0]) + 1u > data.size())
        throw Exception("picture data without a class name");
    const std::string cls = data.substr(1, static_cast<unsigned char>(data[0]));
    const std::string rest = data.substr(1 + cls.size());
    if (cls == "TBitmap") {
        if (rest.size() < 4 || Le32(rest, 0) != rest.size() - 4)
            throw Exception("bitmap size does not match its data");
        LoadBitmap(rest.substr(4));
    } else if (cls == "TIcon") {
        LoadIcon(rest);
    } else {
        throw Exception("unsupported picture class " + cls);
    }
}

void TImage::LoadBitmap(const std::string& bmp) {
    if (bmp.size() < 14 + sizeof(BITMAPINFOHEADER) || bmp[0] != 'B' || bmp[1] != 'M')
        throw Exception("not a BMP file");
    const std::uint32_t bitsAt = Le32(bmp, 10);
    BITMAPINFOHEADER header;
    std::memcpy(&header, bmp.data() + 14, sizeof header);
    const int width = header.biWidth;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const int bpp = header.biBitCount;
    if (header.biSize < sizeof header || width <= 0 || height <= 0 || width > 4096 ||
        height > 4096 || header.biCompression != BI_RGB ||
        (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
        throw Exception("unsupported BMP format");
    const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    const size_t colours = bpp <= 8 ? (header.biClrUsed ? header.biClrUsed : 1u << bpp) : 0;
    const size_t infoSize = header.biSize + colours * sizeof(RGBQUAD);
    if (colours > 256 || 14 + infoSize > bmp.size() || bitsAt > bmp.size() ||
        bmp.size() - bitsAt < stride * static_cast<size_t>(height))
        throw Exception("BMP data is truncated");
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bmp.data() + 14);
    const HDC screen = GetDC(nullptr);
    FBitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bmp.data() + bitsAt, info,
                             DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!FBitmap)
        throw Exception("cannot make a bitmap of the picture");
    FPictureWidth = width;
    FPictureHeight = height;
}

void TImage::LoadIcon(const std::string& ico) {
    // ICONDIR (6 bytes) and the first ICONDIRENTRY (16 bytes).
    if (ico.size() < 22 || Le16(ico, 0) != 0 || Le16(ico, 2) != 1 || Le16(ico, 4) == 0)
        throw Exception("not an icon file");
    const std::uint32_t size = Le32(ico, 6 + 8);
    const std::uint32_t offset = Le32(ico, 6 + 12);
    if (offset > ico.size() || size > ico.size() - offset || size < sizeof(BITMAPINFOHEADER))
        throw Exception("icon data is truncated");
    const int width = static_cast<unsigned char>(ico[6]) ? static_cast<unsigned char>(ico[6]) : 256;
    const int height =
        static_cast<unsigned char>(ico[7]) ? static_cast<unsigned char>(ico[7]) : 256;
    std::string image = ico.substr(offset, size); // the API wants a writable, aligned copy
    FIcon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(&image[0]), size, TRUE, 0x00030000,
                                     width, height, LR_DEFAULTCOLOR);
    if (!FIcon)
        throw Exception("cannot make an icon of the picture");
    FPictureWidth = width;
    FPictureHeight = height;
}

void TImage::Draw(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, Brush());
    if (FIcon) {
        DrawIconEx(dc, 0, 0, FIcon, FPictureWidth, FPictureHeight, 0, nullptr, DI_NORMAL);
    } else if (FBitmap) {
        const HDC mem = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(mem, FBitmap);
        if (FTransparent) {
            // The bottom-left pixel's colour is the one that lets the background through.
            const COLORREF key = GetPixel(mem, 0, FPictureHeight - 1);
            GdiTransparentBlt(dc, 0, 0, FPictureWidth, FPictureHeight, mem, 0, 0, FPictureWidth,
                              FPictureHeight, key);
        } else {
            BitBlt(dc, 0, 0, FPictureWidth, FPictureHeight, mem, 0, 0, SRCCOPY);
        }
        SelectObject(mem, old);
        DeleteDC(mem);
    }
}

void TImage::Dispatch(TMessage& msg) {
    if (msg.Msg == RM_DRAWITEM) {
        Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(msg.LParam));
        msg.Result = TRUE;
        return;
    }
    TWinControl::Dispatch(msg);
}
