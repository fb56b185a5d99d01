#pragma once
// The presentational attributes of old HTML (BGCOLOR, ALIGN, BORDER, FONT SIZE and
// the like) as the style declarations a browser gives them. The layout engine reads
// few of them, and some wrongly; the view adds these declarations to each element
// after the engine's own, so that they win over the engine's reading and lose to
// every style sheet rule of the page, as in a browser.
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zv {

// Attribute names in lower case, values as written.
using TagAttributes = std::map<std::string, std::string>;

struct StyleDeclaration {
    std::string property;
    std::string value;
    bool operator==(const StyleDeclaration&) const = default;
};

// What an element's presentation depends on besides its own attributes.
struct PresentationalContext {
    const TagAttributes* table = nullptr; // the table a cell or row belongs to
    const TagAttributes* row = nullptr; // the row a cell belongs to
    const TagAttributes* body = nullptr; // the document's body (for links)
    std::string_view parentTag; // the element around it, lower case
    const TagAttributes* parent = nullptr;
};

// The declarations for element `tag` (lower case) with `attributes`.
std::vector<StyleDeclaration> presentationalStyles(std::string_view tag, const TagAttributes& attributes,
                                                   const PresentationalContext& context = {});

// A colour attribute ("red", "#f00", "ff0000", "#12345") as a CSS colour, read the
// way browsers read legacy colour values; empty when it names no colour.
std::string legacyColour(std::string_view value);

// A length attribute ("100", "50%", "12px") as a CSS length, cut to what a page can
// use; empty when it holds no number. `allowPercent` false reads "50%" as 50 pixels.
std::string legacyLength(std::string_view value, bool allowPercent = true);

} // namespace zv
