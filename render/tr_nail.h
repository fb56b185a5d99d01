#pragma once
// The thumbnail renderer: a translator whose rules suit a page shown at a reduced
// scale. Links, frame and meta data go, titles are cut to 80 characters, picture
// sizes are divided by the scaling factor when "Scale Graphics" is on, and pictures
// are pointed at files a view can show: the file on disk (resolved against the
// document's folder), else the browser cache's copy through the cache table, else
// the substitute "_NoImage.gif"; a JPEG larger than 20000 bytes becomes
// "_TooBig.gif".
//
// What lays the page out is kept, found the way pictures are and written as
// absolute file addresses, because the translated copy is read from the cache
// folder, not from beside the page: a LINK's style sheet (rel "stylesheet", not
// "alternate"; dropped when not found), the addresses in STYLE elements and style
// attributes (url() and @import), FRAMESET's ROWS, COLS and BORDER, FRAME's SRC
// (dropped when not found) and FRAMESET's end tags, which carry the structure of
// nested framesets. Every other HREF and every other attribute of "!", FRAME,
// FRAMESET and META still goes.
#include "render/trans_gui.h"

#include <QByteArray>
#include <QHash>
#include <cstring>
#include <vector>

namespace zv {

class TRNail : public TransGui {
    Q_OBJECT
public:
    explicit TRNail(QWidget* parent = nullptr, RenderContext context = {});

    // The local file a picture address names, resolved against the document the way
    // a browser resolves it (relative addresses, percent escapes, file addresses,
    // absolute paths), found without regard to letter case when the exact name is
    // absent; empty when there is no such file.
    static QString pictureOnDisk(const QString& documentPath, const QString& address);
    // The path a picture address names (the file need not exist); empty for
    // addresses that name no local file.
    static QString picturePath(const QString& documentPath, const QString& address);

    // The translation of the document a frame of a frameset page shows, under the
    // same rules as the page's own, for a view's frame source; empty when the
    // document is not a regular file (nothing is reported) or this translator is
    // busy with another document.
    QByteArray translateFrame(const QString& path);

protected:
    void BeginRetrieval() override;
    void TextHook() override;
    void EndTagHook() override;
    void AttributeHook() override;

private:
    struct PictureAddress {
        QString path; // the local file the value names; empty when none
        QString folder; // its folder and its name
        QString name;
        QByteArray url; // that file's address
        QString tableName; // the value's last segment in lower case
    };
    // What an address is resolved for; each kind has its own rule for an address
    // that names no file.
    enum class Use { BodyPicture, ImgPicture, StyleSheet, FrameDocument };
    struct ResolvedPicture {
        QByteArray value;
        Use use;
        QByteArray written; // appended to the value override; empty: value kept
        bool dropped; // the attribute was removed
    };
    enum class Found { Nowhere, OnDisk, InTable };
    enum class EntryKind { Regular, Link, Other };
    struct FolderListing {
        bool valid = false;
        qint64 stamp = 0; // the folder's modification time, in nanoseconds
        quint64 inode = 0;
        QHash<QString, EntryKind> kinds; // name -> kind
        QHash<QString, QString> lowerNames; // lower-case name -> name
    };

    // Whether the current attribute's name (upper case) is `name`; the length is
    // known here, so the comparison is a few instructions.
    template <size_t N>
    bool attrNameIs(const char (&name)[N]) const
    {
        return AttrName.size() == N - 1 && std::memcmp(AttrName.data(), name, N - 1) == 0;
    }
    void resolvePicture();
    void resolve(Use use);
    void resolveAddress(Use use);
    // Whether the current LINK element names a style sheet a browser applies.
    bool linksStyleSheet() const;
    // The address to write for one address of a style ("url(...)", "@import"):
    // found files and local paths as file addresses; empty to keep it as written.
    QByteArray styleAddress(QByteArrayView written, bool inAttribute);
    Found locate(const PictureAddress& address, QString* path, qint64* size);
    PictureAddress describe(const QString& text) const;
    const PictureAddress& addressOf(QByteArrayView value);
    const FolderListing* listingOf(const QString& folder, bool* unreadable);
    const FolderListing* listFolder(const QString& folder, bool* unreadable);
    QString findPicture(const PictureAddress& address, qint64* size);
    QByteArray urlOf(const QString& path);
    bool substituteLargeJpeg(const QString& path, qint64 size = -1);
    QByteArray substitute(const char* fileName);

    // Per document: the address written for each picture value (empty: kept).
    std::vector<ResolvedPicture> m_pictures;
    QHash<QByteArray, QByteArray> m_substitutes; // for the home folder below
    QString m_substituteHome;
    QByteArray m_folderKey; // the document's folder, leading the keys below
    // Kept between documents, as they hold nothing that the disk can change:
    // what each value names per document folder, file addresses of paths, and
    // folder listings (checked against the folder's modification time).
    QHash<QByteArray, PictureAddress> m_addresses;
    QHash<QString, QByteArray> m_urls;
    QHash<QString, FolderListing> m_listings;
    // Folders looked at during this document, with what was found (true: listed,
    // false: missing or unreadable): within one document the disk is taken to stay
    // as it was, so a folder is stat()ed once per document, not once per picture.
    QHash<QString, std::pair<bool, bool>> m_foldersSeen; // listed, unreadable
};

} // namespace zv
