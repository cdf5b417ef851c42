#include "platform/ModulePath.h"

#include <climits>
#include <unistd.h>

std::string executablePath()
{
    std::string buffer(PATH_MAX, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return {};
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

std::string directoryOf(const std::string &path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string executableDirectory()
{
    return directoryOf(executablePath());
}
