#pragma once
// What the program asks of the screen, behind a seam so that a test can hand
// it a screen of any width.

struct DisplayInfo
{
    int bitsPerPixel = 0;
    int widthPixels = 0;
    int heightPixels = 0;
    bool smallFonts = false; // 96 logical pixels per inch
};

class ScreenMetrics
{
public:
    virtual ~ScreenMetrics() = default;
    virtual DisplayInfo displayInfo() const = 0;
    // Logical dots per inch, for converting design geometry to pixels.
    virtual double logicalDpi() const = 0;
};
