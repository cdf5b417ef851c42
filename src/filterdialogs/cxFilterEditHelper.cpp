#include "filterdialogs/cxFilterEditHelper.h"

#include "filterdialogs/cxFilterMaskEditHelper.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool isInteger(std::string_view text)
{
    text = trimmedBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool isFloat(std::string_view text)
{
    text = trimmedBlanks(text);
    if (text.empty()) return false;
    const std::string copy(text);
    char *end = nullptr;
    errno = 0;
    std::strtod(copy.c_str(), &end);
    return errno != ERANGE && end == copy.c_str() + copy.size();
}

} // namespace

const TcxFilterEditHelper *filterEditHelper(TcxColumnEditorKind kind)
{
    static const TcxFilterMaskEditHelper maskEditHelper;
    switch (kind) {
    case TcxColumnEditorKind::MaskEdit: return &maskEditHelper;
    case TcxColumnEditorKind::Memo: return nullptr;
    }
    return nullptr;
}

bool validateFilterValue(TVariant &value, TcxFilterEditorOperator op, TcxFilterValueType type)
{
    if (value.isText() && value.asText().empty() && type != TcxFilterValueType::Text)
        value = TVariant();
    if (value.isNull() || isLikeOperator(op)) return true;
    switch (type) {
    case TcxFilterValueType::Text: return true;
    case TcxFilterValueType::Integer: return value.isText() && isInteger(value.asText());
    case TcxFilterValueType::Float: return value.isText() && isFloat(value.asText());
    }
    return false;
}
