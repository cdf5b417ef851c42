#pragma once

#include <string>

// The running executable's full path, and its folder ending in "/".
std::string executablePath();
std::string executableDirectory();

// The folder part of `path` up to and including its last "/" (empty when there is none).
std::string directoryOf(const std::string &path);
