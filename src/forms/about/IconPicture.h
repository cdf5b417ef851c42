#pragma once

#include <QImage>

#include <vector>

class QByteArray;

// One image of an icon file as its own header describes it.
struct TIconImageInfo
{
    int width = 0;
    int height = 0;
    int bitCount = 0; // 4 for 16 colours, 8 for 256 colours, 32 for colour with alpha
};

// The images an icon file (.ico) holds, in file order; empty when it is no icon file. An
// image whose data is damaged, or that is stored compressed, is left out.
std::vector<TIconImageInfo> iconImages(const QByteArray &file);

// The icon's image of that size and colour depth as ARGB, transparent where its mask (or
// its alpha, at 32 bits) says so; a null image when the file has no such image.
QImage iconImage(const QByteArray &file, int size, int bitCount);
