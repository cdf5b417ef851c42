// Writes a generated data file of the drug fields: bench_packet RECORDS PATH. With
// --cold-filter PATH instead, writes the filter stream of the one condition the filter
// benchmarks time: 注意事项 like %感冒%.
#include "PacketGenerator.h"

#include "controller/cxGridDBDataController.h"
#include "criteria/FilterStream.h"
#include "druglist/DrugListColumns.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--cold-filter") {
        TcxGridDBDataController controller(drugListFieldNames());
        const std::vector<std::string> names = drugListFieldNames();
        const int item = static_cast<int>(
            std::find(names.begin(), names.end(), "Zhuyishixiang") - names.begin());
        const std::string like = "%\xB8\xD0\xC3\xB0%"; // %感冒% in GBK
        controller.Filter().addCondition(nullptr, item, TcxFilterOperatorKind::Like,
                                         TVariant(like), like);
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out << writeFilterStream(controller.Filter());
        return out.good() ? 0 : 1;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_packet RECORDS PATH | bench_packet --cold-filter PATH\n");
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << generateDrugPacket(static_cast<std::uint32_t>(std::stoul(argv[1])));
    return out.good() ? 0 : 1;
}
