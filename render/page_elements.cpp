#include "render/page_elements.h"

#include "render/html_text.h"
#include "render/page_container.h"
#include "render/presentational_styles.h"

#include <litehtml/el_anchor.h>
#include <litehtml/el_base.h>
#include <litehtml/el_body.h>
#include <litehtml/el_break.h>
#include <litehtml/el_div.h>
#include <litehtml/el_font.h>
#include <litehtml/el_image.h>
#include <litehtml/el_para.h>
#include <litehtml/el_style.h>
#include <litehtml/el_table.h>
#include <litehtml/el_td.h>
#include <litehtml/el_text.h>
#include <litehtml/el_title.h>
#include <litehtml/el_tr.h>

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace zv {
namespace {

PageContainer* containerOf(const litehtml::element& element)
{
    const auto doc = element.get_document();
    return doc ? static_cast<PageContainer*>(doc->container()) : nullptr;
}

bool sameName(const char* a, const char* b)
{
    return a && b && litehtml::t_strcasecmp(a, b) == 0;
}

// Attributes holding lengths or counts, with the largest value that is kept.
long largestValueOf(const char* name)
{
    static const struct {
        const char* name;
        long largest;
    } limits[] = {
        {"width", 20000},      {"height", 20000},      {"border", 1000},      {"cellpadding", 1000},
        {"cellspacing", 1000}, {"hspace", 1000},       {"vspace", 1000},      {"size", 1000},
        {"colspan", 1000},     {"rowspan", 1000},      {"span", 1000},        {"marginwidth", 1000},
        {"marginheight", 1000}, {"leftmargin", 1000},  {"topmargin", 1000},   {"start", 100000},
        {"value", 100000},
    };
    for (const auto& limit : limits) {
        if (sameName(name, limit.name))
            return limit.largest;
    }
    return 0;
}

// An attribute value with its leading number cut to `largest`.
std::string limitedNumber(const char* value, long largest)
{
    std::string v(value);
    size_t i = 0;
    while (i < v.size() && std::isspace(static_cast<unsigned char>(v[i])))
        ++i;
    const size_t sign = i;
    if (i < v.size() && (v[i] == '-' || v[i] == '+'))
        ++i;
    const size_t from = i;
    while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i])))
        ++i;
    if (i == from)
        return v;
    long n = 0;
    bool over = i - from > 9;
    if (!over)
        n = std::stol(v.substr(from, i - from));
    if (!over && n <= largest)
        return v;
    return v.substr(0, sign) + (v[sign] == '-' ? "-" : "") + std::to_string(largest) + v.substr(i);
}

TagAttributes attributesOf(const litehtml::element& element, std::initializer_list<const char*> names)
{
    TagAttributes attributes;
    for (const char* name : names) {
        if (const char* value = element.get_attr(name))
            attributes.emplace(name, value);
    }
    return attributes;
}

// What the tree mending needs of an element beyond the engine's public face.
class PageElementAccess {
public:
    virtual ~PageElementAccess() = default;
    virtual litehtml::css_margins& cssMargins() = 0;
    virtual const litehtml::css_margins& cssPadding() const = 0;
    virtual const litehtml::css_borders& cssBorders() const = 0;
    virtual const char* styleValue(const char* name) const = 0;
    virtual void hide() = 0;
    virtual void setMargin(bool top, int pixels) = 0;
    // Takes a float out of the flow to the top left or right of its container.
    virtual void pinToEdge(bool right) = 0;
    // Makes a static element the container of positioned descendants.
    virtual void makeContainer() = 0;
    virtual const litehtml::css_length& cssMarginLeft() const = 0;
    // Whether line-height is normal, and a larger line height for it.
    virtual bool lineHeightIsNormal() const = 0;
    virtual void raiseLineHeight(int pixels) = 0;
    // Puts `pieces` (made for this element's document) in the place of `child`.
    virtual void replaceChild(const litehtml::element::ptr& child, const litehtml::elements_vector& pieces) = 0;
};

// The element class of every element but style, link and list items: the
// engine's class for `Base`, with the view's mending.
template <class Base>
class PageTag : public Base, public PageElementAccess {
public:
    explicit PageTag(const std::shared_ptr<litehtml::document>& doc)
        : Base(doc)
    {
    }

    void set_attr(const litehtml::tchar_t* name, const litehtml::tchar_t* value) override
    {
        if (!name || !value)
            return;
        if (const long largest = largestValueOf(name)) {
            Base::set_attr(name, limitedNumber(value, largest).c_str());
        } else if (sameName(name, "style")) {
            PageContainer* container = containerOf(*this);
            Base::set_attr(name, container ? container->fixes().fixDeclarations(value).constData() : value);
        } else {
            Base::set_attr(name, value);
        }
    }

    void parse_attributes() override
    {
        Base::parse_attributes();
        const std::string tag = this->get_tagName();
        PresentationalContext context;
        TagAttributes table, row, body, around;
        std::string aroundTag;
        if (auto up = this->parent()) {
            aroundTag = up->get_tagName();
            around = attributesOf(*up, {"align"});
            context.parentTag = aroundTag;
            context.parent = &around;
        }
        if (tag == "td" || tag == "th" || tag == "tr") {
            for (auto up = this->parent(); up; up = up->parent()) {
                const char* name = up->get_tagName();
                if (tag != "tr" && !context.row && sameName(name, "tr")) {
                    row = attributesOf(*up, {"bgcolor"});
                    context.row = &row;
                } else if (sameName(name, "table")) {
                    table = attributesOf(*up, {"border", "cellpadding", "bordercolor"});
                    context.table = &table;
                    break;
                }
            }
        } else if (tag == "a" && this->get_attr("href")) {
            for (auto up = this->parent(); up; up = up->parent()) {
                if (sameName(up->get_tagName(), "body")) {
                    body = attributesOf(*up, {"link"});
                    context.body = &body;
                    break;
                }
            }
        }
        for (const StyleDeclaration& d : presentationalStyles(tag, this->m_attrs, context))
            this->m_style.add_property(d.property.c_str(), d.value.c_str(), nullptr, false, this);
    }

    litehtml::css_margins& cssMargins() override { return this->m_css_margins; }
    const litehtml::css_margins& cssPadding() const override { return this->m_css_padding; }
    const litehtml::css_borders& cssBorders() const override { return this->m_css_borders; }
    const char* styleValue(const char* name) const override { return this->m_style.get_property(name); }
    void hide() override { this->m_display = litehtml::display_none; }
    void pinToEdge(bool right) override
    {
        this->m_float = litehtml::float_none;
        this->m_el_position = litehtml::element_position_absolute;
        this->m_css_offsets.top.set_value(0, litehtml::css_units_px);
        (right ? this->m_css_offsets.right : this->m_css_offsets.left).set_value(0, litehtml::css_units_px);
        this->m_css_margins.left.set_value(0, litehtml::css_units_px);
        this->m_margins.left = 0;
    }
    void makeContainer() override
    {
        if (this->m_el_position == litehtml::element_position_static)
            this->m_el_position = litehtml::element_position_relative;
    }
    const litehtml::css_length& cssMarginLeft() const override { return this->m_css_margins.left; }
    bool lineHeightIsNormal() const override { return this->m_lh_predefined; }
    void raiseLineHeight(int pixels) override { this->m_line_height = std::max(this->m_line_height, pixels); }
    void replaceChild(const litehtml::element::ptr& child, const litehtml::elements_vector& pieces) override
    {
        auto& children = this->m_children;
        const auto at = std::find(children.begin(), children.end(), child);
        if (at == children.end())
            return;
        const auto self = this->shared_from_this();
        if (std::find(pieces.begin(), pieces.end(), child) == pieces.end())
            child->parent(nullptr);
        for (const auto& piece : pieces)
            piece->parent(self);
        children.insert(children.erase(at), pieces.begin(), pieces.end());
    }

    // min-width widens the box the content is laid out in, not only the box
    // drawn around it (the engine applies it after laying the content out).
    int render(int x, int y, int max_width, bool second_pass) override
    {
        if (!this->m_css_min_width.is_predefined() && this->m_css_min_width.units() != litehtml::css_units_percentage
            && this->m_css_width.is_predefined() && this->m_display == litehtml::display_block) {
            const auto doc = this->get_document();
            int needed = doc ? doc->cvt_units(this->m_css_min_width, this->m_font_size) : 0;
            if (this->m_box_sizing != litehtml::box_sizing_border_box)
                needed += this->m_padding.left + this->m_padding.right + this->m_borders.left + this->m_borders.right;
            needed += std::max(0, this->m_margins.left) + std::max(0, this->m_margins.right);
            if (needed > max_width && needed <= 20000)
                max_width = needed;
        }
        const int width = Base::render(x, y, max_width, second_pass);
        justifyLines();
        return width;
    }

    // text-align: justify, which the engine lays out as left: every line but the
    // last of a paragraph (and but one a forced break ends) is stretched to the
    // right edge by widening its spaces evenly.
    void justifyLines()
    {
        if (this->m_text_align != litehtml::text_align_justify)
            return;
        const auto& boxes = this->m_boxes;
        for (size_t i = 0; i + 1 < boxes.size(); ++i) {
            litehtml::box* line = boxes[i].get();
            litehtml::box* next = boxes[i + 1].get();
            if (line->get_type() != litehtml::box_line || next->get_type() != litehtml::box_line)
                continue;
            litehtml::elements_vector following;
            next->get_elements(following);
            if (!following.empty() && following.front()->is_break())
                continue;
            litehtml::elements_vector items;
            line->get_elements(items);
            // The spaces between the line's first and last content.
            int last = -1;
            for (int k = 0; k < int(items.size()); ++k) {
                if (!items[k]->skip() && !items[k]->is_white_space() && !items[k]->is_break())
                    last = k;
            }
            if (last < 0)
                continue;
            int gaps = 0;
            bool content = false;
            for (int k = 0; k < last; ++k) {
                const bool space = items[k]->is_white_space() && !items[k]->skip();
                gaps += space && content;
                content = content || (!space && !items[k]->skip());
            }
            int left = 0, right = this->m_pos.width;
            this->get_line_left_right(line->top(), this->m_pos.width, left, right);
            const int extra = right - items[last]->right();
            if (gaps == 0 || extra <= 0 || extra > this->m_pos.width)
                continue;
            int passed = 0;
            content = false;
            for (int k = 0; k <= last; ++k) {
                const bool space = items[k]->is_white_space() && !items[k]->skip();
                if (space && content)
                    ++passed;
                content = content || (!space && !items[k]->skip());
                if (passed > 0)
                    items[k]->get_position().x += int(std::lround(double(extra) * passed / gaps));
            }
        }
    }

    void setMargin(bool top, int pixels) override
    {
        (top ? this->m_css_margins.top : this->m_css_margins.bottom).set_value(float(pixels), litehtml::css_units_px);
        (top ? this->m_margins.top : this->m_margins.bottom) = pixels;
    }

    // Text that changes between the fixed font alone and any other family is
    // sized as browsers size it, relative to the font it is set in: a size not
    // given in absolute units is scaled by 13/16 into the fixed font (a code
    // element in 16-pixel text is 13 pixels high) and back out of it (code in
    // "Courier New, monospace" keeps the 16 pixels).
    void init_font() override
    {
        Base::init_font();
        PageContainer* container = containerOf(*this);
        const auto up = this->parent();
        if (!container || !up)
            return;
        const bool fixed = container->isFixedFamilyAlone(this->get_style_property("font-family", true, nullptr));
        if (fixed == container->isFixedFamilyAlone(up->get_style_property("font-family", true, nullptr)))
            return;
        if (const char* size = this->m_style.get_property("font-size")) {
            litehtml::css_length length;
            length.fromString(size, font_size_strings);
            const litehtml::css_units units = length.units();
            if (!length.is_predefined() && units != litehtml::css_units_em && units != litehtml::css_units_ex
                && units != litehtml::css_units_percentage && units != litehtml::css_units_none)
                return;
        }
        const double ratio = fixed ? container->fixedSizeRatio() : 1.0 / container->fixedSizeRatio();
        const int size = std::clamp(int(std::lround(this->m_font_size * ratio)), 1, PageContainer::kLargestFontPixels);
        if (size == this->m_font_size)
            return;
        this->m_font_size = size;
        const auto doc = this->get_document();
        if (!doc)
            return;
        this->m_font = doc->get_font(this->get_style_property("font-family", true, "inherit"), size,
                                     this->get_style_property("font-weight", true, "normal"),
                                     this->get_style_property("font-style", true, "normal"),
                                     this->get_style_property("text-decoration", true, "none"), &this->m_font_metrics);
    }

    void parse_styles(bool is_reparse) override
    {
        // The children are read after this element's line height is mended, since
        // they inherit it.
        Base::parse_styles(true);
        mendBorderWidthsAndColours();
        mendLineHeight();
        mendRaisedText();
        mendMixedFontLine();
        if (!is_reparse) {
            for (auto& child : this->m_children)
                child->parse_styles();
        }
    }

    // line-height as browsers compute it: rounded to whole pixels where the
    // engine cuts the fraction off (1.3 of 16 pixels is 21, not 20), and a
    // percentage or em length taken at the element that gives it and inherited
    // as that length (the engine applied it again to each descendant's own font
    // size; only a bare number is inherited as a number).
    void mendLineHeight()
    {
        const char* value = nullptr;
        const litehtml::element* declaring = nullptr;
        for (const litehtml::element* el = this; el && !declaring;) {
            const auto* access = dynamic_cast<const PageElementAccess*>(el);
            if (!access)
                return;
            value = access->styleValue("line-height");
            if (value && !sameName(value, "inherit"))
                declaring = el;
            else
                el = el->parent().get();
        }
        if (!declaring)
            return;
        litehtml::css_length length;
        length.fromString(value, "normal");
        if (length.is_predefined())
            return;
        double pixels = 0;
        switch (length.units()) {
        case litehtml::css_units_none:
            pixels = double(length.val()) * this->m_font_size;
            break;
        case litehtml::css_units_percentage:
        case litehtml::css_units_em:
            if (declaring != this) {
                if (const auto up = this->parent())
                    this->m_line_height = up->line_height();
                return;
            }
            pixels = double(length.val()) * this->m_font_size
                / (length.units() == litehtml::css_units_percentage ? 100.0 : 1.0);
            break;
        default:
            return;
        }
        if (std::isfinite(pixels))
            this->m_line_height = int(std::lround(std::clamp(pixels, 0.0, 20000.0)));
    }

    // A line that holds text in another font is as high as the highest ascent
    // plus the deepest descent among its fonts (code in Times text makes the
    // line a pixel higher in a browser); the engine took the highest line of any
    // one font. An inline element of normal line height in a block of normal line
    // height gets the height of its font and the block's together.
    void mendMixedFontLine()
    {
        if (this->m_display != litehtml::display_inline || !this->m_lh_predefined)
            return;
        auto block = this->parent();
        while (block && block->get_display() == litehtml::display_inline)
            block = block->parent();
        if (!block)
            return;
        litehtml::font_metrics around;
        block->get_font(&around);
        if (block->line_height() != around.height)
            return; // a line height of the block's own: the lines keep it
        const litehtml::font_metrics& own = this->m_font_metrics;
        this->m_line_height = std::max(own.ascent, around.ascent) + std::max(own.descent, around.descent);
    }

    // vertical-align: super and sub, which the engine leaves on the baseline for
    // text: the element is raised (by a third of the size of the text around, plus
    // one pixel) or lowered (by a fifth, plus one) as browsers do, and its line
    // grows to hold it. It becomes an inline block shifted by its position, with
    // the shift added as padding on the side it moved away from, so that the line
    // makes room.
    void mendRaisedText()
    {
        if (this->m_display != litehtml::display_inline
            || (this->m_vertical_align != litehtml::va_super && this->m_vertical_align != litehtml::va_sub)
            || this->m_el_position != litehtml::element_position_static
            || !this->m_style.get_property("vertical-align")) // the engine inherits it, browsers do not
            return;
        const auto up = this->parent();
        if (!up)
            return;
        const bool raised = this->m_vertical_align == litehtml::va_super;
        const double around = up->get_font_size();
        const int shift = int(std::lround(around / (raised ? 3.0 : 5.0) + 1));
        this->m_display = litehtml::display_inline_block;
        this->m_vertical_align = litehtml::va_baseline;
        this->m_el_position = litehtml::element_position_relative;
        this->m_css_offsets.top.set_value(float(raised ? -shift : shift), litehtml::css_units_px);
        this->m_css_offsets.bottom.fromString("auto", "auto");
        litehtml::css_length& side = raised ? this->m_css_padding.top : this->m_css_padding.bottom;
        int& used = raised ? this->m_padding.top : this->m_padding.bottom;
        used += shift;
        side.set_value(float(used), litehtml::css_units_px);
    }

    void mendBorderWidthsAndColours()
    {
        // Borders whose width is a keyword or not given at all (the engine makes
        // them 0 pixels wide): thin 1, medium 3, thick 5. A border of style none
        // or hidden takes no room whatever its width (the engine left the room).
        struct Width {
            const char* property;
            litehtml::css_border& border;
            int& used;
        } widths[] = {{"border-left-width", this->m_css_borders.left, this->m_borders.left},
                      {"border-right-width", this->m_css_borders.right, this->m_borders.right},
                      {"border-top-width", this->m_css_borders.top, this->m_borders.top},
                      {"border-bottom-width", this->m_css_borders.bottom, this->m_borders.bottom}};
        for (Width& w : widths) {
            if (w.border.style == litehtml::border_style_none || w.border.style == litehtml::border_style_hidden) {
                w.border.width.set_value(0, litehtml::css_units_px);
                w.used = 0;
                continue;
            }
            if (!w.border.width.is_predefined())
                continue;
            static const int keywordWidths[3] = {1, 3, 5};
            const int predefined = w.border.width.predef();
            const int pixels = keywordWidths[predefined >= 0 && predefined < 3 ? predefined : 1];
            w.border.width.set_value(float(pixels), litehtml::css_units_px);
            w.used = pixels;
        }
        // A border without a colour of its own is drawn in the element's colour.
        if (!this->m_css_borders.is_visible())
            return;
        const litehtml::web_color colour = this->get_color("color", true, litehtml::web_color(0, 0, 0));
        struct Side {
            const char* property;
            litehtml::css_border& border;
        } sides[] = {{"border-left-color", this->m_css_borders.left},
                     {"border-right-color", this->m_css_borders.right},
                     {"border-top-color", this->m_css_borders.top},
                     {"border-bottom-color", this->m_css_borders.bottom}};
        for (Side& side : sides) {
            const char* value = this->m_style.get_property(side.property);
            if (!value || !*value)
                side.border.color = colour;
        }
    }
};

// STYLE: its text, mended, becomes one of the document's style sheets when its
// media apply.
class PageStyle final : public litehtml::el_style {
public:
    explicit PageStyle(const std::shared_ptr<litehtml::document>& doc)
        : el_style(doc)
    {
    }

    bool appendChild(const ptr& el) override
    {
        if (el)
            m_texts.push_back(el);
        return el_style::appendChild(el);
    }

    void set_attr(const litehtml::tchar_t* name, const litehtml::tchar_t* value) override
    {
        if (sameName(name, "media") && value)
            m_media = value;
    }

    const litehtml::tchar_t* get_attr(const litehtml::tchar_t* name, const litehtml::tchar_t* def) const override
    {
        return sameName(name, "media") ? m_media.c_str() : def;
    }

    void parse_attributes() override
    {
        PageContainer* container = containerOf(*this);
        auto doc = get_document();
        if (!container || !doc || !container->fixes().mediaMatches(QByteArray::fromStdString(m_media)))
            return;
        std::string text;
        for (const auto& child : m_texts)
            child->get_text(text);
        const QByteArray fixed = container->fixes().fixStyleSheet(QByteArray::fromStdString(text));
        if (!fixed.isEmpty())
            doc->add_stylesheet(fixed.constData(), nullptr, nullptr);
    }

private:
    litehtml::elements_vector m_texts;
    std::string m_media;
};

// LINK rel=stylesheet (any letter case, not an alternate sheet): the style sheet
// of a local file, when its media apply.
class PageLink final : public PageTag<litehtml::html_tag> {
public:
    using PageTag::PageTag;

    void parse_attributes() override
    {
        PageContainer* container = containerOf(*this);
        auto doc = get_document();
        const char* rel = get_attr("rel");
        const char* href = get_attr("href");
        if (!container || !doc || !rel || !href || !*href)
            return;
        QList<QByteArray> words = QByteArray(rel).toLower().simplified().split(' ');
        if (!words.contains("stylesheet") || words.contains("alternate"))
            return;
        if (!container->fixes().mediaMatches(get_attr("media", "")))
            return;
        litehtml::tstring text;
        litehtml::tstring base;
        container->import_css(text, href, base);
        if (!text.empty())
            doc->add_stylesheet(text.c_str(), base.c_str(), nullptr);
    }
};

// LI: its number among the items of its list, from OL START and LI VALUE.
class PageListItem final : public PageTag<litehtml::html_tag> {
public:
    using PageTag::PageTag;

    int render(int x, int y, int max_width, bool second_pass) override
    {
        if (!m_numbered) {
            m_numbered = true;
            long number = 1;
            if (auto list = parent()) {
                if (const char* start = list->get_attr("start"))
                    number = std::atol(start);
                for (int i = 0, n = int(list->get_children_count()); i < n; ++i) {
                    auto child = list->get_child(i);
                    if (!sameName(child->get_tagName(), "li"))
                        continue;
                    if (const char* value = child->get_attr("value"))
                        number = std::atol(value);
                    if (child.get() == this)
                        break;
                    ++number;
                }
            }
            html_tag::set_attr("list_index", std::to_string(number).c_str());
        }
        return PageTag::render(x, y, max_width, second_pass);
    }

private:
    bool m_numbered = false;
};

// BR. The engine starts a new line with a line break instead of ending the line
// it is in, and gives it no height; a browser's lines come out of the role each
// break is given before layout (see mendBreaks).
class PageBreak final : public PageTag<litehtml::el_break> {
public:
    using PageTag::PageTag;

    enum class Role {
        First, // before anything else of its lines: an empty line of its own
        Between, // ends a line and begins the next (which it holds)
        Last, // after everything of its lines: nothing more
    };

    void setRole(Role role)
    {
        const int lineHeight = std::max(1, m_line_height);
        switch (role) {
        case Role::First:
            m_display = litehtml::display_block;
            m_css_height.set_value(float(lineHeight), litehtml::css_units_px);
            break;
        case Role::Between:
            m_display = litehtml::display_inline_block;
            m_vertical_align = litehtml::va_top;
            m_css_width.set_value(0, litehtml::css_units_px);
            m_css_height.set_value(float(lineHeight), litehtml::css_units_px);
            break;
        case Role::Last:
            m_display = litehtml::display_none;
            break;
        }
    }
};

template <class T>
std::shared_ptr<litehtml::element> make(const std::shared_ptr<litehtml::document>& doc)
{
    return std::make_shared<T>(doc);
}

} // namespace

std::shared_ptr<litehtml::element> createPageElement(const char* tagName, const litehtml::string_map&,
                                                     const std::shared_ptr<litehtml::document>& doc)
{
    if (!tagName)
        return nullptr;
    const std::string tag = tagName;
    if (tag == "br")
        return make<PageBreak>(doc);
    if (tag == "p")
        return make<PageTag<litehtml::el_para>>(doc);
    if (tag == "img")
        return make<PageTag<litehtml::el_image>>(doc);
    if (tag == "table")
        return make<PageTag<litehtml::el_table>>(doc);
    if (tag == "td" || tag == "th")
        return make<PageTag<litehtml::el_td>>(doc);
    if (tag == "tr")
        return make<PageTag<litehtml::el_tr>>(doc);
    if (tag == "a")
        return make<PageTag<litehtml::el_anchor>>(doc);
    if (tag == "body")
        return make<PageTag<litehtml::el_body>>(doc);
    if (tag == "div")
        return make<PageTag<litehtml::el_div>>(doc);
    if (tag == "font")
        return make<PageTag<litehtml::el_font>>(doc);
    if (tag == "title")
        return make<PageTag<litehtml::el_title>>(doc);
    if (tag == "base")
        return make<PageTag<litehtml::el_base>>(doc);
    if (tag == "style")
        return make<PageStyle>(doc);
    if (tag == "link")
        return make<PageLink>(doc);
    if (tag == "li")
        return make<PageListItem>(doc);
    if (tag == "script")
        return nullptr; // the engine's own: never shown
    return make<PageTag<litehtml::html_tag>>(doc);
}

namespace {

bool isBlockLevel(litehtml::style_display d)
{
    return d == litehtml::display_block || d == litehtml::display_list_item || d == litehtml::display_table
        || d == litehtml::display_table_row || d == litehtml::display_table_row_group
        || d == litehtml::display_table_header_group || d == litehtml::display_table_footer_group
        || d == litehtml::display_table_cell || d == litehtml::display_table_caption
        || d == litehtml::display_table_column || d == litehtml::display_table_column_group;
}

bool holdsLines(const litehtml::element::ptr& el)
{
    const litehtml::style_display d = el->get_display();
    return d == litehtml::display_block || d == litehtml::display_list_item || d == litehtml::display_table_cell
        || d == litehtml::display_table_caption || d == litehtml::display_inline_block;
}

bool outOfFlow(const litehtml::element::ptr& el)
{
    const litehtml::element_position p = el->get_element_position();
    return p == litehtml::element_position_absolute || p == litehtml::element_position_fixed
        || el->get_float() != litehtml::float_none;
}

// The content, line breaks and white space of the lines of one block, in order.
struct LineItem {
    PageBreak* lineBreak = nullptr;
    litehtml::element* space = nullptr; // neither: content
    litehtml::element* newline = nullptr; // a line break of preformatted text
};

void collectLines(const litehtml::element::ptr& el, std::vector<std::vector<LineItem>>& runs, int depth)
{
    if (depth > 10000)
        return;
    for (int i = 0, n = int(el->get_children_count()); i < n; ++i) {
        const litehtml::element::ptr child = el->get_child(i);
        if (!child)
            continue;
        const litehtml::style_display d = child->get_display();
        if (d == litehtml::display_none || outOfFlow(child))
            continue;
        if (d == litehtml::display_inline_text) {
            if (child->is_break()) // a line break of preformatted text
                runs.back().push_back({nullptr, nullptr, child.get()});
            else if (child->is_white_space())
                runs.back().push_back({nullptr, child.get()});
            else
                runs.back().push_back({});
            continue;
        }
        if (auto* lineBreak = dynamic_cast<PageBreak*>(child.get())) {
            runs.back().push_back({lineBreak, nullptr});
            continue;
        }
        if (isBlockLevel(d)) {
            runs.emplace_back();
            continue;
        }
        if (d == litehtml::display_inline && !child->is_replaced()) {
            collectLines(child, runs, depth + 1);
            continue;
        }
        runs.back().push_back({}); // a picture, an inline block
    }
}

// Calls `visit` for `root` and every element below it but runs of text, parents
// before their children, in document order. The children are taken before the
// visit, so a visit may change them without changing which are visited.
template <typename Visit>
void forEachElement(const litehtml::element::ptr& root, const Visit& visit)
{
    std::vector<litehtml::element::ptr> pending{root};
    while (!pending.empty()) {
        const litehtml::element::ptr el = pending.back();
        pending.pop_back();
        for (int i = int(el->get_children_count()) - 1; i >= 0; --i) {
            if (auto child = el->get_child(i); child && child->get_display() != litehtml::display_inline_text)
                pending.push_back(child);
        }
        visit(el);
    }
}

void mendBreaks(const litehtml::element::ptr& root)
{
    std::vector<std::pair<litehtml::element::ptr, litehtml::element::ptr>> blankSpace;
    std::vector<litehtml::element::ptr> emptyLineBefore;
    forEachElement(root, [&](const litehtml::element::ptr& el) {
        if (!holdsLines(el) && el != root)
            return;
        std::vector<std::vector<LineItem>> runs(1);
        collectLines(el, runs, 0);
        for (std::vector<LineItem>& run : runs) {
            // White space alone between blocks makes no line (the engine makes
            // one, which keeps the blocks' margins from meeting).
            const bool blank = std::all_of(run.begin(), run.end(), [](const LineItem& i) { return i.space; })
                && !run.empty();
            if (blank) {
                for (const LineItem& item : run) {
                    if (auto parent = item.space->parent())
                        blankSpace.push_back({parent, item.space->shared_from_this()});
                }
                continue;
            }
            // Line breaks, by where they stand among the lines' content.
            run.erase(std::remove_if(run.begin(), run.end(), [](const LineItem& i) { return i.space; }), run.end());
            // Preformatted text that begins with a line break begins with an empty
            // line; the engine starts the lines at the first break and loses it.
            if (!run.empty() && run.front().newline)
                emptyLineBefore.push_back(run.front().newline->shared_from_this());
            // After the last content the first break ends its line and each one
            // after it is an empty line (the engine gives the last line of a
            // block no height when it holds a break alone).
            size_t afterContent = 0;
            for (size_t k = 0; k < run.size(); ++k) {
                if (!run[k].lineBreak)
                    afterContent = k + 1;
            }
            bool contentBefore = false;
            for (size_t k = 0; k < run.size(); ++k) {
                if (!run[k].lineBreak) {
                    contentBefore = true;
                    continue;
                }
                if (!contentBefore)
                    run[k].lineBreak->setRole(PageBreak::Role::First);
                else if (k == afterContent)
                    run[k].lineBreak->setRole(PageBreak::Role::Last);
                else if (k > afterContent)
                    run[k].lineBreak->setRole(PageBreak::Role::First);
                else
                    run[k].lineBreak->setRole(PageBreak::Role::Between);
            }
        }
    });
    for (const auto& [parent, space] : blankSpace)
        parent->removeChild(space);
    for (const litehtml::element::ptr& newline : emptyLineBefore) {
        const litehtml::element::ptr parent = newline->parent();
        auto* access = dynamic_cast<PageElementAccess*>(parent.get());
        if (!access)
            continue;
        auto line = std::make_shared<PageBreak>(parent->get_document());
        line->set_tagName("br");
        access->replaceChild(newline, {line, newline});
        line->parse_styles(false);
        line->setRole(PageBreak::Role::First);
    }
}

// What comes first (last) in the flow of a block: nothing but white space, inline
// content, or a block (stored in `block`). Inline elements that hold nothing but
// blocks are looked through, as a browser lets margins collapse through them.
enum class Edge { Nothing, Inline, Block };

Edge edgeOf(const litehtml::element::ptr& el, bool first, litehtml::element::ptr* block, int depth = 0)
{
    if (depth > 100)
        return Edge::Inline;
    const int n = int(el->get_children_count());
    for (int k = 0; k < n; ++k) {
        const litehtml::element::ptr child = el->get_child(first ? k : n - 1 - k);
        if (!child || child->get_display() == litehtml::display_none)
            continue;
        const litehtml::style_display d = child->get_display();
        if (d == litehtml::display_inline_text) {
            if (child->is_white_space())
                continue;
            return Edge::Inline;
        }
        const litehtml::element_position p = child->get_element_position();
        if (p == litehtml::element_position_absolute || p == litehtml::element_position_fixed)
            continue;
        if (child->get_float() != litehtml::float_none)
            return Edge::Inline;
        if (d == litehtml::display_inline && !child->is_replaced()) {
            const Edge inside = edgeOf(child, first, block, depth + 1);
            if (inside == Edge::Nothing)
                continue;
            return inside;
        }
        if ((d == litehtml::display_block || d == litehtml::display_list_item || d == litehtml::display_table)
            && dynamic_cast<PageElementAccess*>(child.get())) {
            *block = child;
            return Edge::Block;
        }
        return Edge::Inline;
    }
    return Edge::Nothing;
}

// An inline element with nothing in it (the target of a link, an empty span):
// it makes no line, and margins meet across it.
bool holdsNothing(const litehtml::element::ptr& el)
{
    litehtml::element::ptr inner;
    return el->get_display() == litehtml::display_inline && !el->is_replaced()
        && edgeOf(el, true, &inner) == Edge::Nothing;
}

// The first (or last) child in the flow of a block, when it is a block whose top
// (bottom) margin meets the block's; null otherwise.
litehtml::element::ptr edgeChild(const litehtml::element::ptr& el, bool first)
{
    litehtml::element::ptr block;
    return edgeOf(el, first, &block) == Edge::Block ? block : nullptr;
}

// Whether margins of a block's first (last) child meet its own: it has no border
// or padding there and starts no flow of its own (the root, table cells, inline
// blocks, floats, positioned boxes and boxes that clip do).
bool marginsPassThrough(const litehtml::element::ptr& el, bool top)
{
    auto* access = dynamic_cast<PageElementAccess*>(el.get());
    const litehtml::style_display d = el->get_display();
    if (!access || !el->have_parent() || (d != litehtml::display_block && d != litehtml::display_list_item)
        || el->get_overflow() != litehtml::overflow_visible || el->get_float() != litehtml::float_none)
        return false;
    const litehtml::element_position p = el->get_element_position();
    if (p == litehtml::element_position_absolute || p == litehtml::element_position_fixed)
        return false;
    const litehtml::css_border& border = top ? access->cssBorders().top : access->cssBorders().bottom;
    const litehtml::css_length& padding = top ? access->cssPadding().top : access->cssPadding().bottom;
    const bool noBorder = border.style == litehtml::border_style_none || border.style == litehtml::border_style_hidden
        || border.width.val() == 0;
    return noBorder && padding.val() == 0;
}

// The margins the default style sheet gives, which quirks mode leaves out at the
// top of the body and at the edges of table cells.
bool hasDefaultMargin(const litehtml::element::ptr& el, bool top)
{
    static const struct {
        const char* tag;
        const char* margin;
    } defaults[] = {
        {"p", "1em"},      {"dl", "1em"},      {"ul", "1em"},       {"ol", "1em"},       {"dir", "1em"},
        {"menu", "1em"},   {"pre", "1em"},     {"xmp", "1em"},      {"listing", "1em"},  {"plaintext", "1em"},
        {"blockquote", "1em"}, {"figure", "1em"}, {"h1", ".67em"}, {"h2", ".83em"},      {"h3", "1em"},
        {"h4", "1.33em"},  {"h5", "1.67em"},   {"h6", "2.33em"},
    };
    auto* access = dynamic_cast<PageElementAccess*>(el.get());
    if (!access)
        return false;
    const char* value = access->styleValue(top ? "margin-top" : "margin-bottom");
    for (const auto& d : defaults) {
        if (sameName(el->get_tagName(), d.tag))
            return value && std::strcmp(value, d.margin) == 0;
    }
    return false;
}

void setMargin(const litehtml::element::ptr& el, bool top, int pixels)
{
    if (auto* access = dynamic_cast<PageElementAccess*>(el.get()))
        access->setMargin(top, pixels);
}

// A block with nothing in it: no text, no pictures, no border, padding or height.
bool isEmptyBlock(const litehtml::element::ptr& el, int depth = 0)
{
    if (depth > 50 || el->get_display() != litehtml::display_block || el->is_replaced())
        return false;
    auto* access = dynamic_cast<PageElementAccess*>(el.get());
    if (!access || !marginsPassThrough(el, true) || !marginsPassThrough(el, false))
        return false;
    if (dynamic_cast<PageBreak*>(el.get()))
        return false; // a line of its own
    const litehtml::css_length height = el->get_css_height();
    if (!height.is_predefined() && height.val() != 0)
        return false;
    if (const char* value = access->styleValue("min-height");
        value && *value && std::strcmp(value, "0") != 0 && std::strcmp(value, "auto") != 0)
        return false;
    for (int i = 0, n = int(el->get_children_count()); i < n; ++i) {
        const litehtml::element::ptr child = el->get_child(i);
        if (!child || child->get_display() == litehtml::display_none)
            continue;
        if (child->get_display() == litehtml::display_inline_text && child->is_white_space())
            continue;
        if (holdsNothing(child))
            continue;
        if (!isEmptyBlock(child, depth + 1))
            return false;
    }
    return true;
}

// An empty block's margins collapse through it with its neighbours'. The engine
// keeps both, one above the other; the block is left out and its margin handed
// to the block after it (or before it).
void mendEmptyBlocks(const litehtml::element::ptr& root)
{
    std::vector<litehtml::element::ptr> pending{root};
    while (!pending.empty()) {
        const litehtml::element::ptr el = pending.back();
        pending.pop_back();
        const int n = int(el->get_children_count());
        for (int i = 0; i < n; ++i) {
            const litehtml::element::ptr child = el->get_child(i);
            if (!child || child->get_display() == litehtml::display_inline_text)
                continue;
            if (outOfFlow(child) || !isEmptyBlock(child)) {
                pending.push_back(child);
                continue;
            }
            const int margin = std::max(child->margin_top(), child->margin_bottom());
            // The next block in the flow, else the one before.
            litehtml::element::ptr neighbour;
            bool after = true;
            for (int k = i + 1; k < n && !neighbour; ++k) {
                auto next = el->get_child(k);
                if (!next || next->get_display() == litehtml::display_none || outOfFlow(next)
                    || (next->get_display() == litehtml::display_inline_text && next->is_white_space())
                    || holdsNothing(next))
                    continue;
                if (next->get_display() != litehtml::display_block || isEmptyBlock(next)
                    || !dynamic_cast<PageElementAccess*>(next.get()))
                    break;
                neighbour = next;
            }
            if (!neighbour) {
                after = false;
                for (int k = i - 1; k >= 0 && !neighbour; --k) {
                    auto previous = el->get_child(k);
                    if (!previous || previous->get_display() == litehtml::display_none || outOfFlow(previous)
                        || (previous->get_display() == litehtml::display_inline_text && previous->is_white_space())
                        || holdsNothing(previous))
                        continue;
                    if (previous->get_display() != litehtml::display_block
                        || !dynamic_cast<PageElementAccess*>(previous.get()))
                        break;
                    neighbour = previous;
                }
            }
            auto* access = dynamic_cast<PageElementAccess*>(child.get());
            if (!neighbour) {
                // Nothing to hand it to: one margin, below.
                setMargin(child, true, 0);
                setMargin(child, false, margin);
                continue;
            }
            const int theirs = after ? neighbour->margin_top() : neighbour->margin_bottom();
            setMargin(neighbour, after, std::max(theirs, margin));
            access->hide();
        }
    }
}

// Moves the margins of the first (top) or last descendants of `el` that meet its
// own onto `el`, keeping the largest; `passes` tells whether a block lets its
// child's margin through. Nothing moves when `el`'s own margin passes on to its
// parent (the parent gathers it). With `quirkyEdge`, default margins do not count.
template <typename Passes>
void gatherEdgeMargins(const litehtml::element::ptr& el, bool top, bool quirkyEdge, const Passes& passes)
{
    const litehtml::element::ptr parent = el->parent();
    if (!parent || !dynamic_cast<PageElementAccess*>(el.get()) || (passes(parent) && edgeChild(parent, top) == el))
        return;
    int largest = top ? el->margin_top() : el->margin_bottom();
    bool moved = false;
    for (litehtml::element::ptr at = el; passes(at);) {
        const litehtml::element::ptr next = edgeChild(at, top);
        if (!next)
            break;
        if (!(quirkyEdge && hasDefaultMargin(next, top)))
            largest = std::max(largest, top ? next->margin_top() : next->margin_bottom());
        setMargin(next, top, 0);
        moved = true;
        at = next;
    }
    if (moved)
        setMargin(el, top, largest);
}

void mendMargins(const litehtml::element::ptr& root, bool quirksMode)
{
    mendEmptyBlocks(root);
    std::vector<litehtml::element::ptr> cells;
    forEachElement(root, [&](const litehtml::element::ptr& el) {
        if (el->get_display() == litehtml::display_table_cell)
            cells.push_back(el);
        // The top margins of a block and of its first descendants meet: the
        // largest is kept on the block that heads them. The engine collapses
        // them itself only where nothing comes before the first descendant, and
        // then counts the margin twice when white space did.
        // In quirks mode the default margins at the top of the body are left out.
        gatherEdgeMargins(el, true, quirksMode && el->is_body(),
                          [](const litehtml::element::ptr& block) { return marginsPassThrough(block, true); });
    });
    // So do the bottom margins of a block of no fixed height and of its last
    // descendants. The engine lets the last child's margin out only when the
    // child itself has no bottom border or padding (the test for its own last
    // child), and otherwise keeps it inside, below the child.
    forEachElement(root, [](const litehtml::element::ptr& el) {
        gatherEdgeMargins(el, false, false, [](const litehtml::element::ptr& block) {
            return marginsPassThrough(block, false) && block->get_css_height().is_predefined();
        });
    });
    // Margins of neighbouring blocks meet. The engine lets them meet only when
    // the upper block has no bottom border or padding (it takes the test for a
    // parent's margins meeting its last child's); otherwise the lower block's
    // margin is cut by what the upper one's already gives.
    std::vector<litehtml::element::ptr> pending{root};
    while (!pending.empty()) {
        const litehtml::element::ptr el = pending.back();
        pending.pop_back();
        litehtml::element::ptr upper;
        for (int i = 0, n = int(el->get_children_count()); i < n; ++i) {
            const litehtml::element::ptr child = el->get_child(i);
            if (!child || child->get_display() == litehtml::display_none)
                continue;
            const litehtml::style_display d = child->get_display();
            if (d == litehtml::display_inline_text) {
                if (!child->is_white_space())
                    upper = nullptr;
                continue;
            }
            pending.push_back(child);
            if (outOfFlow(child))
                continue;
            if (d != litehtml::display_block && d != litehtml::display_list_item && d != litehtml::display_table) {
                if (!holdsNothing(child))
                    upper = nullptr;
                continue;
            }
            if (upper && !upper->collapse_bottom_margin() && upper->margin_bottom() >= 0 && child->margin_top() > 0)
                setMargin(child, true, std::max(0, child->margin_top() - upper->margin_bottom()));
            upper = dynamic_cast<PageElementAccess*>(child.get()) ? child : nullptr;
        }
    }
    if (!quirksMode)
        return;
    // Table cells: the default margins at their top and bottom are left out.
    for (const litehtml::element::ptr& cell : cells) {
        for (bool top : {true, false}) {
            litehtml::element::ptr child = edgeChild(cell, top);
            while (child && hasDefaultMargin(child, top)) {
                setMargin(child, top, 0);
                if (!marginsPassThrough(child, top))
                    break;
                child = edgeChild(child, top);
            }
        }
    }
}

// A float pulled back by a margin of -100% sits beside a float as wide as its
// container (the side bar of many generated documentation pages); the engine
// puts it below instead. It is pinned to the container's top edge on its side.
void mendSideFloats(const litehtml::element::ptr& root)
{
    std::vector<litehtml::element::ptr> pending{root};
    while (!pending.empty()) {
        const litehtml::element::ptr el = pending.back();
        pending.pop_back();
        bool wideFloatBefore = false;
        for (int i = 0, n = int(el->get_children_count()); i < n; ++i) {
            const litehtml::element::ptr child = el->get_child(i);
            if (!child || child->get_display() == litehtml::display_inline_text)
                continue;
            pending.push_back(child);
            if (child->get_float() == litehtml::float_none)
                continue;
            auto* access = dynamic_cast<PageElementAccess*>(child.get());
            if (!access)
                continue;
            const litehtml::css_length width = child->get_css_width();
            const litehtml::css_length& margin = access->cssMarginLeft();
            if (!width.is_predefined() && width.units() == litehtml::css_units_percentage && width.val() >= 99) {
                wideFloatBefore = true;
            } else if (wideFloatBefore && !margin.is_predefined()
                       && margin.units() == litehtml::css_units_percentage && margin.val() <= -99) {
                access->pinToEdge(child->get_float() == litehtml::float_right);
                if (auto* container = dynamic_cast<PageElementAccess*>(el.get()))
                    container->makeContainer();
            }
        }
    }
}

// A closed DETAILS shows its SUMMARY alone.
void mendDetails(const litehtml::element::ptr& root)
{
    std::vector<std::pair<litehtml::element::ptr, litehtml::element::ptr>> hiddenText;
    std::vector<litehtml::element::ptr> pending{root};
    while (!pending.empty()) {
        const litehtml::element::ptr el = pending.back();
        pending.pop_back();
        const bool closed = sameName(el->get_tagName(), "details") && !el->get_attr("open");
        bool summaryShown = false;
        for (int i = 0, n = int(el->get_children_count()); i < n; ++i) {
            const litehtml::element::ptr child = el->get_child(i);
            if (!child)
                continue;
            if (closed) {
                if (!summaryShown && sameName(child->get_tagName(), "summary")) {
                    summaryShown = true;
                } else if (child->get_display() == litehtml::display_inline_text) {
                    hiddenText.push_back({el, child});
                    continue;
                } else if (auto* access = dynamic_cast<PageElementAccess*>(child.get())) {
                    access->hide();
                    continue;
                }
            }
            if (child->get_display() != litehtml::display_inline_text)
                pending.push_back(child);
        }
    }
    for (const auto& [parent, text] : hiddenText)
        parent->removeChild(text);
}

// Characters of the scripts written without spaces (Chinese, Japanese, Korean):
// a line may break between any two of them.
bool isCloseSetCharacter(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Punctuation, small kana and marks that never begin a line, and brackets that
// never end one.
bool neverBeginsLine(char32_t c)
{
    static const std::u32string marks =
        U"、。，．・：；？！ー」』）］｝〕"
        U"〉》】〙〗〟’”ぁぃぅぇぉっゃゅ"
        U"ょゎゕゖァィゥェォッャュョヮヵヶ"
        U"々〻ゝゞヽヾ゛゜)]},.;:!?%";
    return marks.find(c) != std::u32string::npos;
}

bool neverEndsLine(char32_t c)
{
    static const std::u32string marks =
        U"「『（［｛〔〈《【〘〖〝‘“([{";
    return marks.find(c) != std::u32string::npos;
}

// A text of such characters as the pieces a line may break between (the engine
// breaks only at spaces, and around each ideograph of the basic block); empty
// when there is nowhere to break.
std::vector<std::string> closeSetPieces(const std::string& text)
{
    std::vector<std::string> pieces;
    size_t start = 0, at = 0;
    char32_t before = nextCodePoint(text, at);
    while (at < text.size()) {
        const size_t here = at;
        const char32_t after = nextCodePoint(text, at);
        if ((isCloseSetCharacter(before) || isCloseSetCharacter(after)) && !neverBeginsLine(after)
            && !neverEndsLine(before)) {
            pieces.push_back(text.substr(start, here - start));
            start = here;
        }
        before = after;
    }
    if (!pieces.empty())
        pieces.push_back(text.substr(start));
    return pieces;
}

// Text in scripts written without spaces, and text in fonts that stand in for the
// element's own:
// - such text may break between any two of its characters, as browsers break it;
// - a line holding characters the element's font lacks is as high as the highest
//   ascent plus the deepest descent of its font and those that draw them (for
//   Japanese in Times, 21 pixels instead of 18 at 16 pixels).
void mendForeignText(const litehtml::element::ptr& root)
{
    auto* container = containerOf(*root);
    if (!container)
        return;
    std::vector<litehtml::element::ptr> pending{root};
    while (!pending.empty()) {
        const litehtml::element::ptr el = pending.back();
        pending.pop_back();
        auto* access = dynamic_cast<PageElementAccess*>(el.get());
        int ascent = 0, descent = 0;
        bool foreign = false;
        std::vector<std::pair<litehtml::element::ptr, std::vector<std::string>>> splits;
        for (int i = 0, n = int(el->get_children_count()); i < n; ++i) {
            const litehtml::element::ptr child = el->get_child(i);
            if (!child)
                continue;
            if (child->get_display() != litehtml::display_inline_text) {
                pending.push_back(child);
                continue;
            }
            if (!access || child->is_white_space())
                continue;
            std::string text;
            child->get_text(text);
            if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                continue;
            int a = 0, d = 0;
            if (container->fallbackExtent(el->get_font(), text, &a, &d)) {
                foreign = true;
                ascent = std::max(ascent, a);
                descent = std::max(descent, d);
            }
            const litehtml::white_space ws = el->get_white_space();
            if (ws == litehtml::white_space_normal || ws == litehtml::white_space_pre_line
                || ws == litehtml::white_space_pre_wrap) {
                if (std::vector<std::string> pieces = closeSetPieces(text); !pieces.empty())
                    splits.emplace_back(child, std::move(pieces));
            }
        }
        for (auto& [child, texts] : splits) {
            litehtml::elements_vector pieces;
            for (const std::string& text : texts) {
                auto piece = std::make_shared<litehtml::el_text>(text.c_str(), el->get_document());
                pieces.push_back(piece);
            }
            access->replaceChild(child, pieces);
            for (const auto& piece : pieces)
                piece->parse_styles(false);
        }
        if (foreign && access->lineHeightIsNormal()) {
            litehtml::font_metrics own;
            el->get_font(&own);
            access->raiseLineHeight(std::max(own.ascent, ascent) + std::max(own.descent, descent));
        }
    }
}

} // namespace

void mendPageTree(const litehtml::element::ptr& root, bool quirksMode)
{
    if (!root)
        return;
    mendForeignText(root);
    mendDetails(root);
    mendBreaks(root);
    mendMargins(root, quirksMode);
    mendSideFloats(root);
}

} // namespace zv
