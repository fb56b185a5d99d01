#include "render/page_container.h"

#include "platform/text_decoding.h"
#include "render/default_style_sheet.h"
#include "render/html_text.h"
#include "render/page_elements.h"
#include "render/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zv {
namespace {

QColor toQColor(const litehtml::web_color& c)
{
    return QColor(c.red, c.green, c.blue, c.alpha);
}

QRect toQRect(const litehtml::position& p)
{
    return QRect(p.x, p.y, p.width, p.height);
}

QString fromEngine(const litehtml::tchar_t* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// The families installed, by lower-case name.
const QHash<QString, QString>& installedFamilies()
{
    static const QHash<QString, QString> families = [] {
        QHash<QString, QString> byName;
        const QStringList all = QFontDatabase::families();
        for (const QString& family : all)
            byName.insert(family.toLower(), family);
        return byName;
    }();
    return families;
}

// What a family named by a page stands for here: the generic families as a
// browser on this system shows them, and the fonts fontconfig replaces by their
// metric-compatible Liberation fonts.
QString aliasOf(const QString& lower)
{
    static const struct {
        const char* name;
        const char* family;
    } aliases[] = {
        {"serif", "Liberation Serif"},
        {"sans-serif", "Liberation Sans"},
        {"monospace", nullptr}, // what fontconfig answers, as browsers take it
        {"system-ui", "DejaVu Sans"},
        {"-apple-system", "DejaVu Sans"},
        {"blinkmacsystemfont", "DejaVu Sans"},
        {"ui-sans-serif", "DejaVu Sans"},
        {"ui-serif", "DejaVu Serif"},
        {"ui-monospace", "DejaVu Sans Mono"},
        {"arial", "Liberation Sans"},
        {"helvetica", "Liberation Sans"},
        {"arimo", "Liberation Sans"},
        {"times new roman", "Liberation Serif"},
        {"times", "Liberation Serif"},
        {"tinos", "Liberation Serif"},
        {"courier new", "Liberation Mono"},
        {"courier", "Liberation Mono"},
        {"cousine", "Liberation Mono"},
    };
    for (const auto& alias : aliases) {
        if (lower == QLatin1String(alias.name)) {
            if (alias.family)
                return QString::fromLatin1(alias.family);
            static const QString monospace = [] {
                QFont font(QStringLiteral("monospace"));
                font.setStyleHint(QFont::Monospace);
                return QFontInfo(font).family();
            }();
            return monospace;
        }
    }
    return QString();
}

bool isGeneric(const QString& lower)
{
    static const QStringList generic{QStringLiteral("serif"),          QStringLiteral("sans-serif"),
                                     QStringLiteral("monospace"),      QStringLiteral("cursive"),
                                     QStringLiteral("fantasy"),        QStringLiteral("system-ui"),
                                     QStringLiteral("ui-serif"),       QStringLiteral("ui-sans-serif"),
                                     QStringLiteral("ui-monospace"),   QStringLiteral("-apple-system"),
                                     QStringLiteral("blinkmacsystemfont")};
    return generic.contains(lower);
}

// Shades for the 3D border styles (inset, outset, groove, ridge), as Chromium
// derives them from the border colour: the darker side is darkened unless the
// colour is already nearly black, the lighter side lightened unless it is nearly
// white.
int distanceSquared(const QColor& a, const QColor& b)
{
    const int dr = a.red() - b.red(), dg = a.green() - b.green(), db = a.blue() - b.blue();
    return dr * dr + dg * dg + db * db;
}

QColor scaledColour(const QColor& c, double multiplier)
{
    auto channel = [multiplier](int v) { return std::clamp(int(v / 255.0 * multiplier * 256.0), 0, 255); };
    return QColor(channel(c.red()), channel(c.green()), channel(c.blue()), c.alpha());
}

// Nearly black greys (black among them, the colour of most table borders) have
// no darker shade: both sides are lifted instead, by 0x54 and by 0xA8.
bool nearlyBlackGrey(const QColor& c)
{
    return c.red() == c.green() && c.green() == c.blue() && c.red() <= 0x20;
}

QColor liftedGrey(const QColor& c, int by)
{
    const int v = std::min(255, c.red() + by);
    return QColor(v, v, v, c.alpha());
}

QColor darkShade(const QColor& c)
{
    if (nearlyBlackGrey(c))
        return liftedGrey(c, 0x54);
    if (distanceSquared(c, Qt::black) <= distanceSquared(QColor(0x20, 0x20, 0x20), Qt::black))
        return c;
    const double v = std::max({c.red(), c.green(), c.blue()}) / 255.0;
    return scaledColour(c, std::max(0.0, (v - 0.33) / v));
}

QColor lightShade(const QColor& c)
{
    if (nearlyBlackGrey(c))
        return liftedGrey(c, 0xA8);
    if (distanceSquared(c, Qt::white) <= distanceSquared(QColor(0xeb, 0xeb, 0xeb), Qt::white))
        return c;
    const double v = std::max({c.red(), c.green(), c.blue()}) / 255.0;
    if (v == 0)
        return QColor(0x54, 0x54, 0x54, c.alpha());
    return scaledColour(c, std::min(1.0, v + 0.33) / v);
}

// A font's vertical metrics in ems, as its outline tables give them (the hhea
// table, which both FreeType and the browser's font library read); Qt's own
// figures are rounded to 1/64 pixel at the font's size, which moves a rounding
// to whole pixels at some sizes.
struct EmMetrics {
    double ascent = 0;
    double descent = 0;
    double lineGap = 0;
};

// The metrics in the hhea table of a font file; false when it has none.
bool tableMetrics(const QRawFont& raw, EmMetrics* em)
{
    const QByteArray hhea = raw.isValid() ? raw.fontTable("hhea") : QByteArray();
    const double unitsPerEm = raw.isValid() ? raw.unitsPerEm() : 0;
    auto field = [&hhea](int at) { return double(qint16((quint8(hhea[at]) << 8) | quint8(hhea[at + 1]))); };
    if (hhea.size() < 10 || unitsPerEm <= 0 || (field(4) == 0 && field(6) == 0))
        return false;
    em->ascent = field(4) / unitsPerEm;
    em->descent = -field(6) / unitsPerEm;
    em->lineGap = std::max(0.0, field(8) / unitsPerEm);
    return true;
}

// Ascent and descent in whole pixels at `size`, each rounded as a browser rounds
// them, with half the line gap above the text and half below.
std::pair<int, int> roundedExtent(const EmMetrics& em, int size)
{
    const int ascent = int(std::lround(em.ascent * size));
    const int descent = int(std::lround(em.descent * size));
    const int gap = int(std::lround(em.lineGap * size));
    return {ascent + gap / 2, std::max(1, descent + gap - gap / 2)};
}

EmMetrics emMetricsOf(const QFont& font)
{
    static QMutex mutex;
    static QHash<QString, EmMetrics> known;
    const QString key = font.families().value(0) + QLatin1Char('|') + QString::number(font.weight())
        + QLatin1Char('|') + QString::number(int(font.italic()));
    {
        QMutexLocker lock(&mutex);
        const auto found = known.constFind(key);
        if (found != known.constEnd())
            return *found;
    }
    EmMetrics em;
    // The tables are the same at every size: the font at its own size is asked,
    // whose engine its metrics have loaded already.
    if (!tableMetrics(QRawFont::fromFont(font), &em)) {
        QFont probe(font);
        probe.setPixelSize(1000);
        const QFontMetricsF m(probe);
        em.ascent = m.ascent() / 1000.0;
        em.descent = m.descent() / 1000.0;
        em.lineGap = std::max(0.0, m.leading() / 1000.0);
    }
    QMutexLocker lock(&mutex);
    known.insert(key, em);
    return em;
}

} // namespace

PageContainer::PageContainer(const QUrl& baseUrl, const QFont& bodyFont, int width, int height)
    : m_base(baseUrl)
    , m_bodyFont(bodyFont)
    , m_width(std::max(0, width))
    , m_height(std::max(0, height))
{
    const double pixels = bodyFont.pointSizeF() > 0 ? bodyFont.pointSizeF() * 96.0 / 72.0
                                                    : (bodyFont.pixelSize() > 0 ? bodyFont.pixelSize() : 16);
    m_defaultSize = std::clamp(int(std::lround(pixels)), 1, kLargestFontPixels);
    m_defaultFamily = bodyFont.family().toUtf8();
    QFont probe(bodyFont);
    probe.setPixelSize(100);
    const QFontMetricsF metrics(probe);
    StyleSheetFixes::Screen screen;
    screen.width = m_width;
    screen.height = m_height;
    screen.xHeight = metrics.xHeight() / 100.0;
    m_fixes = StyleSheetFixes(screen);
}

PageContainer::~PageContainer() = default;

void PageContainer::setFixedFont(const QFont& fixed)
{
    m_fixedFamily = fixed.family().toLower().toUtf8();
    const double body = fontPixels(m_bodyFont);
    m_fixedRatio = body > 0 ? std::clamp(fontPixels(fixed) / body, 0.1, 10.0) : 1.0;
}

bool PageContainer::isFixedFamilyAlone(const char* familyList) const
{
    if (!familyList)
        return false;
    QByteArray name = QByteArray(familyList).trimmed();
    if (name.contains(','))
        return false;
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
        name = name.mid(1, name.size() - 2).trimmed();
    name = name.toLower();
    return name == "monospace" || name == m_fixedFamily;
}

void PageContainer::noteFileRead(const QString& path)
{
    if (!path.isEmpty() && !m_filesRead.contains(path))
        m_filesRead.append(path);
}

QString PageContainer::localFile(const QString& address, const QString& base) const
{
    QString text = address.trimmed();
    if (text.isEmpty())
        return QString();
    // Old pages write folders with backslashes.
    if (!text.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QUrl relative(text);
    const QUrl baseUrl = base.isEmpty() ? m_base : QUrl(base);
    const QUrl resolved = baseUrl.isEmpty() ? relative : baseUrl.resolved(relative);
    if (!resolved.isLocalFile())
        return QString();
    return resolved.toLocalFile();
}

QByteArray PageContainer::styleSheetText(const QString& path)
{
    if (path.isEmpty())
        return QByteArray();
    const auto known = m_styleSheets.constFind(path);
    if (known != m_styleSheets.constEnd())
        return *known;
    noteFileRead(path);
    QByteArray text;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.size() <= kLargestStyleSheet) {
        text = file.read(kLargestStyleSheet);
        // The engine reads UTF-8; other style sheets are taken as Windows-1252.
        if (text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3);
        if (!QByteArrayView(text).isValidUtf8())
            text = decodeWindows1252(text).toUtf8();
        text.replace('\0', ' ');
    }
    m_styleSheets.insert(path, text);
    return text;
}

QString PageContainer::pictureKey(const QString& address, const QString& base) const
{
    if (address.trimmed().startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return address.trimmed();
    return localFile(address, base);
}

const PageContainer::Picture* PageContainer::picture(const QString& address, const QString& base)
{
    const QString key = pictureKey(address, base);
    if (key.isEmpty())
        return nullptr;
    auto it = m_pictures.find(key);
    if (it == m_pictures.end()) {
        Picture loaded;
        if (key.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
            loaded = decodeData(key);
        } else {
            noteFileRead(key);
            loaded = decodePicture(key);
            if (loaded.image.isNull() && m_elementPictures.contains(key) && !m_missingPicture.isEmpty())
                loaded = decodePicture(m_missingPicture);
        }
        it = m_pictures.insert(key, loaded);
    }
    return it->image.isNull() ? nullptr : &*it;
}

PageContainer::Picture PageContainer::decodePicture(const QString& path)
{
    Picture picture;
    QImage image = zv::decodePicture(path, &picture.size);
    if (image.isNull())
        return Picture();
    picture.image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                  : QImage::Format_RGB32);
    return picture;
}

PageContainer::Picture PageContainer::decodeData(const QString& address)
{
    // data:[<type>][;base64],<data>
    Picture picture;
    const qsizetype comma = address.indexOf(QLatin1Char(','));
    if (comma < 0 || address.size() > (8 << 20))
        return picture;
    const QString head = address.left(comma);
    QByteArray bytes = address.mid(comma + 1).toLatin1();
    bytes = QByteArray::fromPercentEncoding(bytes);
    if (head.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
        bytes = QByteArray::fromBase64(bytes);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kLargestPictureSide || size.height() > kLargestPictureSide))
        return picture;
    const QImage image = reader.read();
    if (image.isNull())
        return picture;
    picture.size = image.size();
    picture.image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                  : QImage::Format_RGB32);
    return picture;
}

QString PageContainer::resolveFamily(const QString& familyList, const QString& fallback)
{
    static QMutex mutex;
    static QHash<QString, QString> resolved;
    const QString key = familyList + QLatin1Char('\n') + fallback;
    {
        QMutexLocker lock(&mutex);
        const auto known = resolved.constFind(key);
        if (known != resolved.constEnd())
            return *known;
    }
    QString chosen;
    const QHash<QString, QString>& installed = installedFamilies();
    const QStringList names = familyList.split(QLatin1Char(','));
    for (QString name : names) {
        name = name.trimmed();
        if (name.size() >= 2 && (name.startsWith(QLatin1Char('"')) || name.startsWith(QLatin1Char('\''))))
            name = name.mid(1, name.size() - 2).trimmed();
        if (name.isEmpty())
            continue;
        // Generic families stand for what a browser here shows for them (Qt lists
        // fontconfig's "Serif" and "Monospace" among the installed families);
        // other names are taken when installed, else as the fonts fontconfig
        // puts in their place.
        const QString lower = name.toLower();
        // No cursive or fantasy font is installed: a browser shows its standard
        // font for them.
        if (lower == QLatin1String("cursive") || lower == QLatin1String("fantasy")) {
            chosen = fallback;
            break;
        }
        const QString alias = aliasOf(lower);
        if (!alias.isEmpty() && isGeneric(lower)) {
            chosen = alias;
            break;
        }
        const auto found = installed.constFind(lower);
        if (found != installed.constEnd()) {
            chosen = *found;
            break;
        }
        if (!alias.isEmpty()) {
            chosen = alias;
            break;
        }
    }
    if (chosen.isEmpty())
        chosen = fallback;
    QMutexLocker lock(&mutex);
    if (resolved.size() > 4096)
        resolved.clear();
    resolved.insert(key, chosen);
    return chosen;
}

litehtml::uint_ptr PageContainer::create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                              litehtml::font_style italic, unsigned int decoration,
                                              litehtml::font_metrics* fm)
{
    size = std::clamp(size, 1, kLargestFontPixels);
    weight = std::clamp(weight, 100, 900);
    QByteArray key(faceName ? faceName : "");
    key += '|' + QByteArray::number(size) + '|' + QByteArray::number(weight) + '|'
        + QByteArray::number(int(italic)) + '|' + QByteArray::number(decoration);
    Font* font = m_fontsByKey.value(key);
    if (!font) {
        auto made = std::make_unique<Font>();
        QFont& f = made->font;
        const QString fallback = QString::fromUtf8(m_defaultFamily);
        f.setFamilies({resolveFamily(fromEngine(faceName), fallback)});
        f.setPixelSize(size);
        f.setWeight(QFont::Weight(weight));
        f.setItalic(italic == litehtml::fontStyleItalic);
        f.setUnderline(decoration & litehtml::font_decoration_underline);
        f.setStrikeOut(decoration & litehtml::font_decoration_linethrough);
        f.setOverline(decoration & litehtml::font_decoration_overline);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setKerning(true);
        made->metrics = std::make_unique<QFontMetricsF>(f);
        // A line of text is as high as a browser makes it: the ascent, the descent
        // and the line gap, each rounded to whole pixels; half the gap goes above
        // the text.
        const auto [ascent, descent] = roundedExtent(emMetricsOf(f), size);
        made->ascent = ascent;
        made->descent = descent;
        font = made.get();
        m_fonts.push_back(std::move(made));
        m_fontsByKey.insert(key, font);
    }
    if (fm) {
        fm->ascent = font->ascent;
        fm->descent = font->descent;
        fm->height = font->ascent + font->descent;
        fm->x_height = std::max(1, int(std::lround(font->metrics->xHeight())));
        fm->draw_spaces = font->font.underline() || font->font.strikeOut() || font->font.overline();
    }
    return reinterpret_cast<litehtml::uint_ptr>(font);
}

bool PageContainer::fallbackExtent(litehtml::uint_ptr handle, const std::string& text, int* ascent, int* descent)
{
    auto* font = reinterpret_cast<Font*>(handle);
    if (!font || std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return false;
    bool found = false;
    *ascent = 0;
    *descent = 0;
    if (!font->raw)
        font->raw = QRawFont::fromFont(font->font);
    for (size_t at = 0; at < text.size();) {
        const char32_t c = nextCodePoint(text, at);
        // Qt's own test answers for the fonts that stand in too: ask the file.
        if (c < 0x80 || !font->raw->isValid() || font->raw->supportsCharacter(c))
            continue;
        // One character stands for its block of 256: the fonts that stand in are
        // the same across a script, and a page may hold thousands of characters.
        auto known = font->fallbacks.constFind(c >> 8);
        if (known == font->fallbacks.constEnd()) {
            std::pair<int, int> extent{-1, -1};
            const char32_t one[1] = {char32_t(c)};
            const QString character = QString::fromUcs4(one, 1);
            {
                // The fonts Qt draws the character with in this font's place.
                QTextLayout layout(character, font->font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                // A font drawn as empty boxes (no font here has the character)
                // has no tables, and asking the toolkit for its family then reads
                // a list it leaves empty: fonts without tables are passed over
                // before their family is asked for.
                EmMetrics ownMetrics;
                const QString own = tableMetrics(*font->raw, &ownMetrics) ? font->raw->familyName() : QString();
                for (const QGlyphRun& run : layout.glyphRuns()) {
                    const QRawFont raw = run.rawFont();
                    EmMetrics em;
                    if (!tableMetrics(raw, &em) || raw.familyName() == own)
                        continue;
                    const auto [a, d] = roundedExtent(em, font->font.pixelSize());
                    extent = {std::max(extent.first, a), std::max(extent.second, d)};
                }
            }
            known = font->fallbacks.insert(c >> 8, extent);
        }
        if (known->first >= 0) {
            found = true;
            *ascent = std::max(*ascent, known->first);
            *descent = std::max(*descent, known->second);
        }
    }
    return found;
}

void PageContainer::delete_font(litehtml::uint_ptr)
{
    // Fonts live as long as the container: documents of one container share them.
}

int PageContainer::text_width(const litehtml::tchar_t* text, litehtml::uint_ptr handle)
{
    auto* font = reinterpret_cast<Font*>(handle);
    if (!font || !text || !*text)
        return 0;
    const QByteArray word = QByteArray::fromRawData(text, qsizetype(std::strlen(text)));
    const auto known = font->widths.constFind(word);
    if (known != font->widths.constEnd())
        return *known;
    const int width = int(std::lround(font->metrics->horizontalAdvance(QString::fromUtf8(word))));
    if (font->widths.size() < 100000)
        font->widths.insert(QByteArray(text), width);
    return width;
}

void PageContainer::draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr handle,
                              litehtml::web_color color, const litehtml::position& pos)
{
    auto* painter = reinterpret_cast<QPainter*>(hdc);
    auto* font = reinterpret_cast<Font*>(handle);
    if (!painter || !font || !text || !*text || color.alpha == 0)
        return;
    painter->setFont(font->font);
    painter->setPen(toQColor(color));
    painter->drawText(QPointF(pos.x, pos.bottom() - font->descent), QString::fromUtf8(text));
}

int PageContainer::pt_to_px(int pt) const
{
    return int(std::lround(pt * 96.0 / 72.0));
}

int PageContainer::get_default_font_size() const
{
    return m_defaultSize;
}

const litehtml::tchar_t* PageContainer::get_default_font_name() const
{
    return m_defaultFamily.constData();
}

void PageContainer::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker)
{
    auto* painter = reinterpret_cast<QPainter*>(hdc);
    if (!painter)
        return;
    const QRect area = toQRect(marker.pos);
    if (!marker.image.empty()) {
        if (const Picture* p = picture(fromEngine(marker.image.c_str()), fromEngine(marker.baseurl))) {
            painter->drawImage(QRect(area.topLeft(), p->size), p->image);
            return;
        }
    }
    const QColor colour = toQColor(marker.color);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    switch (marker.marker_type) {
    case litehtml::list_style_type_none:
        break;
    case litehtml::list_style_type_circle:
        painter->setPen(QPen(colour, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
        break;
    case litehtml::list_style_type_square:
        painter->fillRect(area, colour);
        break;
    case litehtml::list_style_type_disc:
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        painter->drawEllipse(QRectF(area));
        break;
    default:
        // Numbering the engine has no words for: the number itself.
        if (marker.index >= 0 && marker.font) {
            const QByteArray number = QByteArray::number(marker.index) + '.';
            const int width = text_width(number.constData(), marker.font);
            litehtml::position at = marker.pos;
            at.x = marker.pos.right() - width;
            draw_text(hdc, number.constData(), marker.font, marker.color, at);
        }
        break;
    }
    painter->restore();
}

void PageContainer::load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool)
{
    picture(fromEngine(src), fromEngine(baseurl));
}

void PageContainer::get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                                   litehtml::size& sz)
{
    sz.width = 0;
    sz.height = 0;
    if (const Picture* p = picture(fromEngine(src), fromEngine(baseurl))) {
        sz.width = p->size.width();
        sz.height = p->size.height();
    }
}

void PageContainer::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg)
{
    auto* painter = reinterpret_cast<QPainter*>(hdc);
    if (!painter)
        return;
    const QRect clip = toQRect(bg.clip_box);
    if (clip.isEmpty())
        return;
    const litehtml::border_radiuses& r = bg.border_radius;
    const bool rounded = r.top_left_x || r.top_right_x || r.bottom_left_x || r.bottom_right_x;
    painter->save();
    if (rounded) {
        QPainterPath path;
        const qreal radius = std::max({r.top_left_x, r.top_right_x, r.bottom_left_x, r.bottom_right_x});
        path.addRoundedRect(QRectF(toQRect(bg.border_box)), radius, radius);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setClipPath(path, Qt::IntersectClip);
    }
    painter->setClipRect(clip, Qt::IntersectClip);
    if (bg.color.alpha)
        painter->fillRect(clip, toQColor(bg.color));
    if (!bg.image.empty()) {
        const Picture* p = picture(fromEngine(bg.image.c_str()), fromEngine(bg.baseurl.c_str()));
        if (p && bg.image_size.width > 0 && bg.image_size.height > 0) {
            QSize tile(bg.image_size.width, bg.image_size.height);
            QImage image = p->image;
            if (image.size() != tile && tile.width() <= kLargestPictureSide
                && tile.height() <= kLargestPictureSide)
                image = image.scaled(tile, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QPoint origin(bg.position_x, bg.position_y);
            painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
            QRect area;
            switch (bg.repeat) {
            case litehtml::background_repeat_no_repeat:
                painter->drawImage(QRect(origin, tile), image);
                break;
            case litehtml::background_repeat_repeat_x:
                area = QRect(clip.left(), origin.y(), clip.width(), tile.height());
                break;
            case litehtml::background_repeat_repeat_y:
                area = QRect(origin.x(), clip.top(), tile.width(), clip.height());
                break;
            case litehtml::background_repeat_repeat:
                area = clip;
                break;
            }
            if (!area.isEmpty() && image.size() == tile) {
                QBrush brush(image);
                brush.setTransform(QTransform::fromTranslate(origin.x(), origin.y()));
                painter->fillRect(area & clip, brush);
            }
        }
    }
    painter->restore();
}

void PageContainer::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                                 const litehtml::position& draw_pos, bool)
{
    auto* painter = reinterpret_cast<QPainter*>(hdc);
    if (!painter)
        return;
    const QRectF outer(draw_pos.x, draw_pos.y, draw_pos.width, draw_pos.height);
    const litehtml::border* sides[4] = {&borders.top, &borders.right, &borders.bottom, &borders.left};
    const qreal widths[4] = {qreal(std::max(0, borders.top.width)), qreal(std::max(0, borders.right.width)),
                             qreal(std::max(0, borders.bottom.width)), qreal(std::max(0, borders.left.width))};
    const QRectF inner = outer.adjusted(widths[3], widths[0], -widths[1], -widths[2]);
    const litehtml::border_radiuses& r = borders.radius;
    const bool rounded = r.top_left_x || r.top_right_x || r.bottom_left_x || r.bottom_right_x;
    painter->save();
    if (rounded) {
        // A rounded box: one stroke in the top side's colour and width.
        const litehtml::border& b = borders.top.width > 0 ? borders.top : borders.left;
        if (b.width > 0 && b.style != litehtml::border_style_none && b.style != litehtml::border_style_hidden) {
            painter->setRenderHint(QPainter::Antialiasing, true);
            QPen pen(toQColor(b.color), b.width);
            if (b.style == litehtml::border_style_dotted)
                pen.setStyle(Qt::DotLine);
            else if (b.style == litehtml::border_style_dashed)
                pen.setStyle(Qt::DashLine);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            const qreal radius = std::max({r.top_left_x, r.top_right_x, r.bottom_left_x, r.bottom_right_x});
            const qreal half = b.width / 2.0;
            painter->drawRoundedRect(outer.adjusted(half, half, -half, -half), radius, radius);
        }
        painter->restore();
        return;
    }
    painter->setPen(Qt::NoPen);
    // The corners of each side's trapezoid: outer edge, then inner edge.
    const QPointF o[4] = {outer.topLeft(), outer.topRight(), outer.bottomRight(), outer.bottomLeft()};
    const QPointF in[4] = {inner.topLeft(), inner.topRight(), inner.bottomRight(), inner.bottomLeft()};
    for (int side = 0; side < 4; ++side) {
        const litehtml::border& b = *sides[side];
        const qreal w = widths[side];
        if (w <= 0 || b.style == litehtml::border_style_none || b.style == litehtml::border_style_hidden
            || b.color.alpha == 0)
            continue;
        const int a = side; // outer corners a and a+1 (top: top-left, top-right; ...)
        const int c = (side + 1) % 4;
        const QPolygonF band({o[a], o[c], in[c], in[a]});
        const QColor colour = toQColor(b.color);
        // Top and left are the "upper" sides for the 3D styles.
        const bool upper = side == 0 || side == 3;
        // A band from `from` to `to` of the side's width (0 outer edge, 1 inner edge).
        auto partial = [&](qreal from, qreal to, const QColor& fill) {
            QPointF p0 = o[a] + (in[a] - o[a]) * from, p1 = o[c] + (in[c] - o[c]) * from;
            QPointF p2 = o[c] + (in[c] - o[c]) * to, p3 = o[a] + (in[a] - o[a]) * to;
            painter->setBrush(fill);
            painter->drawPolygon(QPolygonF({p0, p1, p2, p3}));
        };
        switch (b.style) {
        case litehtml::border_style_dotted:
        case litehtml::border_style_dashed: {
            painter->save();
            painter->setClipRegion(QRegion(band.toPolygon()), Qt::IntersectClip);
            QPen pen(colour, w, Qt::CustomDashLine, Qt::FlatCap);
            pen.setDashPattern(b.style == litehtml::border_style_dotted ? QList<qreal>{1, 1}
                                                                         : QList<qreal>{3, 3});
            painter->setPen(pen);
            const QPointF m0 = (o[a] + in[a]) / 2, m1 = (o[c] + in[c]) / 2;
            painter->drawLine(m0, m1);
            painter->restore();
            painter->setPen(Qt::NoPen);
            break;
        }
        case litehtml::border_style_double:
            if (w >= 3) {
                partial(0, 1.0 / 3, colour);
                partial(2.0 / 3, 1, colour);
            } else {
                partial(0, 1, colour);
            }
            break;
        case litehtml::border_style_inset:
            partial(0, 1, upper ? darkShade(colour) : lightShade(colour));
            break;
        case litehtml::border_style_outset:
            partial(0, 1, upper ? lightShade(colour) : darkShade(colour));
            break;
        case litehtml::border_style_groove:
            partial(0, 0.5, upper ? darkShade(colour) : lightShade(colour));
            partial(0.5, 1, upper ? lightShade(colour) : darkShade(colour));
            break;
        case litehtml::border_style_ridge:
            partial(0, 0.5, upper ? lightShade(colour) : darkShade(colour));
            partial(0.5, 1, upper ? darkShade(colour) : lightShade(colour));
            break;
        default:
            partial(0, 1, colour);
            break;
        }
    }
    painter->restore();
}

void PageContainer::set_caption(const litehtml::tchar_t*)
{
}

void PageContainer::set_base_url(const litehtml::tchar_t* base_url)
{
    const QString address = fromEngine(base_url).trimmed();
    if (address.isEmpty())
        return;
    const QUrl resolved = m_base.resolved(QUrl(address));
    if (resolved.isLocalFile())
        m_base = resolved;
}

void PageContainer::link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&)
{
}

void PageContainer::on_anchor_click(const litehtml::tchar_t*, const litehtml::element::ptr&)
{
}

void PageContainer::set_cursor(const litehtml::tchar_t*)
{
}

void PageContainer::transform_text(litehtml::tstring& text, litehtml::text_transform tt)
{
    QString s = QString::fromUtf8(text.c_str());
    switch (tt) {
    case litehtml::text_transform_uppercase:
        s = s.toUpper();
        break;
    case litehtml::text_transform_lowercase:
        s = s.toLower();
        break;
    case litehtml::text_transform_capitalize:
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i].isLetter() && (i == 0 || !s[i - 1].isLetterOrNumber())) {
                s[i] = s[i].toUpper();
            }
        }
        break;
    default:
        return;
    }
    text = s.toStdString();
}

void PageContainer::import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl)
{
    text.clear();
    const QString path = localFile(fromEngine(url.c_str()), fromEngine(baseurl.c_str()));
    if (path.isEmpty())
        return;
    text = m_fixes.fixStyleSheet(styleSheetText(path)).toStdString();
    baseurl = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded).toStdString();
}

void PageContainer::set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool valid_x,
                             bool valid_y)
{
    if (!m_painter)
        return;
    QRect rect = toQRect(pos);
    constexpr int kFar = 1 << 24;
    if (!valid_x) {
        rect.setLeft(-kFar);
        rect.setRight(kFar);
    }
    if (!valid_y) {
        rect.setTop(-kFar);
        rect.setBottom(kFar);
    }
    m_painter->save();
    m_painter->setClipRect(rect, Qt::IntersectClip);
    ++m_clipDepth;
}

void PageContainer::del_clip()
{
    if (!m_painter || m_clipDepth == 0)
        return;
    --m_clipDepth;
    m_painter->restore();
}

void PageContainer::get_client_rect(litehtml::position& client) const
{
    client = litehtml::position(0, 0, m_width, m_height);
}

std::shared_ptr<litehtml::element> PageContainer::create_element(const litehtml::tchar_t* tag_name,
                                                                 const litehtml::string_map& attributes,
                                                                 const std::shared_ptr<litehtml::document>& doc)
{
    if (!m_generatedContentAdded && doc) {
        // The first element is made before any of the page's style sheets is read.
        m_generatedContentAdded = true;
        doc->add_stylesheet(generatedContentStyleSheet(), nullptr, nullptr);
    }
    if (tag_name && std::strcmp(tag_name, "img") == 0) {
        const auto src = attributes.find("src");
        if (src != attributes.end()) {
            const QString key = pictureKey(fromEngine(src->second.c_str()), QString());
            if (!key.isEmpty())
                m_elementPictures.insert(key);
        }
    }
    return createPageElement(tag_name, attributes, doc);
}

void PageContainer::get_media_features(litehtml::media_features& media) const
{
    media.type = litehtml::media_type_screen;
    media.width = m_width;
    media.height = m_height;
    media.device_width = m_width;
    media.device_height = m_height;
    media.color = 8;
    media.color_index = 0;
    media.monochrome = 0;
    media.resolution = 96;
}

void PageContainer::get_language(litehtml::tstring& language, litehtml::tstring& culture) const
{
    language = "en";
    culture = "";
}

} // namespace zv
