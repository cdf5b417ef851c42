#include "forms/about/IconPicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

std::vector<TIconImage> iconImages(const QByteArray &file)
{
    std::vector<TIconImage> result;
    QBuffer buffer;
    buffer.setData(file);
    if (!buffer.open(QIODevice::ReadOnly)) return result;
    QImageReader reader(&buffer, "ico");
    const int count = reader.imageCount();
    // A directory (6 bytes, then 16 a picture) longer than the file is no icon's: the reader
    // would try each picture it claims.
    if (6 + qint64(count) * 16 > file.size()) return result;
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i)) break;
        // The directory entry's colour depth: 32 bits is the only one with alpha.
        const bool alpha = reader.imageFormat() == QImage::Format_ARGB32;
        QImage image = reader.read();
        if (!image.isNull()) result.push_back({std::move(image), alpha});
    }
    return result;
}

QImage iconImage(const QByteArray &file, int size)
{
    QImage found;
    for (TIconImage &entry : iconImages(file)) {
        if (entry.image.size() != QSize(size, size)) continue;
        if (entry.alpha) return std::move(entry.image);
        if (found.isNull()) found = std::move(entry.image);
    }
    return found;
}
