#pragma once

#include "platform/Exception.h"

#include <string>
#include <string_view>

// A failure raised by a data set, a field or a data link. Its message already carries the
// raising component's name ("cds: Record not found").
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

// The error `message` raised by the component called `componentName`: "name: message".
EDatabaseError componentError(std::string_view componentName, std::string_view message);
