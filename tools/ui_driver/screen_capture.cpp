#include "screen_capture.h"

#include <cstring>

namespace quorix::uidriver {
namespace {

// A 32-bit top-down DIB section selected into a memory DC, released on every path.
class DibCanvas {
public:
    DibCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        if (screen == nullptr) return;
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        ReleaseDC(nullptr, screen);
        if (dc_ != nullptr && bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
    }
    ~DibCanvas() {
        if (old_ != nullptr) SelectObject(dc_, old_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    bool ok() const { return old_ != nullptr && bits_ != nullptr; }
    HDC dc() const { return dc_; }
    void CopyTo(Pixels& out) const {
        GdiFlush();
        out.width = width_;
        out.height = height_;
        out.bgra.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
        std::memcpy(out.bgra.data(), bits_, out.bgra.size() * sizeof(std::uint32_t));
        for (std::uint32_t& p : out.bgra) p &= 0x00FFFFFF;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

bool SaneSize(int width, int height) {
    return width > 0 && height > 0 && width <= 8192 && height <= 8192;
}

}  // namespace

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool CaptureScreenRect(const RECT& r, Pixels& out) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (!SaneSize(width, height)) return false;
    DibCanvas canvas(width, height);
    if (!canvas.ok()) return false;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    const BOOL copied = BitBlt(canvas.dc(), 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;
    canvas.CopyTo(out);
    return true;
}

bool CaptureWindow(HWND window, Pixels& out) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    if (!RunningUnderWine()) {
        const int width = r.right - r.left;
        const int height = r.bottom - r.top;
        if (!SaneSize(width, height)) return false;
        DibCanvas canvas(width, height);
        if (canvas.ok() && PrintWindow(window, canvas.dc(), 0)) {
            canvas.CopyTo(out);
            return true;
        }
    }
    return CaptureScreenRect(r, out);
}

bool RenderIcon(HICON icon, int width, int height, std::uint32_t background, Pixels& out) {
    if (!SaneSize(width, height)) return false;
    DibCanvas canvas(width, height);
    if (!canvas.ok()) return false;
    HBRUSH brush = CreateSolidBrush(
        RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
    if (brush == nullptr) return false;
    RECT all = {0, 0, width, height};
    FillRect(canvas.dc(), &all, brush);
    DeleteObject(brush);
    if (!DrawIconEx(canvas.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) return false;
    canvas.CopyTo(out);
    return true;
}

bool WriteBmpFile(const std::wstring& path, const Pixels& pixels) {
    if (!SaneSize(pixels.width, pixels.height)) return false;
    const size_t rowBytes = (static_cast<size_t>(pixels.width) * 3 + 3) & ~static_cast<size_t>(3);
    const size_t imageBytes = rowBytes * static_cast<size_t>(pixels.height);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + imageBytes);
    info.biSize = sizeof info;
    info.biWidth = pixels.width;
    info.biHeight = pixels.height;  // positive: bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(imageBytes);

    std::vector<unsigned char> data(sizeof file + sizeof info + imageBytes, 0);
    std::memcpy(data.data(), &file, sizeof file);
    std::memcpy(data.data() + sizeof file, &info, sizeof info);
    unsigned char* image = data.data() + file.bfOffBits;
    for (int y = 0; y < pixels.height; ++y) {
        const std::uint32_t* src =
            pixels.bgra.data() + static_cast<size_t>(pixels.height - 1 - y) * pixels.width;
        unsigned char* dst = image + static_cast<size_t>(y) * rowBytes;
        for (int x = 0; x < pixels.width; ++x) {
            dst[x * 3 + 0] = static_cast<unsigned char>(src[x] & 0xFF);
            dst[x * 3 + 1] = static_cast<unsigned char>((src[x] >> 8) & 0xFF);
            dst[x * 3 + 2] = static_cast<unsigned char>((src[x] >> 16) & 0xFF);
        }
    }

    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == data.size();
}

}  // namespace quorix::uidriver
