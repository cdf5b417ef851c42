#pragma once

#include <QImage>

#include <vector>

class QByteArray;

// One image of an icon file, as Qt's icon reader decodes it.
struct TIconImage
{
    QImage image;
    bool alpha = false; // stored at 32 bits, with an alpha channel of its own
};

// The images an icon file (.ico) holds, in file order; empty when it is no icon file. An
// image whose data is damaged is left out.
std::vector<TIconImage> iconImages(const QByteArray &file);

// The icon's image of `size` pixels square, the one with its own alpha where there is one,
// transparent where its alpha or its mask says so; a null image when the file has none.
QImage iconImage(const QByteArray &file, int size);
