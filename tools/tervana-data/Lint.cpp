#include "tervana-data/Lint.h"

#include "druglist/DrugFields.h"

#include "platform/Codec.h"
#include "tervana-data/DataTool.h"
#include "tervana-data/Json.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <map>

namespace {

// ---------------------------------------------------------------------------------------
// Tables the rules read. Names are matched as parts of the ingredient text, so that salts
// (盐酸伪麻黄碱, 马来酸氯苯那敏) are found by their base.

// No field may be empty: every record is a whole insert. A field named here would be exempt.
constexpr std::array<std::string_view, 0> FieldsThatMayBeEmpty{};

constexpr std::string_view OtcClasses[] = {"甲类非处方药", "乙类非处方药"};

// 麻黄碱 covers 伪麻黄碱, 甲麻黄碱 and 去甲麻黄碱 and their salts; the herb 麻黄 is not one.
constexpr std::string_view EphedrineType = "麻黄碱";
constexpr double EphedrinePerUnitMg = 30;
constexpr double EphedrinePerPackMg = 720;

constexpr std::string_view Paracetamol[] = {"对乙酰氨基酚", "扑热息痛"};
constexpr std::string_view Aspirin[] = {"阿司匹林", "乙酰水杨酸"};

constexpr std::string_view SedatingAntihistamines[] = {
    "氯苯那敏", "扑尔敏",   "苯海拉明", "异丙嗪",   "赛庚啶",   "酮替芬",
    "茶苯海明", "曲普利啶", "多西拉敏", "氯马斯汀", "美吡拉敏", "苯茚胺",
    "溴苯那敏", "羟嗪",     "去氯羟嗪", "布克利嗪", "美克洛嗪", "桂利嗪"};

// Short dose formulas such as 口服。成人一次1～2片，一日3次。 are rightly the same for many
// medicines; a 用法用量 up to this many characters may be shared whatever the ingredients.
constexpr std::size_t SharedDoseFormulaChars = 24;

// Medicines for children only: the standard inserts warn of drowsiness, not of driving.
constexpr std::string_view ChildrensMedicine = "小儿";

// Forms applied to the skin, eye, nose, mouth or vagina: the ephedrine limits are for oral
// compounds, and a sedating antihistamine in them does not reach the blood to make one drowsy.
constexpr std::string_view ExternalForms[] = {"滴眼液", "眼膏",   "眼用凝胶", "滴鼻液", "鼻喷雾剂",
                                              "滴耳液", "乳膏",   "软膏",     "凝胶",   "乳胶剂",
                                              "搽剂",   "洗剂",   "酊",       "贴",     "栓",
                                              "阴道",   "含漱液", "涂剂",     "涂膜剂", "气雾剂"};

// The drug record's fields as the data set declares them, for drafts that bring none.
std::vector<TLintField> shippedFields()
{
    std::vector<TLintField> fields;
    for (const TDrugField &field : drugFields())
        fields.push_back({field.fieldName, static_cast<std::size_t>(byteWidth(field))});
    return fields;
}

// ---------------------------------------------------------------------------------------
// UTF-8 text helpers.

bool has(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

template<typename List>
bool hasAny(std::string_view text, const List &parts)
{
    return std::any_of(std::begin(parts), std::end(parts),
                       [&](std::string_view part) { return has(text, part); });
}

bool hasAny(std::string_view text, std::initializer_list<std::string_view> parts)
{
    return std::any_of(parts.begin(), parts.end(),
                       [&](std::string_view part) { return has(text, part); });
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

constexpr std::string_view IdeographicSpace = "\xE3\x80\x80";

std::string_view trimmed(std::string_view text)
{
    for (;;) {
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                              text.front() == '\n'))
            text.remove_prefix(1);
        else if (startsWith(text, IdeographicSpace))
            text.remove_prefix(IdeographicSpace.size());
        else
            break;
    }
    for (;;) {
        if (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                              text.back() == '\n'))
            text.remove_suffix(1);
        else if (endsWith(text, IdeographicSpace))
            text.remove_suffix(IdeographicSpace.size());
        else
            break;
    }
    return text;
}

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The start of the UTF-8 character that ends just before `position`.
std::size_t previousChar(std::string_view text, std::size_t position)
{
    if (position == 0) return 0;
    --position;
    while (position > 0 && (static_cast<unsigned char>(text[position]) & 0xC0) == 0x80)
        --position;
    return position;
}

std::size_t charLength(std::string_view text, std::size_t position)
{
    const auto lead = static_cast<unsigned char>(text[position]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::min(length, text.size() - position);
}

std::size_t characters(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Sentences and numbered items: what one warning is written in.
std::vector<std::string_view> sentences(std::string_view text)
{
    static constexpr std::string_view Ends[] = {"。", "；", ";", "\r", "\n", "！", "？"};
    std::vector<std::string_view> result;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t endLength = 0;
        for (std::string_view end : Ends)
            if (text.substr(i, end.size()) == end) endLength = end.size();
        if (endLength) {
            if (i > start) result.push_back(text.substr(start, i - start));
            i += endLength;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) result.push_back(text.substr(start));
    return result;
}

bool anySentenceHas(std::string_view text, std::initializer_list<std::string_view> first,
                    std::initializer_list<std::string_view> second)
{
    for (std::string_view sentence : sentences(text))
        if (hasAny(sentence, first) && hasAny(sentence, second)) return true;
    return false;
}

std::string number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    std::string text = buffer;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

bool same(double a, double b)
{
    return std::fabs(a - b) <= 1e-6 * std::max(std::fabs(a), std::fabs(b));
}

// ---------------------------------------------------------------------------------------
// Quantities: a number with its unit, as inserts write them.

enum class TDim { Mass, Units, Volume, Percent };

struct TQuantity
{
    double value = 0; // mg, international units, ml or percent
    TDim dim = TDim::Mass;
    std::size_t begin = 0, end = 0; // the bytes of the number and its unit
};

struct TUnit
{
    std::string_view text;
    TDim dim;
    double factor;
};

// Longer spellings first, so that 毫克 is not read as 克 and mg not as g.
constexpr TUnit Units[] = {
    {"国际单位", TDim::Units, 1},
    {"毫克", TDim::Mass, 1},
    {"微克", TDim::Mass, 0.001},
    {"毫升", TDim::Volume, 1},
    {"单位", TDim::Units, 1},
    {"克", TDim::Mass, 1000},
    {"mcg", TDim::Mass, 0.001},
    {"mg", TDim::Mass, 1},
    {"MG", TDim::Mass, 1},
    {"\xCE\xBCg", TDim::Mass, 0.001},
    {"\xC2\xB5g", TDim::Mass, 0.001},
    {"ug", TDim::Mass, 0.001},
    {"ml", TDim::Volume, 1},
    {"mL", TDim::Volume, 1},
    {"ML", TDim::Volume, 1},
    {"IU", TDim::Units, 1},
    {"g", TDim::Mass, 1000},
    {"U", TDim::Units, 1},
    {"%", TDim::Percent, 1},
    {"％", TDim::Percent, 1},
};

// The quantity whose number starts at `position`, if a unit follows it.
std::optional<TQuantity> quantityAt(std::string_view text, std::size_t position)
{
    std::size_t i = position;
    double value = 0;
    while (i < text.size() && isDigit(text[i]))
        value = value * 10 + (text[i++] - '0');
    if (i == position) return std::nullopt;
    if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1])) {
        double scale = 0.1;
        for (++i; i < text.size() && isDigit(text[i]); ++i, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    double multiplier = 1;
    if (text.substr(i, 3) == "万") {
        multiplier = 10000;
        i += 3;
    }
    for (const TUnit &unit : Units) {
        if (text.substr(i, unit.text.size()) != unit.text) continue;
        const std::size_t end = i + unit.text.size();
        const bool ascii =
            static_cast<unsigned char>(unit.text.back()) < 0x80 && unit.text.back() != '%';
        if (ascii && end < text.size() && isAsciiAlnum(text[end])) continue;
        return TQuantity{value * multiplier * unit.factor, unit.dim, position, end};
    }
    return std::nullopt;
}

// Every quantity in `text`. A number glued to a letter is part of a name (维生素B1, K30).
std::vector<TQuantity> quantities(std::string_view text)
{
    std::vector<TQuantity> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isDigit(text[i])) continue;
        if (i > 0 && (isAsciiAlnum(text[i - 1]) || text[i - 1] == '.')) {
            while (i + 1 < text.size() && (isDigit(text[i + 1]) || text[i + 1] == '.'))
                ++i;
            continue;
        }
        if (std::optional<TQuantity> quantity = quantityAt(text, i)) {
            found.push_back(*quantity);
            i = quantity->end - 1;
        } else {
            while (i + 1 < text.size() && (isDigit(text[i + 1]) || text[i + 1] == '.'))
                ++i;
        }
    }
    return found;
}

// ---------------------------------------------------------------------------------------
// The active ingredients of 成分 with their amounts.

// What an amount is given per: a dose unit (每片, 每袋) or a measure (每1ml, 每10毫升, 每克).
struct TBasis
{
    std::string unitWord; // 片, 粒, 袋 ... when per unit
    double measure = 0;   // ml or g when per measure
    TDim measureDim = TDim::Volume;

    bool perMeasure() const { return measure > 0; }
    std::string text() const
    {
        if (perMeasure()) return number(measure) + (measureDim == TDim::Volume ? "ml" : "g");
        return unitWord;
    }
};

struct TIngredient
{
    std::string name;
    std::string amountText; // as 成分 writes it
    TQuantity amount;
    std::vector<TQuantity> alternatives; // 相当于…, 以…计: the same amount in other terms
    TBasis basis;

    // 盐酸金刚烷胺100毫克; 维生素B1 3毫克, where the digits would otherwise run together.
    std::string display() const
    {
        const bool apart = !name.empty() && isAsciiAlnum(name.back());
        return name + (apart ? " " : "") + amountText;
    }
};

// 成分 without its excipients.
std::string_view activePart(std::string_view composition)
{
    const std::size_t excipients = composition.find("辅料");
    return composition.substr(0, excipients);
}

struct TBasisMark
{
    std::size_t begin, end;
    TBasis basis;
};

std::vector<TBasisMark> basisMarks(std::string_view text)
{
    std::vector<TBasisMark> marks;
    constexpr std::string_view Each = "每";
    for (std::size_t at = text.find(Each); at != std::string_view::npos;
         at = text.find(Each, at + Each.size())) {
        std::size_t i = at + Each.size();
        TBasisMark mark{at, i, {}};
        if (i < text.size() && isDigit(text[i])) {
            std::optional<TQuantity> measure = quantityAt(text, i);
            if (!measure || (measure->dim != TDim::Volume && measure->dim != TDim::Mass)) continue;
            mark.basis.measureDim = measure->dim;
            mark.basis.measure =
                measure->dim == TDim::Mass ? measure->value / 1000 : measure->value;
            mark.end = measure->end;
        } else if (text.substr(i, 6) == "毫升" || text.substr(i, 2) == "ml" ||
                   text.substr(i, 2) == "mL") {
            mark.basis.measure = 1;
            mark.end = i + (text[i] == 'm' ? 2 : 6);
        } else if (text.substr(i, 3) == "克" || text.substr(i, 1) == "g") {
            mark.basis.measure = 1;
            mark.basis.measureDim = TDim::Mass;
            mark.end = i + (text[i] == 'g' ? 1 : 3);
        } else if (i < text.size()) {
            const std::size_t length = charLength(text, i);
            mark.basis.unitWord = std::string(text.substr(i, length));
            mark.end = i + length;
            // 每袋0.67克中含: the weight of the unit, not an ingredient.
            if (std::optional<TQuantity> weight = quantityAt(text, mark.end))
                mark.end = weight->end;
        } else {
            continue;
        }
        marks.push_back(mark);
    }
    return marks;
}

std::string ingredientName(std::string_view text, std::size_t amountBegin)
{
    static constexpr std::string_view Stops[] = {"、", "，", ",", "。", "；", ";", "：", ":", "含"};
    std::size_t begin = amountBegin;
    while (begin > 0) {
        const std::size_t previous = previousChar(text, begin);
        const std::string_view c = text.substr(previous, begin - previous);
        if (std::find(std::begin(Stops), std::end(Stops), c) != std::end(Stops)) break;
        begin = previous;
    }
    std::string_view name = trimmed(text.substr(begin, amountBegin - begin));
    for (std::string_view prefix : {"主要成分为", "主要成份为", "主要成分", "主要成份"})
        if (startsWith(name, prefix)) name.remove_prefix(prefix.size());
    return std::string(trimmed(name));
}

std::vector<TIngredient> ingredients(std::string_view composition)
{
    const std::string_view text = activePart(composition);
    const std::vector<TBasisMark> marks = basisMarks(text);
    std::vector<TIngredient> result;
    auto inParentheses = [&](std::size_t position) {
        int depth = 0;
        for (std::size_t i = 0; i < position; ++i) {
            if (text.substr(i, 3) == "（" || text[i] == '(') ++depth;
            if ((text.substr(i, 3) == "）" || text[i] == ')') && depth > 0) --depth;
        }
        return depth > 0;
    };
    for (const TQuantity &quantity : quantities(text)) {
        const TBasisMark *basis = nullptr;
        bool isBasis = false;
        for (const TBasisMark &mark : marks) {
            if (quantity.begin >= mark.begin && quantity.end <= mark.end) isBasis = true;
            if (mark.end <= quantity.begin) basis = &mark;
        }
        if (isBasis) continue;
        if (quantity.dim != TDim::Mass && quantity.dim != TDim::Units) continue;
        if (inParentheses(quantity.begin)) {
            if (!result.empty()) result.back().alternatives.push_back(quantity);
            continue;
        }
        TIngredient ingredient;
        ingredient.name = ingredientName(text, quantity.begin);
        ingredient.amountText =
            std::string(text.substr(quantity.begin, quantity.end - quantity.begin));
        ingredient.amount = quantity;
        if (basis) ingredient.basis = basis->basis;
        result.push_back(std::move(ingredient));
    }
    return result;
}

// ---------------------------------------------------------------------------------------
// 规格: the strengths it states, as amounts and as concentrations (20g:0.4g, 10ml:35mg, 2%).

struct TConcentration
{
    double perBasis; // mg or units per ml or g
    TDim amountDim;
    std::optional<TDim> basisDim; // none for a percentage, which may be w/w or w/v
};

struct TStrengths
{
    std::vector<TQuantity> amounts;
    std::vector<TConcentration> concentrations;
};

TStrengths strengths(std::string_view text)
{
    TStrengths result;
    const std::vector<TQuantity> found = quantities(text);
    for (std::size_t i = 0; i < found.size(); ++i) {
        const TQuantity &quantity = found[i];
        if (quantity.dim == TDim::Percent) {
            result.concentrations.push_back({quantity.value * 10, TDim::Mass, std::nullopt});
            continue;
        }
        result.amounts.push_back(quantity);
        if (i + 1 >= found.size()) continue;
        const TQuantity &next = found[i + 1];
        const std::string_view between =
            trimmed(text.substr(quantity.end, next.begin - quantity.end));
        if ((between != ":" && between != "：") ||
            (quantity.dim != TDim::Volume && quantity.dim != TDim::Mass) ||
            (next.dim != TDim::Mass && next.dim != TDim::Units) || quantity.value <= 0)
            continue;
        const double basis = quantity.dim == TDim::Mass ? quantity.value / 1000 : quantity.value;
        result.concentrations.push_back({next.value / basis, next.dim, quantity.dim});
    }
    return result;
}

bool stated(const TIngredient &ingredient, const TStrengths &strengths)
{
    std::vector<TQuantity> candidates = ingredient.alternatives;
    candidates.insert(candidates.begin(), ingredient.amount);
    for (const TQuantity &candidate : candidates) {
        for (const TQuantity &amount : strengths.amounts)
            if (amount.dim == candidate.dim && same(amount.value, candidate.value)) return true;
        if (!ingredient.basis.perMeasure()) continue;
        const double perBasis = candidate.value / ingredient.basis.measure;
        for (const TConcentration &concentration : strengths.concentrations) {
            if (concentration.amountDim != candidate.dim) continue;
            if (concentration.basisDim && *concentration.basisDim != ingredient.basis.measureDim)
                continue;
            if (same(concentration.perBasis, perBasis)) return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// 包装: how many units a pack holds (每板12片，每盒2板).

struct TPackClause
{
    std::string container;
    double count;
    std::string content; // a unit word, or "ml" / "g"
};

constexpr std::string_view CountWords[] = {"片", "粒", "袋", "支", "板", "瓶",   "盒",   "管",
                                           "条", "包", "丸", "枚", "贴", "小盒", "中盒", "盒"};

// Past a short label before a count, as in 每板日用片10片、夜用片5片; at most four characters
// and never 含, so that 每盒含伪麻黄碱450毫克 is no count of the box.
std::size_t pastLabel(std::string_view text, std::size_t i)
{
    static constexpr std::string_view NotInLabels[] = {"含", "，", "。", "、", "；", "（",
                                                       "）", ",",  ";",  "(",  ")",  " "};
    std::size_t at = i;
    for (int chars = 0; chars < 4 && at < text.size() && !isDigit(text[at]); ++chars) {
        const std::string_view c = text.substr(at, charLength(text, at));
        if (std::find(std::begin(NotInLabels), std::end(NotInLabels), c) != std::end(NotInLabels))
            return i;
        at += c.size();
    }
    return at < text.size() && isDigit(text[at]) ? at : i;
}

std::string countWordAt(std::string_view text, std::size_t i)
{
    std::string word;
    for (std::string_view candidate : CountWords)
        if (text.substr(i, candidate.size()) == candidate && candidate.size() > word.size())
            word = std::string(candidate);
    return word;
}

std::vector<TPackClause> packClauses(std::string_view text)
{
    std::vector<TPackClause> clauses;
    constexpr std::string_view Each = "每";
    for (std::size_t at = text.find(Each); at != std::string_view::npos;
         at = text.find(Each, at + Each.size())) {
        std::size_t i = at + Each.size();
        const std::string container = countWordAt(text, i);
        if (container.empty()) continue;
        i += container.size();
        if (text.substr(i, 3) == "装") i += 3;
        i = pastLabel(text, i);
        if (i >= text.size() || !isDigit(text[i])) continue;
        if (std::optional<TQuantity> measure = quantityAt(text, i)) {
            if (measure->dim == TDim::Volume)
                clauses.push_back({container, measure->value, "ml"});
            else if (measure->dim == TDim::Mass)
                clauses.push_back({container, measure->value / 1000, "g"});
            continue;
        }
        double count = 0;
        std::string content;
        for (;;) {
            double part = 0;
            for (; i < text.size() && isDigit(text[i]); ++i)
                part = part * 10 + (text[i] - '0');
            const std::string word = countWordAt(text, i);
            if (word.empty() || (!content.empty() && word != content)) break;
            content = word;
            count += part;
            i += word.size();
            // 日用片10片、夜用片5片: the parts of one count.
            if (text.substr(i, 3) != "、") break;
            const std::size_t next = pastLabel(text, i + 3);
            if (next == i + 3 && (next >= text.size() || !isDigit(text[next]))) break;
            i = next;
        }
        if (!content.empty() && content != container)
            clauses.push_back({container, count, content});
    }
    return clauses;
}

struct TPack
{
    std::vector<TPackClause> clauses;
    std::string outer; // the container nothing else holds, e.g. 盒

    // How many `unit` (a unit word, "ml" or "g") the whole pack holds.
    std::optional<double> count(const std::string &unit) const { return countIn(outer, unit, 0); }

    std::optional<double> countIn(const std::string &container, const std::string &unit,
                                  int depth) const
    {
        if (container == unit) return 1.0;
        if (depth > 8) return std::nullopt;
        for (const TPackClause &clause : clauses) {
            if (clause.container != container) continue;
            if (std::optional<double> inner = countIn(clause.content, unit, depth + 1))
                return clause.count * *inner;
        }
        return std::nullopt;
    }

    // The dose unit at the bottom of the pack (片 in 每板12片，每盒2板).
    std::string innermost() const
    {
        std::string unit = outer;
        for (int depth = 0; depth < 8; ++depth) {
            auto clause = std::find_if(clauses.begin(), clauses.end(),
                                       [&](const TPackClause &c) { return c.container == unit; });
            if (clause == clauses.end()) break;
            unit = clause->content;
        }
        return unit == outer ? std::string() : unit;
    }
};

TPack pack(std::string_view text)
{
    TPack result;
    result.clauses = packClauses(text);
    for (const TPackClause &clause : result.clauses) {
        const bool held =
            std::any_of(result.clauses.begin(), result.clauses.end(),
                        [&](const TPackClause &c) { return c.content == clause.container; });
        if (held) continue;
        if (result.outer.empty() || clause.container == "盒") result.outer = clause.container;
    }
    return result;
}

// ---------------------------------------------------------------------------------------
// The rules.

struct TRecordView
{
    const std::vector<std::optional<std::string>> &values;
    const std::map<std::string, std::size_t> &columns;

    std::string_view operator[](std::string_view field) const
    {
        const auto &value = values[columns.at(std::string(field))];
        return value ? std::string_view(*value) : std::string_view();
    }
};

std::string lower(std::string_view text)
{
    std::string result(text);
    for (char &c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

class TLinter
{
public:
    explicit TLinter(const TLintData &data) : m_data(data)
    {
        for (std::size_t i = 0; i < data.fields.size(); ++i)
            m_byLowerName.emplace(lower(data.fields[i].name), i);
        for (const TLintField &field : shippedFields()) {
            auto it = m_byLowerName.find(lower(field.name));
            if (it == m_byLowerName.end())
                throw EToolError("the data has no field '" + field.name + "'");
            m_columns.emplace(field.name, it->second);
        }
    }

    std::vector<TLintFinding> run()
    {
        for (std::size_t row = 0; row < m_data.rows.size(); ++row) {
            TRecordView record{m_data.rows[row], m_columns};
            m_row = row;
            checkFilled(row);
            checkClass(record);
            checkEphedrine(record);
            checkParacetamol(record);
            checkAspirin(record);
            checkAntihistamine(record);
            checkStrengths(record);
        }
        checkUniqueNames();
        // The precautions are the same for every strength of a medicine; the doses are not.
        checkSharedTexts("ZhuYiShiXiang", "注意事项", false, 0);
        checkSharedTexts("YongFaYongLiang", "用法用量", true, SharedDoseFormulaChars);
        std::stable_sort(
            m_findings.begin(), m_findings.end(),
            [](const TLintFinding &a, const TLintFinding &b) { return a.row < b.row; });
        return std::move(m_findings);
    }

private:
    void report(std::string field, std::string message)
    {
        m_findings.push_back({m_row, std::move(field), std::move(message)});
    }

    bool external(const TRecordView &record) const
    {
        return hasAny(record["TongYongMing"], ExternalForms);
    }

    void checkFilled(std::size_t row)
    {
        const auto &values = m_data.rows[row];
        for (std::size_t i = 0; i < m_data.fields.size(); ++i) {
            const TLintField &field = m_data.fields[i];
            const std::optional<std::string> &value = values[i];
            const bool mayBeEmpty =
                std::find(FieldsThatMayBeEmpty.begin(), FieldsThatMayBeEmpty.end(), field.name) !=
                FieldsThatMayBeEmpty.end();
            if (!value || trimmed(*value).empty()) {
                if (!mayBeEmpty) report(field.name, "未填写");
                if (!value) continue;
            }
            const std::optional<std::string> bytes = gbk::fromUtf8(*value);
            if (!bytes)
                report(field.name, "含有GBK无法表示的字符");
            else if (field.width > 0 && bytes->size() > field.width)
                report(field.name, "长" + std::to_string(bytes->size()) + "字节，超出字段宽度" +
                                       std::to_string(field.width) + "字节");
        }
    }

    void checkClass(const TRecordView &record)
    {
        const std::string_view value = record["LeiBie"];
        if (trimmed(value).empty()) return; // reported as not filled
        if (std::find(std::begin(OtcClasses), std::end(OtcClasses), value) == std::end(OtcClasses))
            report("LeiBie", "应为“甲类非处方药”或“乙类非处方药”");
    }

    void checkEphedrine(const TRecordView &record)
    {
        const std::string_view composition = record["ChengFen"];
        if (!has(activePart(composition), EphedrineType) || external(record)) return;
        double perUnit = 0;
        std::optional<TBasis> basis;
        for (const TIngredient &ingredient : ingredients(composition)) {
            if (!has(ingredient.name, EphedrineType) || ingredient.amount.dim != TDim::Mass)
                continue;
            perUnit += ingredient.amount.value;
            basis = ingredient.basis;
        }
        if (!basis) {
            report("ChengFen", "含麻黄碱类成分，却未写出每单位的含量");
            return;
        }
        const TPack box = pack(record["BaoZhuang"]);
        std::string unit = basis->perMeasure() ? (basis->measureDim == TDim::Volume ? "ml" : "g")
                           : basis->unitWord.empty() ? box.innermost()
                                                     : basis->unitWord;
        const std::string per = basis->perMeasure() ? basis->text() : unit.empty() ? "单位" : unit;
        if (perUnit > EphedrinePerUnitMg)
            report("ChengFen", "每" + per + "含麻黄碱类成分" + number(perUnit) + "毫克，超过" +
                                   number(EphedrinePerUnitMg) + "毫克");
        std::optional<double> units = unit.empty() ? std::nullopt : box.count(unit);
        if (!units || box.outer.empty()) {
            report("BaoZhuang", "含麻黄碱类成分，但读不出每个包装有多少" + per +
                                    "，无法核对每个包装不超过" + number(EphedrinePerPackMg) +
                                    "毫克");
            return;
        }
        const double doses = basis->perMeasure() ? *units / basis->measure : *units;
        const double total = perUnit * doses;
        const std::string how =
            basis->perMeasure()
                ? "每" + per + "含" + number(perUnit) + "毫克，共" + number(*units) + unit
                : "每" + per + number(perUnit) + "毫克×" + number(doses) + unit;
        if (total > EphedrinePerPackMg)
            report("BaoZhuang", "每" + box.outer + "含麻黄碱类成分共" + number(total) + "毫克（" +
                                    how + "），超过" + number(EphedrinePerPackMg) + "毫克");
    }

    // A limit of days for self-medication: a number of days after 超过, 使用, 用药 …
    static bool statesDayLimit(std::string_view text)
    {
        static constexpr std::string_view Numerals[] = {"一", "二", "两", "三", "四", "五",
                                                        "六", "七", "八", "九", "十"};
        static constexpr std::string_view RangeMarks[] = {"～", "~", "-", "至", "到", "－"};
        static constexpr std::string_view Limits[] = {"超过", "使用", "用药", "服用",
                                                      "服药", "连用", "疗程"};
        constexpr std::string_view Day = "天";
        for (std::size_t at = text.find(Day); at != std::string_view::npos;
             at = text.find(Day, at + Day.size())) {
            std::size_t begin = at;
            while (begin > 0 && text[begin - 1] == ' ')
                --begin;
            auto numberBefore = [&](std::size_t end) {
                std::size_t start = end;
                for (;;) {
                    if (start > 0 && isDigit(text[start - 1])) {
                        --start;
                        continue;
                    }
                    const std::size_t previous = previousChar(text, start);
                    const std::string_view c = text.substr(previous, start - previous);
                    if (start > 0 && std::find(std::begin(Numerals), std::end(Numerals), c) !=
                                         std::end(Numerals)) {
                        start = previous;
                        continue;
                    }
                    return start;
                }
            };
            std::size_t start = numberBefore(begin);
            if (start == begin) continue;
            for (std::string_view mark : RangeMarks) {
                if (start >= mark.size() && text.substr(start - mark.size(), mark.size()) == mark) {
                    const std::size_t lower = numberBefore(start - mark.size());
                    if (lower < start - mark.size()) start = lower;
                    break;
                }
            }
            while (start > 0 && text[start - 1] == ' ')
                --start;
            const std::string_view before = text.substr(0, start);
            for (std::string_view limit : Limits)
                if (endsWith(before, limit)) return true;
        }
        return false;
    }

    void checkParacetamol(const TRecordView &record)
    {
        if (!hasAny(record["ChengFen"], Paracetamol)) return;
        const std::string_view notes = record["ZhuYiShiXiang"];
        if (!has(notes, "肝")) report("ZhuYiShiXiang", "含对乙酰氨基酚，未提示肝损害（肝）");
        if (!has(notes, "酒")) report("ZhuYiShiXiang", "含对乙酰氨基酚，未提示饮酒的危险（酒）");
        if (!statesDayLimit(notes))
            report("ZhuYiShiXiang", "含对乙酰氨基酚，未写明自我药疗的最多天数（如“不超过3天”）");
        if (!anySentenceHas(notes, {"同时服用", "同时使用", "同服", "合用", "并用"},
                            {"成分相似", "相同成分", "成分相同", "对乙酰氨基酚", "解热镇痛"}))
            report("ZhuYiShiXiang",
                   "含对乙酰氨基酚，未提示不得同时服用含相同成分或其他解热镇痛药的药品");
    }

    void checkAspirin(const TRecordView &record)
    {
        if (!hasAny(record["ChengFen"], Aspirin)) return;
        const std::string_view contraindications = record["JinJiZheng"];
        const std::string both =
            std::string(record["ZhuYiShiXiang"]) + "\n" + std::string(contraindications);
        if (!hasAny(both, {"瑞夷", "雷耶", "瑞氏", "Reye", "reye", "REYE"}))
            report("ZhuYiShiXiang", "含阿司匹林，注意事项和禁忌均未提及瑞夷综合征");
        if (!anySentenceHas(contraindications, {"孕妇", "妊娠"}, {"禁用"}))
            report("JinJiZheng", "含阿司匹林，禁忌未写孕妇（妊娠期）禁用");
    }

    void checkAntihistamine(const TRecordView &record)
    {
        const std::string_view active = activePart(record["ChengFen"]);
        auto found =
            std::find_if(std::begin(SedatingAntihistamines), std::end(SedatingAntihistamines),
                         [&](std::string_view name) { return has(active, name); });
        if (found == std::end(SedatingAntihistamines) || external(record)) return;
        if (startsWith(record["TongYongMing"], ChildrensMedicine)) return;
        const std::string_view notes = record["ZhuYiShiXiang"];
        if (!has(notes, "驾驶") || !hasAny(notes, {"机械", "高空"}))
            report("ZhuYiShiXiang",
                   "含" + std::string(*found) + "，未提示服药期间不得驾驶及从事高空、机械作业");
    }

    void checkStrengths(const TRecordView &record)
    {
        const std::vector<TIngredient> list = ingredients(record["ChengFen"]);
        if (list.empty()) return;
        const TStrengths strength = strengths(record["GuiGe"]);
        for (const TIngredient &ingredient : list)
            if (!stated(ingredient, strength))
                report("GuiGe", "未写出成分中的" + ingredient.display());
    }

    std::string key(std::size_t row, std::string_view field) const
    {
        const auto &value = m_data.rows[row][m_columns.at(std::string(field))];
        return value ? std::string(trimmed(*value)) : std::string();
    }

    std::string name(std::size_t row) const
    {
        return key(row, "TongYongMing") + "（" + key(row, "ShangPinMing") + "）";
    }

    void checkUniqueNames()
    {
        std::map<std::pair<std::string, std::string>, std::size_t> first;
        for (std::size_t row = 0; row < m_data.rows.size(); ++row) {
            auto [it, added] = first.emplace(
                std::make_pair(key(row, "TongYongMing"), key(row, "ShangPinMing")), row);
            if (added) continue;
            m_row = row;
            report("ShangPinMing", "第" + std::to_string(row + 1) + "条记录与第" +
                                       std::to_string(it->second + 1) +
                                       "条记录的通用名称和商品名称相同");
        }
    }

    // What decides whether two records may share a text: their active ingredients with the
    // amounts as read, or, for herbs without amounts, the ingredient text itself.
    std::string ingredientSignature(std::size_t row, bool withAmounts) const
    {
        const std::string composition = key(row, "ChengFen");
        std::vector<std::string> parts;
        for (const TIngredient &ingredient : ingredients(composition))
            parts.push_back(withAmounts ? ingredient.name + "=" + number(ingredient.amount.value) +
                                              (ingredient.amount.dim == TDim::Units ? "IU" : "mg") +
                                              "/" + ingredient.basis.text()
                                        : ingredient.name);
        if (!parts.empty()) {
            std::sort(parts.begin(), parts.end());
            parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
            std::string signature;
            for (const std::string &part : parts)
                signature += part + ";";
            return signature;
        }
        std::string text;
        const std::string_view active = activePart(composition);
        static constexpr std::string_view Ignored[] = {"。", "，", "、", "；", "：", " ",
                                                       ",",  ".",  ";",  ":",  "\r", "\n"};
        for (std::size_t i = 0; i < active.size();) {
            std::size_t skip = 0;
            for (std::string_view mark : Ignored)
                if (active.substr(i, mark.size()) == mark) skip = mark.size();
            if (skip) {
                i += skip;
                continue;
            }
            text += active[i++];
        }
        return text;
    }

    void checkSharedTexts(const std::string &field, const std::string &caption, bool withAmounts,
                          std::size_t mayShareUpTo)
    {
        std::map<std::string, std::vector<std::size_t>> byText;
        for (std::size_t row = 0; row < m_data.rows.size(); ++row) {
            const std::string text = key(row, field);
            if (characters(text) > mayShareUpTo) byText[text].push_back(row);
        }
        for (const auto &[text, rows] : byText) {
            if (rows.size() < 2) continue;
            std::vector<std::string> signatures;
            for (std::size_t row : rows)
                signatures.push_back(ingredientSignature(row, withAmounts));
            for (std::size_t i = 1; i < rows.size(); ++i) {
                for (std::size_t j = 0; j < i; ++j) {
                    if (signatures[i] == signatures[j]) continue;
                    m_row = rows[i];
                    report(field, caption + "与" + name(rows[j]) + "的完全相同，但两者的成分不同");
                    break;
                }
            }
        }
    }

    const TLintData &m_data;
    std::map<std::string, std::size_t> m_byLowerName;
    std::map<std::string, std::size_t> m_columns;
    std::vector<TLintFinding> m_findings;
    std::size_t m_row = 0;
};

// ---------------------------------------------------------------------------------------
// Input.

std::string quote(std::string_view text)
{
    std::string result = "'";
    for (char c : text)
        result += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return result + "'";
}

std::size_t widthOf(const TJson &value, const std::string &what)
{
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > 9999999999u)
        throw EToolError(what + " width must be a whole number, not " + jsonShown(value));
    return static_cast<std::size_t>(value.get<std::uint64_t>());
}

std::vector<std::optional<std::string>> rowOf(const TJsonDocument &document, const TJson &entry,
                                              const TLintData &data, const std::string &what,
                                              bool draft)
{
    if (!entry.is_object()) throw EToolError(what + " must be an object");
    std::vector<std::optional<std::string>> row(data.fields.size());
    std::vector<bool> given(data.fields.size(), false);
    for (const TJsonMember &member : document.members(entry)) {
        const std::string &name = member.name;
        const TJson *value = member.value;
        if (draft && startsWith(name, "_")) continue;
        auto field = std::find_if(data.fields.begin(), data.fields.end(), [&](const TLintField &f) {
            return lower(f.name) == lower(name);
        });
        if (field == data.fields.end())
            throw EToolError(what + ": no field is named " + quote(name));
        const auto index = static_cast<std::size_t>(field - data.fields.begin());
        const std::string where = what + ", field " + quote(name);
        if (!value || given[index]) throw EToolError(where + " is given twice");
        given[index] = true;
        if (value->is_null()) continue;
        if (!value->is_string()) throw EToolError(where + " must be a text or null");
        row[index] = value->get<std::string>();
    }
    return row;
}

} // namespace

TLintData lintDataFromJson(std::string_view json)
{
    TJsonDocument document;
    try {
        document = parseJson(json);
    } catch (const EJsonError &error) {
        throw EToolError("not valid JSON: " + error.Message());
    }
    const TJson &source = document.root;
    TLintData data;
    if (source.is_array()) {
        data.fields = shippedFields();
        for (const TJson &entry : source)
            data.rows.push_back(
                rowOf(document, entry, data, "row " + std::to_string(data.rows.size() + 1), true));
        return data;
    }
    if (!source.is_object()) throw EToolError("the source must be an object or an array of rows");
    const TJson *fields = nullptr;
    const TJson *rows = nullptr;
    for (const auto &[name, value] : document.members(source)) {
        if (name != "fields" && name != "rows" && name != "params")
            throw EToolError("the source has an unknown member " + quote(name));
        if (!value) throw EToolError("the source has the member " + quote(name) + " twice");
        if (name == "fields")
            fields = value;
        else if (name == "rows")
            rows = value;
    }
    if (!fields) throw EToolError("the source has no \"fields\"");
    if (!fields->is_array()) throw EToolError("\"fields\" must be an array");
    for (const TJson &entry : *fields) {
        const std::string what = "field " + std::to_string(data.fields.size() + 1);
        if (!entry.is_object()) throw EToolError(what + " must be an object");
        TLintField field;
        bool named = false;
        for (const auto &[name, value] : document.members(entry)) {
            if (!value) throw EToolError(what + " has the member " + quote(name) + " twice");
            if (name == "name" && value->is_string()) {
                field.name = value->get<std::string>();
                named = true;
            } else if (name == "width") {
                field.width = widthOf(*value, what);
            }
        }
        if (!named || field.name.empty()) throw EToolError(what + " has no name");
        data.fields.push_back(std::move(field));
    }
    if (rows) {
        if (!rows->is_array()) throw EToolError("\"rows\" must be an array");
        for (const TJson &entry : *rows)
            data.rows.push_back(
                rowOf(document, entry, data, "row " + std::to_string(data.rows.size() + 1), false));
    }
    return data;
}

std::vector<TLintFinding> lintRecords(const TLintData &data)
{
    return TLinter(data).run();
}

std::string findingLine(const TLintData &data, const TLintFinding &finding)
{
    auto valueOf = [&](std::string_view field) {
        for (std::size_t i = 0; i < data.fields.size(); ++i)
            if (lower(data.fields[i].name) == lower(field) && data.rows[finding.row][i])
                return std::string(trimmed(*data.rows[finding.row][i]));
        return std::string();
    };
    std::string line = valueOf("TongYongMing") + "（" + valueOf("ShangPinMing") + "） " +
                       finding.field + ": " + finding.message;
    for (char &c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

TLintData lintDataFromPacket(std::string packet)
{
    const TDataTable table = readDataTable(std::move(packet));
    TLintData data;
    for (const TFieldDescriptor &field : table.fields)
        data.fields.push_back({gbk::toUtf8(field.name), field.width});
    for (const auto &row : table.rows) {
        auto &values = data.rows.emplace_back();
        for (const auto &value : row)
            values.push_back(value ? std::optional<std::string>(gbk::toUtf8(*value)) : std::nullopt);
    }
    return data;
}
