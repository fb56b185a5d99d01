#include "render/presentational_styles.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace zv {
namespace {

// The CSS colour names (which old pages also use in attributes).
constexpr std::string_view kColourNames =
    " aliceblue antiquewhite aqua aquamarine azure beige bisque black blanchedalmond blue"
    " blueviolet brown burlywood cadetblue chartreuse chocolate coral cornflowerblue cornsilk"
    " crimson cyan darkblue darkcyan darkgoldenrod darkgray darkgreen darkgrey darkkhaki"
    " darkmagenta darkolivegreen darkorange darkorchid darkred darksalmon darkseagreen"
    " darkslateblue darkslategray darkslategrey darkturquoise darkviolet deeppink deepskyblue"
    " dimgray dimgrey dodgerblue firebrick floralwhite forestgreen fuchsia gainsboro ghostwhite"
    " gold goldenrod gray green greenyellow grey honeydew hotpink indianred indigo ivory khaki"
    " lavender lavenderblush lawngreen lemonchiffon lightblue lightcoral lightcyan"
    " lightgoldenrodyellow lightgray lightgreen lightgrey lightpink lightsalmon lightseagreen"
    " lightskyblue lightslategray lightslategrey lightsteelblue lightyellow lime limegreen linen"
    " magenta maroon mediumaquamarine mediumblue mediumorchid mediumpurple mediumseagreen"
    " mediumslateblue mediumspringgreen mediumturquoise mediumvioletred midnightblue mintcream"
    " mistyrose moccasin navajowhite navy oldlace olive olivedrab orange orangered orchid"
    " palegoldenrod palegreen paleturquoise palevioletred papayawhip peachpuff peru pink plum"
    " powderblue purple rebeccapurple red rosybrown royalblue saddlebrown salmon sandybrown"
    " seagreen seashell sienna silver skyblue slateblue slategray slategrey snow springgreen"
    " steelblue tan teal thistle tomato turquoise violet wheat white whitesmoke yellow"
    " yellowgreen ";

std::string lowerCopy(std::string_view v)
{
    std::string out(v);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view v)
{
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front())))
        v.remove_prefix(1);
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back())))
        v.remove_suffix(1);
    return v;
}

bool isHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

const std::string* find(const TagAttributes& attributes, const char* name)
{
    const auto it = attributes.find(name);
    return it == attributes.end() ? nullptr : &it->second;
}

// The leading integer of a value, the way old browsers read it; `ok` false when
// there is none.
long leadingInteger(std::string_view value, bool* ok)
{
    value = trim(value);
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-'))
        negative = value[i++] == '-';
    long n = 0;
    const size_t from = i;
    while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])) && n < 1000000)
        n = n * 10 + (value[i++] - '0');
    *ok = i > from;
    return negative ? -n : n;
}

std::string px(long n)
{
    return std::to_string(n) + "px";
}

std::string lengthPx(const std::string* value, long largest = 20000)
{
    if (!value)
        return {};
    bool ok = false;
    long n = leadingInteger(*value, &ok);
    if (!ok || n < 0)
        return {};
    return px(std::min(n, largest));
}

std::string quotedFamilies(std::string_view faces)
{
    std::string out;
    size_t at = 0;
    while (at <= faces.size()) {
        size_t comma = faces.find(',', at);
        if (comma == std::string_view::npos)
            comma = faces.size();
        std::string_view family = trim(faces.substr(at, comma - at));
        if (!family.empty() && (family.front() == '"' || family.front() == '\''))
            family.remove_prefix(1);
        if (!family.empty() && (family.back() == '"' || family.back() == '\''))
            family.remove_suffix(1);
        family = trim(family);
        if (!family.empty()) {
            std::string f;
            for (char c : family) {
                if (c == '"' || c == '\\' || c == ';' || c == '{' || c == '}')
                    continue;
                f += c;
            }
            if (!out.empty())
                out += ", ";
            const std::string lower = lowerCopy(f);
            if (lower == "serif" || lower == "sans-serif" || lower == "monospace" || lower == "cursive"
                || lower == "fantasy")
                out += lower;
            else
                out += '"' + f + '"';
        }
        at = comma + 1;
    }
    return out;
}

// FONT SIZE: 1..7, or +n / -n from the base size 3.
std::string fontSize(std::string_view value)
{
    value = trim(value);
    if (value.empty())
        return {};
    const bool relative = value.front() == '+' || value.front() == '-';
    bool ok = false;
    long n = leadingInteger(value, &ok);
    if (!ok)
        return {};
    if (relative)
        n += 3;
    n = std::clamp(n, 1L, 7L);
    // Size 7 is three times the default size, which no keyword of CSS 2 names.
    static const char* const sizes[] = {"x-small", "small",    "medium", "large",
                                        "x-large", "xx-large", "3rem"};
    return sizes[n - 1];
}

std::string textAlign(std::string_view value)
{
    const std::string v = lowerCopy(trim(value));
    if (v == "left" || v == "right" || v == "center" || v == "justify")
        return v;
    if (v == "middle")
        return "center";
    return {};
}

std::string verticalAlign(std::string_view value)
{
    const std::string v = lowerCopy(trim(value));
    if (v == "top" || v == "middle" || v == "bottom" || v == "baseline")
        return v;
    if (v == "center")
        return "middle";
    return {};
}

} // namespace

std::string legacyColour(std::string_view value)
{
    value = trim(value);
    if (value.empty())
        return {};
    std::string lower = lowerCopy(value);
    if (lower == "transparent")
        return {};
    if (lower.find_first_of(" ;{}()\"'") == std::string::npos
        && kColourNames.find(' ' + lower + ' ') != std::string_view::npos)
        return lower;
    // "#rgb" is read as such; everything else by the legacy rules: characters that
    // are not hexadecimal digits count as 0, the digits are split into three
    // equal parts, and each part is cut to its first two significant digits.
    if (lower.size() == 4 && lower[0] == '#' && isHex(lower[1]) && isHex(lower[2]) && isHex(lower[3]))
        return lower;
    if (lower[0] == '#')
        lower.erase(0, 1);
    if (lower.size() > 128)
        lower.resize(128);
    for (char& c : lower) {
        if (!isHex(c))
            c = '0';
    }
    if (lower.empty())
        return {};
    while (lower.size() % 3)
        lower += '0';
    const size_t length = lower.size() / 3;
    std::string parts[3] = {lower.substr(0, length), lower.substr(length, length),
                            lower.substr(2 * length, length)};
    size_t keep = length;
    if (keep > 8) {
        for (auto& p : parts)
            p = p.substr(keep - 8);
        keep = 8;
    }
    while (keep > 2 && parts[0][0] == '0' && parts[1][0] == '0' && parts[2][0] == '0') {
        for (auto& p : parts)
            p.erase(0, 1);
        --keep;
    }
    std::string out = "#";
    for (auto& p : parts)
        out += keep >= 2 ? p.substr(0, 2) : "0" + p.substr(0, 1);
    return out;
}

std::string legacyLength(std::string_view value, bool allowPercent)
{
    value = trim(value);
    size_t i = 0;
    double n = 0;
    bool digits = false;
    while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i]))) {
        if (n < 1e7)
            n = n * 10 + (value[i] - '0');
        ++i;
        digits = true;
    }
    if (i < value.size() && value[i] == '.') {
        double scale = 0.1;
        ++i;
        while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i]))) {
            n += (value[i] - '0') * scale;
            scale /= 10;
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return {};
    const bool percent = allowPercent && i < value.size() && value[i] == '%';
    n = std::min(n, percent ? 1000.0 : 20000.0);
    std::string number = std::to_string(int(std::lround(n * 100)) / 100);
    const int hundredths = int(std::lround(n * 100)) % 100;
    if (hundredths)
        number += '.' + std::string(hundredths < 10 ? "0" : "") + std::to_string(hundredths);
    return number + (percent ? "%" : "px");
}

std::vector<StyleDeclaration> presentationalStyles(std::string_view tag, const TagAttributes& attributes,
                                                   const PresentationalContext& context)
{
    std::vector<StyleDeclaration> out;
    auto add = [&out](std::string property, std::string value) {
        if (!value.empty())
            out.push_back({std::move(property), std::move(value)});
    };
    auto attr = [&attributes](const char* name) { return find(attributes, name); };
    auto colour = [&](const char* name, const char* property) {
        if (const std::string* v = attr(name))
            add(property, legacyColour(*v));
    };
    auto background = [&] {
        if (const std::string* v = attr("background")) {
            const std::string_view address = trim(*v);
            if (!address.empty() && address.find_first_of("()\"'\\") == std::string_view::npos)
                add("background-image", "url(" + std::string(address) + ")");
        }
    };
    auto size = [&](const char* name, const char* property, bool percent = true) {
        if (const std::string* v = attr(name))
            add(property, legacyLength(*v, percent));
    };
    auto alignText = [&] {
        if (const std::string* v = attr("align"))
            add("text-align", textAlign(*v));
    };

    // Blocks inside CENTER, or inside an element ALIGN=center, are centred too.
    if (context.parent && tag != "td" && tag != "th" && tag != "tr" && tag != "li") {
        const std::string* align = find(*context.parent, "align");
        const bool centring = context.parentTag == "center"
            || (align && lowerCopy(trim(*align)) == "center"
                && (context.parentTag == "div" || context.parentTag == "p" || context.parentTag == "td"
                    || context.parentTag == "th"));
        if (centring && (tag == "table" || tag == "div" || tag == "center" || tag == "p" || tag == "hr"
                         || tag == "form" || tag == "blockquote")) {
            add("margin-left", "auto");
            add("margin-right", "auto");
        }
    }
    if (tag == "body") {
        colour("bgcolor", "background-color");
        colour("text", "color");
        background();
        for (const char* name : {"leftmargin", "marginwidth"}) {
            if (const std::string length = lengthPx(attr(name), 1000); !length.empty()) {
                add("margin-left", length);
                add("margin-right", length);
            }
        }
        for (const char* name : {"topmargin", "marginheight"}) {
            if (const std::string length = lengthPx(attr(name), 1000); !length.empty()) {
                add("margin-top", length);
                add("margin-bottom", length);
            }
        }
        add("margin-right", lengthPx(attr("rightmargin"), 1000));
        add("margin-bottom", lengthPx(attr("bottommargin"), 1000));
    } else if (tag == "a") {
        if (attr("href") && context.body) {
            if (const std::string* link = find(*context.body, "link"))
                add("color", legacyColour(*link));
        }
    } else if (tag == "table") {
        colour("bgcolor", "background-color");
        background();
        size("width", "width");
        size("height", "height");
        if (const std::string* v = attr("cellspacing"))
            add("border-spacing", legacyLength(*v, false));
        if (const std::string* v = attr("border")) {
            bool ok = false;
            long n = leadingInteger(*v, &ok);
            if (!ok)
                n = 1; // BORDER without a number
            n = std::clamp(n, 0L, 1000L);
            add("border-width", px(n));
            add("border-style", n ? "outset" : "none");
        }
        colour("bordercolor", "border-color");
        if (const std::string* v = attr("align")) {
            const std::string a = lowerCopy(trim(*v));
            if (a == "left" || a == "right") {
                add("float", a);
            } else if (a == "center") {
                add("margin-left", "auto");
                add("margin-right", "auto");
            }
        }
    } else if (tag == "td" || tag == "th") {
        colour("bgcolor", "background-color");
        if (!attr("bgcolor") && context.row) {
            if (const std::string* v = find(*context.row, "bgcolor"))
                add("background-color", legacyColour(*v));
        }
        background();
        alignText();
        if (const std::string* v = attr("valign"))
            add("vertical-align", verticalAlign(*v));
        if (attr("nowrap"))
            add("white-space", "nowrap");
        size("width", "width");
        size("height", "height");
        if (context.table) {
            if (const std::string* v = find(*context.table, "cellpadding"))
                add("padding", legacyLength(*v, false));
            if (const std::string* v = find(*context.table, "border")) {
                bool ok = false;
                const long n = leadingInteger(*v, &ok);
                if (!ok || n > 0) {
                    add("border-width", "1px");
                    add("border-style", "inset");
                }
            }
            if (const std::string* v = find(*context.table, "bordercolor"))
                add("border-color", legacyColour(*v));
        }
    } else if (tag == "tr" || tag == "thead" || tag == "tbody" || tag == "tfoot") {
        alignText();
        if (const std::string* v = attr("valign"))
            add("vertical-align", verticalAlign(*v));
        size("height", "height", false);
        if (tag == "tr")
            background();
    } else if (tag == "img") {
        size("width", "width");
        size("height", "height");
        if (const std::string length = lengthPx(attr("hspace"), 1000); !length.empty()) {
            add("margin-left", length);
            add("margin-right", length);
        }
        if (const std::string length = lengthPx(attr("vspace"), 1000); !length.empty()) {
            add("margin-top", length);
            add("margin-bottom", length);
        }
        if (const std::string length = lengthPx(attr("border"), 1000); !length.empty()) {
            add("border-width", length);
            add("border-style", "solid");
        }
        if (const std::string* v = attr("align")) {
            const std::string a = lowerCopy(trim(*v));
            if (a == "left" || a == "right")
                add("float", a);
            else if (a == "middle" || a == "absmiddle" || a == "center")
                add("vertical-align", "middle");
            else if (a == "top")
                add("vertical-align", "top");
            else if (a == "texttop")
                add("vertical-align", "text-top");
            else if (a == "absbottom")
                add("vertical-align", "bottom");
            else if (a == "bottom" || a == "baseline")
                add("vertical-align", "baseline");
        }
    } else if (tag == "font") {
        colour("color", "color");
        if (const std::string* v = attr("face"))
            add("font-family", quotedFamilies(*v));
        if (const std::string* v = attr("size"))
            add("font-size", fontSize(*v));
    } else if (tag == "hr") {
        bool noShade = attr("noshade") != nullptr;
        if (const std::string* v = attr("size")) {
            bool ok = false;
            const long n = std::clamp(leadingInteger(*v, &ok), 0L, 1000L);
            if (ok) {
                add("height", px(std::max(0L, n - 2)));
                if (n <= 1)
                    add("border-bottom-width", "0");
            }
        }
        size("width", "width");
        if (const std::string* v = attr("align")) {
            const std::string a = lowerCopy(trim(*v));
            if (a == "left") {
                add("margin-left", "0");
                add("margin-right", "auto");
            } else if (a == "right") {
                add("margin-left", "auto");
                add("margin-right", "0");
            }
        }
        if (const std::string* v = attr("color")) {
            const std::string c = legacyColour(*v);
            add("border-color", c);
            add("background-color", c);
            noShade = noShade || !c.empty();
        }
        if (noShade) {
            add("border-style", "solid");
            if (!attr("color")) {
                add("border-color", "gray");
                add("background-color", "gray");
            }
        }
    } else if (tag == "p" || tag == "div" || tag == "h1" || tag == "h2" || tag == "h3" || tag == "h4"
               || tag == "h5" || tag == "h6" || tag == "caption" || tag == "center"
               || tag == "legend") {
        alignText();
    } else if (tag == "ul" || tag == "ol" || tag == "li") {
        if (const std::string* v = attr("type")) {
            const std::string_view t = trim(*v);
            const std::string lower = lowerCopy(t);
            std::string type;
            if (lower == "disc" || lower == "circle" || lower == "square")
                type = lower;
            else if (t == "1")
                type = "decimal";
            else if (t == "a")
                type = "lower-alpha";
            else if (t == "A")
                type = "upper-alpha";
            else if (t == "i")
                type = "lower-roman";
            else if (t == "I")
                type = "upper-roman";
            add("list-style-type", type);
        }
    } else if (tag == "br") {
        if (const std::string* v = attr("clear")) {
            const std::string c = lowerCopy(trim(*v));
            if (c == "left" || c == "right")
                add("clear", c);
            else if (c == "all" || c == "both")
                add("clear", "both");
        }
    } else if (tag == "pre") {
        if (attr("wrap"))
            add("white-space", "pre-wrap");
    }
    return out;
}

} // namespace zv
