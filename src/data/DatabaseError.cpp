#include "data/DatabaseError.h"

EDatabaseError componentError(std::string_view componentName, std::string_view message)
{
    std::string text;
    text.reserve(componentName.size() + 2 + message.size());
    text.append(componentName).append(": ").append(message);
    return EDatabaseError(std::move(text));
}
