#include "companion/Tolvane.h"

#include "platform/IntegrityRecord.h"
#include "platform/ModulePath.h"

#define TOLVANE_EXPORT __attribute__((visibility("default")))

extern "C" {

TOLVANE_EXPORT std::int32_t OKSize()
{
    return integrity::expectedSize(executableDirectory() + "YaoPin.XML");
}

TOLVANE_EXPORT std::int32_t NowVer()
{
    return TERVANA_VERSION_MAJOR;
}
}
