#include "grid/StartTiming.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

bool timingWanted()
{
    static const bool wanted = std::getenv("TERVANA_TIMING") != nullptr;
    return wanted;
}

} // namespace

void noteStartMoment(const char *moment)
{
    if (!timingWanted()) return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "tervana-timing %s %lld.%09ld\n", moment,
                 static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stderr);
}

void noteFirstRowsPainted()
{
    static bool noted = false;
    if (noted || !timingWanted()) return;
    noted = true;
    noteStartMoment("first-rows");
}
