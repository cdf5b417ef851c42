#pragma once

#include <QString>

// The author's contact details, shown on the notice card and in the status bar. They are
// sample values.
namespace author {

inline const QString WebAddress = QStringLiteral("http://www.tervana.example.cn/");
inline const QString MailAddress = QStringLiteral("tervana@example.cn");
inline const QString QQNumber = QStringLiteral("10000");

} // namespace author
