#pragma once
// The text document an HTML view lays out. Pictures, style sheets and other
// resources come only from local files named by file addresses (relative ones are
// taken against the document's own address); nothing is fetched from the network.
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

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

} // namespace zv
