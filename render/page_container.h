#pragma once
// The layout engine's window on the world: litehtml asks its document container for
// fonts, text widths, pictures, style sheets and the screen, and hands it every
// drawing operation. This container answers from Qt alone, with no widget: text
// and shapes are drawn on the QPainter of the paint under way (any QImage or
// widget painter), so a page can be laid out and painted on any thread.
//
// - Fonts: the families a page names are taken in order, the first one installed
//   (or one of the metric-compatible Liberation fonts fontconfig puts in place of
//   Arial, Helvetica, Times and Courier) wins; generic families are the
//   Liberation and DejaVu fonts a browser here uses. Lines are as high as a
//   browser makes them (the font's ascent, descent and line gap, each rounded to
//   whole pixels). Fonts and the widths of words are kept for the container's life.
// - Pictures and style sheets come only from local files named by file addresses
//   (relative ones resolved against the document or the style sheet) and from
//   data: addresses; nothing is ever fetched from the network. Every local file
//   looked for is remembered (filesRead), found or not, so that a picture kept of
//   the page can be known to be out of date.
// - Style sheets pass through StyleSheetFixes before the engine sees them; the
//   screen is a light screen of the layout's width and the view's height.
// - Elements are made by the view's own element classes (page_elements.h), which
//   add the presentational attributes and mend what the engine gets wrong.
#include "render/style_sheet_fixes.h"

#include <litehtml.h>

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QSet>
#include <QImage>
#include <QRawFont>
#include <QSize>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace zv {

class PageContainer final : public litehtml::document_container {
public:
    // `bodyFont` gives the default family and size; `width` and `height` are the
    // screen the page is laid out for.
    PageContainer(const QUrl& baseUrl, const QFont& bodyFont, int width, int height);
    ~PageContainer();

    PageContainer(const PageContainer&) = delete;
    PageContainer& operator=(const PageContainer&) = delete;

    // The view's fixed-pitch font: text whose family is that font alone or the
    // generic monospace alone is sized relative to it, as browsers size text in
    // their fixed font (13 pixels where the standard font has 16).
    void setFixedFont(const QFont& fixed);
    // Whether a font-family value names the fixed font alone.
    bool isFixedFamilyAlone(const char* familyList) const;
    // The fixed font's size over the standard font's.
    double fixedSizeRatio() const { return m_fixedRatio; }

    // The highest ascent and deepest descent (each with half the line gap, in
    // whole pixels as a browser rounds them) of the fonts that draw characters
    // of `text` the engine's font `font` does not have; false when it has them
    // all. A browser makes a line holding such characters room for those fonts.
    bool fallbackExtent(litehtml::uint_ptr font, const std::string& text, int* ascent, int* descent);

    // The painter drawing calls go to while a document paints (set around draw()).
    void setPainter(QPainter* painter) { m_painter = painter; }

    StyleSheetFixes& fixes() { return m_fixes; }
    const QUrl& baseUrl() const { return m_base; }

    // The local file an address names against `base` (the document's address when
    // empty); empty when the address is not a local file.
    QString localFile(const QString& address, const QString& base = QString()) const;
    // The text of a local style sheet in UTF-8 (read once, remembered among the
    // files read); empty when it cannot be read.
    QByteArray styleSheetText(const QString& path);
    // A picture's natural size and its pixels, or null for none.
    struct Picture {
        QSize size;
        QImage image; // at most kLargestPictureSide on a side; drawn scaled
    };
    const Picture* picture(const QString& address, const QString& base = QString());

    // The picture an IMG element shows when its own cannot be decoded ("_NoImage.gif");
    // a background that cannot be decoded is left out, as a browser leaves it.
    void setMissingPicture(const QString& path) { m_missingPicture = path; }

    // The local files looked for (pictures, style sheets), in the order first
    // looked for, found or not.
    const QStringList& filesRead() const { return m_filesRead; }
    void noteFileRead(const QString& path);

    // The family a CSS family list names here (for tests and the plain-text view).
    static QString resolveFamily(const QString& familyList, const QString& fallback);

    // Style sheets and pictures larger than this are not read.
    static constexpr qint64 kLargestStyleSheet = 4 << 20;
    static constexpr int kLargestFontPixels = 1000;

    // litehtml::document_container
    litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                   litehtml::font_style italic, unsigned int decoration,
                                   litehtml::font_metrics* fm) override;
    void delete_font(litehtml::uint_ptr font) override;
    int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr font) override;
    void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr font,
                   litehtml::web_color color, const litehtml::position& pos) override;
    int pt_to_px(int pt) const override;
    int get_default_font_size() const override;
    const litehtml::tchar_t* get_default_font_name() const override;
    void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
    void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                    bool redraw_on_ready) override;
    void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                        litehtml::size& sz) override;
    void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override;
    void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                      const litehtml::position& draw_pos, bool root) override;
    void set_caption(const litehtml::tchar_t* caption) override;
    void set_base_url(const litehtml::tchar_t* base_url) override;
    void link(const std::shared_ptr<litehtml::document>& doc, const litehtml::element::ptr& el) override;
    void on_anchor_click(const litehtml::tchar_t* url, const litehtml::element::ptr& el) override;
    void set_cursor(const litehtml::tchar_t* cursor) override;
    void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override;
    void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl) override;
    void set_clip(const litehtml::position& pos, const litehtml::border_radiuses& bdr_radius,
                  bool valid_x, bool valid_y) override;
    void del_clip() override;
    void get_client_rect(litehtml::position& client) const override;
    std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t* tag_name,
                                                      const litehtml::string_map& attributes,
                                                      const std::shared_ptr<litehtml::document>& doc) override;
    void get_media_features(litehtml::media_features& media) const override;
    void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override;

private:
    struct Font {
        QFont font;
        int ascent = 0;
        int descent = 0;
        QHash<QByteArray, int> widths; // word -> width in pixels
        std::unique_ptr<QFontMetricsF> metrics;
        // Blocks of 256 characters this font lacks -> the ascent and descent of the
        // fonts drawing them in its place (-1: none found).
        QHash<uint, std::pair<int, int>> fallbacks;
        std::optional<QRawFont> raw; // the font file itself, once asked for
    };

    static Picture decodePicture(const QString& path);
    static Picture decodeData(const QString& address);
    QString pictureKey(const QString& address, const QString& base) const;

    QUrl m_base;
    QByteArray m_fixedFamily = "monospace"; // lower case
    double m_fixedRatio = 13.0 / 16.0;
    QFont m_bodyFont;
    QByteArray m_defaultFamily;
    int m_defaultSize;
    int m_width;
    int m_height;
    StyleSheetFixes m_fixes;
    QPainter* m_painter = nullptr;
    int m_clipDepth = 0;
    bool m_generatedContentAdded = false;
    QHash<QByteArray, Font*> m_fontsByKey;
    std::vector<std::unique_ptr<Font>> m_fonts;
    QHash<QString, Picture> m_pictures; // by resolved address
    QString m_missingPicture;
    QSet<QString> m_elementPictures; // the pictures IMG elements show, by resolved address
    QHash<QString, QByteArray> m_styleSheets; // by path
    QStringList m_filesRead;
};

} // namespace zv
