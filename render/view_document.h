#pragma once
// The text document an HTML view lays out. Pictures, style sheets and other
// resources come only from local files named by file addresses (relative ones are
// taken against the document's own address); nothing is fetched from the network.
#include <QStringList>
#include <QTextDocument>
#include <QUrl>

namespace zv {

class ViewDocument : public QTextDocument {
    Q_OBJECT
public:
    explicit ViewDocument(QObject* parent = nullptr);

    // Answers the local file a resource address names, or an empty text when the
    // address is not a file address.
    static QString localFileOf(const QUrl& base, const QUrl& address);

    // The local files read for the document (pictures, style sheets), in the order
    // first read, found or not.
    const QStringList& filesRead() const { return m_filesRead; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QStringList m_filesRead;
};

} // namespace zv
