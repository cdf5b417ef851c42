#include "platformui/GbkQt.h"

#include "platform/Codec.h"

QString toQString(std::string_view gbkBytes)
{
    const std::string utf8 = gbk::toUtf8(gbkBytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> toGbk(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    // A lone surrogate in the toolkit string comes out as U+FFFD; refuse it rather than
    // store a replacement character the user never typed.
    if (text.contains(QChar(0xFFFD)) || utf8.contains('\0')) return std::nullopt;
    return gbk::fromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}
