#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The text of a memo pane as stored (GBK bytes, lines ended by CR LF) and as the pane's inner
// edit holds it (one paragraph per line). A CR or LF byte that is not part of a CR LF pair is
// no line break; it is shown as its control picture so that it survives an edit elsewhere.
namespace memotext {

// What the inner edit shows for a stored value; '\n' separates its lines.
QString toEditText(std::string_view stored);

// The stored bytes for the inner edit's text; empty when a character has no GBK form.
std::optional<std::string> toStoredText(const QString &editText);

// The number of stored bytes the edit text takes (each line break two); -1 when a character
// has no GBK form.
int storedLength(const QString &editText);

// Text from the clipboard or the keyboard as lines of the inner edit: every CR LF, CR, LF or
// Unicode line and paragraph separator becomes one line break. Empty when a character of it
// has no GBK form, control pictures included, so nothing can pass for a stored lone CR or LF.
std::optional<QString> insertableText(const QString &text);

// Selected edit text as it goes to the clipboard: a stored lone CR or LF as itself.
QString toClipboardText(const QString &editText);

// The longest prefix of insertable text that takes at most `budget` stored bytes, ending
// neither inside a double-byte character nor between the two bytes of a line break.
QString prefixWithin(const QString &text, int budget);

} // namespace memotext
