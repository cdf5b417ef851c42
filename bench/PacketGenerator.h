#pragma once

#include <cstdint>
#include <string>

constexpr std::uint32_t DefaultColdPercent = 5;

// Deterministic data packets that look like the shipped drug file: the 22 drug fields, short
// names, and long interaction, adverse reaction and precaution texts of a few hundred GBK bytes.
// The same count and seed give the same bytes on every machine.
//
// Exactly the records chosen by `coldPercent` (each record with that chance, decided by the
// seed) contain "感冒" in their precautions ("ZhuYiShiXiang"), once, at a whole character;
// no other record or field contains those bytes anywhere, so a filter's hit count is known.
std::string generateDrugPacket(std::uint32_t recordCount, std::uint64_t seed = 1,
                               std::uint32_t coldPercent = DefaultColdPercent);
