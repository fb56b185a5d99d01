#pragma once
// The text document an HTML view lays out. Pictures, style sheets and other
// resources come only from local files named by file addresses (relative ones are
// taken against the document's own address); nothing is fetched from the network.
// A picture of the page that cannot be decoded shows as the stand-in for a missing
// picture; a background that cannot be decoded is left out, as a browser leaves it.
// Linked style sheets are not read: this layout understands too little CSS for them.
#include <QStringList>
#include <QTextDocument>
#include <QUrl>

namespace zv {

class ViewDocument : public QTextDocument {
    Q_OBJECT
public:
    // `standInPicture` is the file shown for a picture that cannot be decoded.
    explicit ViewDocument(const QString& standInPicture = QString(), QObject* parent = nullptr);

    // Answers the local file a resource address names, or an empty text when the
    // address is not a file address.
    static QString localFileOf(const QUrl& base, const QUrl& address);

    // Takes the page's markup. The backgrounds it names (of the body, tables, cells
    // and style rules) are read while it is taken in; pictures are read afterwards,
    // when the layout needs them.
    void setMarkup(const QString& html);

    // The local files read for the document (pictures, style sheets), in the order
    // first read, found or not.
    const QStringList& filesRead() const { return m_filesRead; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QString m_standIn;
    bool m_takingMarkup = false;
    QStringList m_filesRead;
};

} // namespace zv
