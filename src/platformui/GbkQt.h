#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The edge between stored GBK bytes and the toolkit's strings.
QString toQString(std::string_view gbkBytes);

// Empty when the text holds a character that GBK cannot represent.
std::optional<std::string> toGbk(const QString &text);
