#include "editors/MemoText.h"

#include "platform/Codec.h"
#include "platformui/GbkQt.h"

namespace memotext {

namespace {

// The control pictures that stand for a stored lone CR and a stored lone LF. GBK has neither,
// so no typed or pasted text can produce them.
constexpr char16_t LoneCr = u'\u240D';
constexpr char16_t LoneLf = u'\u240A';

} // namespace

QString toEditText(std::string_view stored)
{
    const QString text = toQString(stored);
    QString edit;
    edit.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\n') {
                edit += u'\n';
                ++i;
            } else {
                edit += QChar(LoneCr);
            }
        } else if (c == u'\n') {
            edit += QChar(LoneLf);
        } else {
            edit += c;
        }
    }
    return edit;
}

std::optional<std::string> toStoredText(const QString &editText)
{
    QString stored;
    stored.reserve(editText.size() + editText.count(u'\n'));
    for (const QChar c : editText) {
        if (c == u'\n')
            stored += QStringLiteral("\r\n");
        else if (c == QChar(LoneCr))
            stored += u'\r';
        else if (c == QChar(LoneLf))
            stored += u'\n';
        else
            stored += c;
    }
    return toGbk(stored);
}

int storedLength(const QString &editText)
{
    const std::optional<std::string> stored = toStoredText(editText);
    return stored ? static_cast<int>(stored->size()) : -1;
}

std::optional<QString> insertableText(const QString &text)
{
    QString lines;
    lines.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
            lines += u'\n';
        } else if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            lines += u'\n';
        } else {
            lines += c;
        }
    }
    if (!toGbk(lines)) return std::nullopt;
    return lines;
}

QString toClipboardText(const QString &editText)
{
    QString text = editText;
    text.replace(QChar(LoneCr), u'\r');
    text.replace(QChar(LoneLf), u'\n');
    return text;
}

QString prefixWithin(const QString &text, int budget)
{
    if (budget <= 0) return {};
    const std::optional<std::string> stored = toStoredText(text);
    if (!stored) return {};
    if (static_cast<int>(stored->size()) <= budget) return text;
    std::size_t length = gbk::wholeCharPrefix(*stored, static_cast<std::size_t>(budget));
    // Half a line break would come back as a lone CR.
    if (length > 0 && (*stored)[length - 1] == '\r' && length < stored->size() &&
        (*stored)[length] == '\n')
        --length;
    return toEditText(std::string_view(*stored).substr(0, length));
}

} // namespace memotext
