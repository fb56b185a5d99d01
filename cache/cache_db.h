#pragma once
// The cache table "CacheDB.dbf": maps the last segment of each cached address (a
// picture's file name) to the browser's cached copy. Rows stay in the order added;
// a row is on disk once posted. Beside the table, the list of cache roots found in
// the registry during this run; a row names its cache folder by position in it.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace zv {

struct CacheRow {
    QString app;    // "APP" C(16): "NN" or "MSIE3.01"
    int icache = 0; // "ICACHE": position of the cache root, -1 when unknown
    int seg = 0;    // "SEG": Netscape index page, 0 for Internet Explorer
    int rec = 0;    // "REC": pair number in page, or running entry number
    QString path;     // "PATH" C(254): middle part of the address
    QString fileName; // "FILENAME" C(40): last segment of the address
    QString cache;    // "CACHE" C(40): cached file relative to its cache folder
};

class CacheDB {
public:
    // Prepares the table object for `tableFile` (cacheFolder + "/CacheDB.dbf"), not
    // yet open. `homeFolder` holds "_DBMiss.gif".
    CacheDB(QString tableFile, QString homeFolder);
    ~CacheDB();
    CacheDB(const CacheDB&) = delete;
    CacheDB& operator=(const CacheDB&) = delete;

    const QString& tableFile() const { return m_tableFile; }
    bool isOpen() const;
    // False when the table could only be opened for reading (a read-only file or
    // folder): look-ups work, rows cannot be added.
    bool isWritable() const;

    // Opens the existing table. Throws std::runtime_error naming the file and the
    // reason when it cannot be opened or is not a valid table.
    void Open();
    // Closes the table, creates it anew and empty with the seven fields (replacing
    // a file of that name) and opens it. Throws std::runtime_error on failure.
    void Rebuild();

    // Appends a cache root ("/.../" ending in "/") and answers its position.
    int AddRoot(const QString& folder);
    // Appends every cache root, in order, to `list`; true when there is at least one.
    bool GetRoots(QStringList& list) const;
    int rootCount() const;

    // Positions on the first row, in table order, whose "FILENAME" equals `key`
    // exactly; keys of 31 or more characters are never found.
    bool FindFileName(const QString& key);
    // On success `key` becomes root + "CACHE" of the row found and the answer is true.
    // A row whose root position is unknown this run turns `key` into the file address
    // of "_DBMiss.gif" in the home folder and answers false. No row: false, `key` unchanged.
    bool Lookup(QString& key);

    // Appends one row and writes it to disk (insert, assign, post). Texts longer
    // than their field are cut. Answers false when the table is not open or the
    // write failed.
    bool AppendRow(const CacheRow& row);
    // The current row after a successful FindFileName.
    std::optional<CacheRow> currentRow() const;
    // Number of rows and one row by position (0-based), for tools and tests.
    int rowCount() const;
    std::optional<CacheRow> row(int index) const;
    // The plain search from the first row that FindFileName's index stands in for:
    // the 0-based position of the first row whose "FILENAME" equals `key`, or -1.
    // Kept for tests and benchmarks that check the index against it.
    int scanForFileName(const QString& key) const;

    void Close();

private:
    struct Impl;
    QString m_tableFile;
    QString m_homeFolder;
    QStringList m_roots;
    std::unique_ptr<Impl> m_impl;
};

} // namespace zv
