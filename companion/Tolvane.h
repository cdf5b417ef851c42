#pragma once

#include <cstdint>

// The companion library: the data file's expected size and the program's version number.
extern "C" {
std::int32_t OKSize();
std::int32_t NowVer();
}
