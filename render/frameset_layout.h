#pragma once
// The frames of a frameset document and the rectangles a browser gives them. A
// document is a frameset document when a FRAMESET start tag comes before any body
// content (only the head and its elements, comments and white space may precede
// it). ROWS and COLS are lists of pixels ("120"), percentages ("25%") and shares
// of what is left ("*", "2*"); BORDER is the width of the gaps between frames,
// inherited by nested framesets that give none. Nested framesets are followed to
// any depth the markup has (the documents of frames are a matter of the caller).
#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

namespace zv {

class FramesetLayout {
public:
    // One entry of ROWS or COLS.
    struct Length {
        enum class Kind { Pixels, Percent, Share } kind = Kind::Share;
        double value = 1;
        bool operator==(const Length&) const = default;
    };

    struct Node {
        bool frameset = false;
        QList<Length> rows; // framesets: one entry at least
        QList<Length> cols;
        int border = -1; // -1: as the enclosing frameset (or the default)
        std::vector<Node> children; // framesets: frames and framesets in order
        QByteArray src; // frames: the SRC attribute as written
    };

    // A frame placed in the page.
    struct Frame {
        QRect rect;
        QByteArray src;
        int depth = 0; // framesets around it
    };

    // The frameset of a frameset document, or nothing for any other document.
    static std::optional<Node> parse(const QByteArray& markup);
    // A ROWS or COLS value; "" and unreadable entries count as "*".
    static QList<Length> parseLengths(QByteArrayView text);
    // The sizes of `lengths` sharing `total` pixels, as browsers share them.
    static QList<int> distribute(const QList<Length>& lengths, int total);

    // Places the frames of `root` in `area`; the gaps between them are `gaps`.
    static void place(const Node& root, const QRect& area, std::vector<Frame>& frames, std::vector<QRect>& gaps);

    // The width of the gaps where no frameset gives one.
    static constexpr int kDefaultBorder = 6;
    static constexpr int kDeepestFrameset = 32;
    static constexpr int kMostFrames = 256;

private:
    static void placeNode(const Node& node, const QRect& area, int border, int depth,
                          std::vector<Frame>& frames, std::vector<QRect>& gaps);
};

} // namespace zv
