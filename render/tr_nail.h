#pragma once
// The thumbnail renderer: a translator whose rules suit a page shown at a reduced
// scale. Links, frames and meta data go, titles are cut to 80 characters, picture
// sizes are divided by the scaling factor when "Scale Graphics" is on, and pictures
// are pointed at files a view can show: the file on disk (resolved against the
// document's folder), else the browser cache's copy through the cache table, else
// the substitute "_NoImage.gif"; a JPEG larger than 20000 bytes becomes
// "_TooBig.gif".
#include "render/trans_gui.h"

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

protected:
    void TextHook() override;
    void EndTagHook() override;
    void AttributeHook() override;

private:
    void resolvePicture();
    bool substituteLargeJpeg(const QString& path);
    QByteArray substitute(const char* fileName) const;
};

} // namespace zv
