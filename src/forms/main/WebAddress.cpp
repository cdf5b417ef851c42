#include "forms/main/WebAddress.h"

#include <QRegularExpression>

namespace {

// Blanks and control characters, as the address is trimmed of them.
bool isBlank(QChar c)
{
    return c.unicode() <= 32;
}

QString trimmed(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty() && url.userInfo().isEmpty();
}

} // namespace

std::optional<QUrl> webAddressToOpen(const QString &text)
{
    const QString address = trimmed(text);
    if (address.isEmpty()) return std::nullopt;
    for (QChar c : address)
        if (isBlank(c) || c == QLatin1Char('\\')) return std::nullopt;

    // A host name of at least two labels, then an optional port and path.
    static const QRegularExpression bareHost(QStringLiteral(
        "^[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?)+"
        "(?::[0-9]{1,5})?(?:/.*)?$"));
    const bool isBareHost = bareHost.match(address).hasMatch();
    const QUrl url(isBareHost ? QStringLiteral("http://") + address : address, QUrl::StrictMode);
    return isWebUrl(url) ? std::optional<QUrl>(url) : std::nullopt;
}
