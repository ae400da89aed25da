// Pixels of a window as the user sees them, and the BMP file they are saved to.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorix::uidriver {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> bgra;  // top-down rows, 0x00RRGGBB
};

// Copies a rectangle of the screen. Under Wine a window of another process can only be read
// this way (its device contexts live in that process), so the window must not be covered.
bool CaptureScreenRect(const RECT& screenRect, Pixels& out);

// The whole window, frame included: PrintWindow on Windows, the screen under Wine.
bool CaptureWindow(HWND window, Pixels& out);

// 24-bit bottom-up BMP, the form every viewer and ImageMagick read.
bool WriteBmpFile(const std::wstring& path, const Pixels& pixels);

// Draws an icon the way a static control shows it, over a plain background.
bool RenderIcon(HICON icon, int width, int height, std::uint32_t background, Pixels& out);

bool RunningUnderWine();

}  // namespace quorix::uidriver
