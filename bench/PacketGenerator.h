#pragma once

#include <cstdint>
#include <string>

// Deterministic data packets that look like the shipped drug file: the 22 drug fields, short
// names, and long interaction, adverse reaction and precaution texts of a few hundred GBK bytes.
// The same count and seed give the same bytes on every machine.
std::string generateDrugPacket(std::uint32_t recordCount, std::uint64_t seed = 1);
