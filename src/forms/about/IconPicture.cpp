#include "forms/about/IconPicture.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace {

// Little-endian reads that check the bounds first: the file may be damaged.
class TReader
{
public:
    explicit TReader(const QByteArray &data) : m_data(data) {}

    bool has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset + length <= m_data.size();
    }
    std::uint32_t u8(qint64 offset) const { return static_cast<std::uint8_t>(m_data[offset]); }
    std::uint32_t u16(qint64 offset) const { return u8(offset) | u8(offset + 1) << 8; }
    std::uint32_t u32(qint64 offset) const { return u16(offset) | u16(offset + 2) << 16; }

private:
    const QByteArray &m_data;
};

struct TEntry
{
    qint64 offset = 0;
    qint64 length = 0;
};

constexpr int DirectorySize = 6;
constexpr int EntrySize = 16;
constexpr int InfoHeaderSize = 40;
constexpr int MaxSide = 1024;

std::vector<TEntry> entries(const TReader &reader)
{
    std::vector<TEntry> result;
    if (!reader.has(0, DirectorySize) || reader.u16(0) != 0 || reader.u16(2) != 1) return result;
    const int count = static_cast<int>(reader.u16(4));
    if (!reader.has(DirectorySize, qint64(count) * EntrySize)) return result;
    for (int i = 0; i < count; ++i) {
        const qint64 at = DirectorySize + qint64(i) * EntrySize;
        TEntry entry{reader.u32(at + 12), reader.u32(at + 8)};
        if (reader.has(entry.offset, entry.length)) result.push_back(entry);
    }
    return result;
}

std::int32_t signed32(std::uint32_t value)
{
    return static_cast<std::int32_t>(value);
}

qint64 rowBytes(qint64 bits)
{
    return (bits + 31) / 32 * 4;
}

// The bitmap of one entry: its header, colour table, colour bits and mask, all in bounds.
struct TBitmap
{
    TIconImageInfo info;
    qint64 palette = 0;
    qint64 pixels = 0;
    qint64 mask = 0;
};

std::optional<TBitmap> bitmapOf(const TReader &reader, const TEntry &entry)
{
    const qint64 at = entry.offset;
    if (entry.length < InfoHeaderSize) return std::nullopt;
    const qint64 headerSize = reader.u32(at);
    const std::int32_t width = signed32(reader.u32(at + 4));
    const std::int32_t doubledHeight = signed32(reader.u32(at + 8));
    const int bitCount = static_cast<int>(reader.u16(at + 14));
    const std::uint32_t compression = reader.u32(at + 16);
    const std::uint32_t coloursUsed = reader.u32(at + 32);
    if (headerSize < InfoHeaderSize || headerSize > entry.length || compression != 0)
        return std::nullopt;
    // The height counts the colour bits and the mask together.
    if (width <= 0 || width > MaxSide || doubledHeight <= 0 || doubledHeight % 2 != 0 ||
        doubledHeight / 2 > MaxSide)
        return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return std::nullopt;
    const int height = doubledHeight / 2;
    qint64 colours = 0;
    if (bitCount <= 8) {
        colours = coloursUsed ? coloursUsed : (1u << bitCount);
        if (colours > (1 << bitCount)) return std::nullopt;
    }
    TBitmap bitmap;
    bitmap.info = {width, height, bitCount};
    bitmap.palette = at + headerSize;
    bitmap.pixels = bitmap.palette + colours * 4;
    bitmap.mask = bitmap.pixels + rowBytes(qint64(width) * bitCount) * height;
    const qint64 end = bitmap.mask + rowBytes(width) * height;
    if (end > at + entry.length) return std::nullopt;
    return bitmap;
}

QImage decodeBitmap(const TReader &reader, const TBitmap &bitmap)
{
    const TIconImageInfo &info = bitmap.info;
    QImage image(info.width, info.height, QImage::Format_ARGB32);
    if (image.isNull()) return image;
    const qint64 stride = rowBytes(qint64(info.width) * info.bitCount);
    const qint64 maskStride = rowBytes(info.width);
    const qint64 colours = (bitmap.pixels - bitmap.palette) / 4;
    bool anyAlpha = false;
    // Rows are stored bottom up.
    for (int y = 0; y < info.height; ++y) {
        const qint64 row = bitmap.pixels + stride * (info.height - 1 - y);
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < info.width; ++x) {
            if (info.bitCount >= 24) {
                const qint64 p = row + qint64(x) * (info.bitCount / 8);
                const int alpha = info.bitCount == 32 ? int(reader.u8(p + 3)) : 255;
                anyAlpha = anyAlpha || (info.bitCount == 32 && alpha != 0);
                line[x] =
                    qRgba(int(reader.u8(p + 2)), int(reader.u8(p + 1)), int(reader.u8(p)), alpha);
                continue;
            }
            const qint64 bit = qint64(x) * info.bitCount;
            const int shift = 8 - info.bitCount - int(bit % 8);
            const qint64 index = (reader.u8(row + bit / 8) >> shift) & ((1u << info.bitCount) - 1);
            if (index >= colours) {
                line[x] = qRgba(0, 0, 0, 255);
                continue;
            }
            const qint64 entry = bitmap.palette + index * 4;
            line[x] =
                qRgb(int(reader.u8(entry + 2)), int(reader.u8(entry + 1)), int(reader.u8(entry)));
        }
    }
    // Alpha decides at 32 bits; an image whose alpha is all zero relies on its mask instead.
    const bool useMask = info.bitCount != 32 || !anyAlpha;
    if (!useMask) return image;
    for (int y = 0; y < info.height; ++y) {
        const qint64 row = bitmap.mask + maskStride * (info.height - 1 - y);
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < info.width; ++x) {
            const bool clear = reader.u8(row + x / 8) & (0x80u >> (x % 8));
            line[x] = clear ? qRgba(0, 0, 0, 0) : (line[x] | 0xFF000000u);
        }
    }
    return image;
}

} // namespace

std::vector<TIconImageInfo> iconImages(const QByteArray &file)
{
    const TReader reader(file);
    std::vector<TIconImageInfo> result;
    for (const TEntry &entry : entries(reader)) {
        if (auto bitmap = bitmapOf(reader, entry)) result.push_back(bitmap->info);
    }
    return result;
}

QImage iconImage(const QByteArray &file, int size, int bitCount)
{
    const TReader reader(file);
    for (const TEntry &entry : entries(reader)) {
        const auto bitmap = bitmapOf(reader, entry);
        if (!bitmap) continue;
        const TIconImageInfo &info = bitmap->info;
        if (info.width == size && info.height == size && info.bitCount == bitCount)
            return decodeBitmap(reader, *bitmap);
    }
    return {};
}
