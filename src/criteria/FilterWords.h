#pragma once

#include "platform/Codec.h"

#include <cassert>
#include <string>
#include <string_view>

// The criteria's own words, written here in UTF-8 and used as GBK bytes like every other text
// of the filter.
inline std::string gbkWord(std::string_view utf8)
{
    std::optional<std::string> bytes = gbk::fromUtf8(utf8);
    assert(bytes);
    return bytes ? *bytes : std::string();
}
