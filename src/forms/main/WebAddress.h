#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// What a click on a manufacturer's web address hands to the desktop. The address comes from
// the data file, which anyone may have written, so only a web address leaves the program: an
// "http" or "https" address, or a bare host name such as "www.example.cn" (opened as http).
// A blank text gives nothing, and so does anything else (a file, a program, another scheme).
std::optional<QUrl> webAddressToOpen(const QString &text);
