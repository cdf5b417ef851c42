// Writes a generated data file of the drug fields: bench_packet RECORDS PATH.
#include "PacketGenerator.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_packet RECORDS PATH\n");
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << generateDrugPacket(static_cast<std::uint32_t>(std::stoul(argv[1])));
    return out.good() ? 0 : 1;
}
