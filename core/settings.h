#pragma once
// The settings record the main window owns for the whole run. Nothing in it is
// saved: every run starts from these defaults. Several preferences are read live
// from their dialog controls; the fields here mirror what the main window keeps.
#include <QString>
#include <QStringList>

namespace zv {

struct Settings {
    QString cacheFolder; // no trailing "/"
    QString homeFolder;  // no trailing "/"
    int scalingFactor = 4;
    int cutOff = 5000; // 0 = no limit
    bool skipCaches = false;
    bool scaleGraphics = false;
    bool scaleText = false;
    bool includeSubfolders = true;
    bool showInfo = false;
    QStringList documentExtensions{QStringLiteral(".HTM"), QStringLiteral(".HTML")};
    QStringList cacheFolders; // each ending in "/"
    QStringList locationHistory;
    bool updateCache = false;
};

// The extensions a file mask accepts: "*" dropped, ";" separating entries, letters
// upper-cased; ".HTM" brings ".HTML" with it. "*.HTM*" gives .HTM and .HTML,
// "*.GIF;*.JPG" gives .GIF and .JPG, "*.htm;*.html" gives .HTM, .HTML, .HTML.
QStringList documentExtensionsFromMask(const QString& mask);

} // namespace zv
