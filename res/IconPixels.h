#pragma once
#include <cstdint>
#include <span>

// One size of the program's icon, decoded from res/icons/vokabo-SIZE.png when
// the program is built (res/make_icon_pixels.py): start-up then reads no image
// file and asks no image plugin.
struct IconPixels {
    int width;
    int height;
    // width * height pixels, row by row, each 0xAARRGGBB with the colour not
    // premultiplied by alpha, as QImage::Format_ARGB32 holds them.
    const std::uint32_t* argb;
};

// Every size the window icon offers, the same as the PNGs shipped for the menu.
std::span<const IconPixels> VokaboIconPixels();
