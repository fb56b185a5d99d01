#pragma once
// Where the markup of a long page may be cut so that laying out only what comes
// before the cut shows the top of the page exactly as laying out all of it does.
//
// The layout engine lays a page out whole, with one element per word: a page of
// several megabytes takes seconds and hundreds of megabytes. A view shows the top
// of its page (a tile never scrolls; a zoomed view shows a screen at a time), and
// what follows a block that has ended is laid out below what came before, without
// moving it. So a page may be cut right after the end of a block, provided nothing
// after the cut can show higher up: no style sheet, no element that rules or its
// own style place absolutely, fixed, or moved by a top or bottom offset or a
// negative margin, no BODY or HTML tag adding attributes. Whether the blocks still
// open at the cut lay their earlier content out alone is for the caller to check
// on the laid-out part (PageLayout does: plain blocks, nothing floating or
// positioned, and no rule choosing them by what follows them among their siblings).
//
// MarkupPrefix reads the markup once and notes the places where a block ends
// outside tables and inline elements, and the last place where anything that could
// show higher up stands. Style sheets are read for rules that may move an element
// up (by the names their selectors end in) and for rules that depend on what
// follows an element (:last-child and the like).
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>

#include <cstdint>
#include <vector>

namespace zv {

class MarkupPrefix {
public:
    explicit MarkupPrefix(const QByteArray& markup);

    // Notes the rules of a style sheet the page uses.
    void addStyleSheet(QByteArrayView css);

    // The first place at or after `bytes` where the markup may be cut, with at most
    // `depth` elements open there besides HTML and BODY; -1 when there is none
    // before its end.
    qsizetype cutAt(qsizetype bytes, int depth = kAnyDepth) const;
    static constexpr int kAnyDepth = 255;
    // The name of the element a cut ends (in lower case).
    QByteArray endedAt(qsizetype cut) const;

    // Whether rules choose an element of this name, class attribute and id by what
    // follows it among its siblings (:last-child, :only-child, :nth-last-child and
    // the like): cut after it, it would be chosen where the whole page does not
    // choose it.
    bool chosenByFollowers(QByteArrayView tag, QByteArrayView classes, QByteArrayView id) const;

    // How far up elements after a cut may show above where the flow puts them (a
    // negative margin or an offset of a relatively positioned element moves one by
    // as much): the part laid out must show this much more than the view does.
    int lift() const { return m_lift; }

    // How far declarations (a rule's or a style attribute's) may show an element
    // higher up than where the flow puts it, in pixels: 0 not at all, kUnbounded
    // anywhere (placed absolutely or fixed, pulled back beside a float, or by an
    // amount not known here).
    static int upwardMove(QByteArrayView declarations);
    static constexpr int kUnbounded = -1;

private:
    struct Key {
        char kind; // 't' element name, '.' class, '#' id, '*' anything
        QByteArray name;
    };
    void readRules(const QByteArray& css, qsizetype from, qsizetype to, int depth);
    void readRule(QByteArrayView selectors, QByteArrayView declarations);
    void noteMovingKey(const Key& key, int move);
    // The largest distance a length may amount to (negative lengths only unless
    // `anySign`); kUnbounded when not known here.
    static int lengthBound(QByteArrayView value, bool anySign);
    static constexpr int kLargestBoundedMove = 2000;
    static Key keyOf(QByteArrayView compound);
    bool matches(const Key& key, QByteArrayView tag, QByteArrayView classes, QByteArrayView id) const;

    qsizetype m_size = 0;
    struct Cut {
        qsizetype at;
        std::uint8_t block; // which block ends there (an index into the names of blocks)
        std::uint8_t depth; // elements open there besides HTML and BODY
    };
    std::vector<Cut> m_cuts;
    // Where the last start tag of each element name, class and id ends.
    QHash<QByteArray, qsizetype> m_lastTag;
    QHash<QByteArray, qsizetype> m_lastClass;
    QHash<QByteArray, qsizetype> m_lastId;
    // No cut before this: everything that could show higher up comes before it.
    qsizetype m_movingEnd = 0;
    int m_lift = 0;
    std::vector<Key> m_followerKeys;
    bool m_anyChosenByFollowers = false;
};

} // namespace zv
