#pragma once
// Reading the documents a page is laid out from: the page's own file and the
// documents of its frames. No view is needed, so the desktop thumbnailer lays pages
// out with these as the views do.
#include "render/page_layout.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace zv {

// Reads a regular file whole and answers its size; anything that is not a regular
// file reads as empty (size 0). Files past the largest document size (or past
// `most` bytes, when given) are read up to there. `*regular` tells whether the path
// could be opened and is a regular file.
qint64 readDocumentFile(const QString& path, QByteArray& bytes, bool* regular = nullptr, qint64 most = 0);

// Reads the markup of one frame's document into `markup`; answers false to stop
// gathering altogether (the caller went away meanwhile).
using FrameReader = std::function<bool(const QString& path, QByteArray& markup)>;

// The documents of a page's frames, then of theirs, level by level, as deep as the
// layout shows frames and at most a few dozen of them: each local path with its
// markup (empty when it could not be read). `pagePath` is the page's own file
// (empty when it has none; `pageUrl` then resolves its frames). Null when `read`
// stopped.
std::shared_ptr<const FrameDocuments> gatherFrameDocuments(const QString& pagePath, const QUrl& pageUrl,
                                                           const QByteArray& markup, const FrameReader& read);

} // namespace zv
