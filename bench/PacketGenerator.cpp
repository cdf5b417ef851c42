#include "PacketGenerator.h"

#include "engine/DataPacket.h"

#include <algorithm>
#include <vector>

namespace {

// splitmix64: small, fast, and the same everywhere (std's distributions are not).
class TRandom
{
public:
    explicit TRandom(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t between(std::uint32_t low, std::uint32_t high)
    {
        return low + static_cast<std::uint32_t>(next() % (high - low + 1));
    }

private:
    std::uint64_t m_state;
};

enum class TText { Chinese, Pinyin, Digits };

struct TFieldShape
{
    const char *name;
    std::uint32_t width;
    std::uint32_t shortest; // bytes
    std::uint32_t longest;
    TText text;
};

// Lengths as the package inserts of the shipped data have them.
const TFieldShape Shapes[] = {
    {"TongYongMing", 40, 8, 20, TText::Chinese},
    {"ShangPinMing", 40, 4, 12, TText::Chinese},
    {"LeiBie", 30, 10, 12, TText::Chinese},
    {"PinYin", 100, 10, 30, TText::Pinyin},
    {"ChengFen", 200, 40, 180, TText::Chinese},
    {"XingZhuang", 100, 20, 60, TText::Chinese},
    {"ZuoYongLeiBie", 60, 20, 30, TText::Chinese},
    {"YaoLiZuoYong", 200, 60, 190, TText::Chinese},
    {"ShiYongZheng", 200, 40, 190, TText::Chinese},
    {"YongFaYongLiang", 200, 40, 190, TText::Chinese},
    {"JinJiZheng", 200, 20, 100, TText::Chinese},
    {"YaoWuXiangHuZuoYong", 1024, 200, 700, TText::Chinese},
    {"BuLiangFanYong", 1024, 150, 600, TText::Chinese},
    {"ZhuYiShiXiang", 1024, 200, 900, TText::Chinese},
    {"GuiGe", 100, 6, 20, TText::Chinese},
    {"ChuCang", 100, 8, 20, TText::Chinese},
    {"BaoZhuang", 100, 20, 40, TText::Chinese},
    {"YouXiaoQi", 60, 6, 8, TText::Chinese},
    {"PiZhunWenHao", 200, 20, 24, TText::Chinese},
    {"ShengChanQiYe", 100, 12, 30, TText::Chinese},
    {"Phone", 15, 12, 12, TText::Digits},
    {"Web", 20, 14, 20, TText::Pinyin},
};

std::string text(TRandom &random, std::uint32_t length, TText kind)
{
    std::string value;
    value.reserve(length);
    while (value.size() < length) {
        if (kind == TText::Digits) {
            value += static_cast<char>('0' + random.between(0, 9));
        } else if (kind == TText::Pinyin) {
            value += static_cast<char>('a' + random.between(0, 25));
        } else if (value.size() + 2 > length) {
            value += static_cast<char>('0' + random.between(0, 9));
        } else {
            const std::uint32_t roll = random.between(0, 99);
            if (roll < 3 && !value.empty()) {
                value += '\n'; // numbered items of a long section start on new lines
            } else if (roll < 10) {
                value += "\xA3\xAC"; // full-width comma
            } else {
                // A character of the common hanzi rows. A trail byte of 0xB8 is skipped: "感"
                // is B8 D0, so without it neither an aligned nor a shifted "感冒" can arise.
                value += static_cast<char>(random.between(0xB0, 0xD7));
                std::uint32_t trail = random.between(0xA1, 0xF9);
                if (trail == 0xB8) ++trail;
                value += static_cast<char>(trail);
            }
        }
    }
    return value;
}

} // namespace

std::string generateDrugPacket(std::uint32_t recordCount, std::uint64_t seed,
                               std::uint32_t coldPercent)
{
    const std::string cold = "\xB8\xD0\xC3\xB0"; // 感冒
    const std::size_t precautions = 13;
    std::vector<TFieldDescriptor> fields;
    for (const TFieldShape &shape : Shapes)
        fields.push_back(
            {shape.name, "String", shape.width, static_cast<std::uint32_t>(fields.size() + 1)});
    TRandom random(seed);
    std::vector<std::string> row(fields.size());
    std::size_t rowMade = static_cast<std::size_t>(-1);
    std::string packet;
    packet.reserve(std::size_t(recordCount) * 2600); // about what a record takes
    writeDataPacket(
        fields, {}, recordCount,
        [&](std::size_t record, std::uint32_t fieldNo) -> std::optional<std::string_view> {
            if (record != rowMade) {
                for (std::size_t f = 0; f < fields.size(); ++f) {
                    const TFieldShape &shape = Shapes[f];
                    row[f] =
                        text(random, random.between(shape.shortest, shape.longest), shape.text);
                }
                if (random.between(0, 99) < coldPercent) {
                    std::string &value = row[precautions];
                    // Characters are two bytes from the start, until the last digit filler.
                    std::size_t at = random.between(0, static_cast<std::uint32_t>(value.size()));
                    at = std::min(at, value.find_first_of("0123456789")) & ~std::size_t(1);
                    // Skipping line breaks keeps the pairs aligned; a break is one byte.
                    std::size_t pos = 0;
                    while (pos < at)
                        pos += value[pos] == '\n' ? 1 : 2;
                    value.insert(std::min(pos, value.size()), cold);
                }
                rowMade = record;
            }
            return std::string_view(row[fieldNo - 1]);
        },
        [&](std::string_view bytes) { packet += bytes; });
    return packet;
}
