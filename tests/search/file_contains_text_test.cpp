#include "core/prog_bar.h"
#include "platform/message_pump.h"
#include "search/file_contains_text.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zv;

namespace {

struct TextTest : ::testing::Test {
    QWidget window;
    QProgressBar* bar = new QProgressBar(&window);
    QLabel* label = new QLabel(QStringLiteral(":"), &window);
    QPushButton* cancel = new QPushButton(&window);
    ProgBar* progress = new ProgBar(&window, bar, label, cancel);
    QList<int> positions; // bar positions shown, one per refreshed Step
    QTemporaryDir dir;

    void SetUp() override
    {
        bar->setRange(0, 100);
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [this](int v) {
            if (v > 0)
                positions.append(v);
        });
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    bool find(const QByteArray& content, const QString& text, bool matchCase = false)
    {
        positions.clear();
        return ContentContainsText(content, text, matchCase, progress);
    }

    // The number of the last line stepped past, as the bar last showed it (every
    // Step refreshes on documents under 128 lines).
    int stepped() const { return positions.isEmpty() ? 0 : positions.last(); }
};

// A line-by-line scan written as plainly as possible, to compare against: the
// matching line number (from 1), 0 when no line matches, and the line count.
std::pair<int, int> referenceScan(QByteArray content, const QString& text, bool matchCase)
{
    const int nul = content.indexOf('\0');
    if (nul >= 0)
        content.truncate(nul);
    QString decoded = QString::fromUtf8(content);
    if (decoded.toUtf8() != content)
        decoded = QString::fromLatin1(content); // only Latin-1 bytes in these samples
    QStringList lines;
    QString cur;
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const QChar c = decoded[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(cur);
            cur.clear();
            if (c == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n')
                ++i;
        } else {
            cur.append(c);
        }
    }
    if (!cur.isEmpty())
        lines.append(cur);
    const QLocale loc = QLocale::system();
    const QString pat = matchCase ? text : loc.toUpper(text);
    int hit = 0;
    for (int i = 0; i < lines.size() && !hit && !pat.isEmpty(); ++i) {
        const QString line = matchCase ? lines[i] : loc.toUpper(lines[i]);
        if (line.contains(pat))
            hit = i + 1;
    }
    return {hit, int(lines.size())};
}

} // namespace

TEST_F(TextTest, LinesBreakAtCrLfAndCrLfAndTextNeverSpansThem)
{
    EXPECT_FALSE(find("first half\nsecond", "half second"));
    EXPECT_FALSE(find("first half\rsecond", "halfsecond"));
    EXPECT_FALSE(find("first half\r\nsecond", "half\r\nsecond"));
    EXPECT_FALSE(find("first half\nsecond", "half\nsecond"));
    EXPECT_TRUE(find("first half second", "half second"));

    // Steps run line by line up to the matching line: CR LF is one break, LF CR two.
    EXPECT_TRUE(find("a\r\nb\rc\nd\n\rtarget\n", "target"));
    EXPECT_EQ(stepped(), 6);
    EXPECT_EQ(bar->maximum(), 6);
    EXPECT_EQ(label->text(), ""); // Finish(0)

    // Without a match every line is stepped; a final break adds no empty line.
    EXPECT_FALSE(find("one\r\ntwo\r\n", "three"));
    EXPECT_EQ(stepped(), 2);
    EXPECT_FALSE(find("one\r\n\r\nthree", "four"));
    EXPECT_EQ(stepped(), 3);
}

TEST_F(TextTest, NulEndsTheText)
{
    EXPECT_FALSE(find(QByteArray("before\0 needle", 14), "needle"));
    EXPECT_TRUE(find(QByteArray("needle\0 after", 13), "needle"));
    // Lines after the NUL are not counted either.
    EXPECT_FALSE(find(QByteArray("a\nb\0\nc\nd\n", 9), "x"));
    EXPECT_EQ(stepped(), 2);
}

TEST_F(TextTest, CaseFoldingCoversAsciiAndOtherLettersUnlessMatchCase)
{
    EXPECT_TRUE(find("<P>Hello World</P>", "hello world"));
    EXPECT_TRUE(find("<p>hello world</p>", "HeLLo"));
    EXPECT_FALSE(find("<P>Hello World</P>", "hello world", true));
    EXPECT_TRUE(find("<P>Hello World</P>", "Hello World", true));

    // é / É in UTF-8.
    EXPECT_TRUE(find("Le CAFÉ est ouvert", QStringLiteral("café")));
    EXPECT_TRUE(find("le café est ouvert", QStringLiteral("CAFÉ")));
    EXPECT_FALSE(find("Le CAFÉ est ouvert", QStringLiteral("café"), true));
    EXPECT_TRUE(find("Le CAFÉ est ouvert", QStringLiteral("CAFÉ"), true));
    // é / É in Windows-1252 (not valid UTF-8, so read as Windows-1252).
    EXPECT_TRUE(find("Le CAF\xC9 est ouvert", QStringLiteral("café")));
    EXPECT_TRUE(find("le caf\xE9 est ouvert", QStringLiteral("CAFÉ")));
    EXPECT_FALSE(find("le caf\xE9 est ouvert", QStringLiteral("CAFÉ"), true));
    EXPECT_TRUE(find("le caf\xE9 est ouvert", QStringLiteral("café"), true));
    // Windows-1252 letters of the 0x80..0x9F range: š (0x9A) / Š (0x8A), € (0x80).
    EXPECT_TRUE(find("\x8A" "koda \x80 5", QStringLiteral("škoda € 5")));
    EXPECT_TRUE(find("\x9A" "koda", QStringLiteral("škoda"), true));
    // Greek and Cyrillic fold too.
    EXPECT_TRUE(find("ΑΘΗΝΑ и МОСКВА", QStringLiteral("αθηνα и москва")));

    // A non-ASCII line among ASCII lines: the line number stays right.
    EXPECT_TRUE(find("ascii\nplain\nna\xC3\xAFve CAF\xC3\x89\nafter\n", QStringLiteral("café")));
    EXPECT_EQ(stepped(), 3);
    // An ASCII pattern found after non-ASCII lines.
    EXPECT_TRUE(find("\xC3\xA9t\xC3\xA9\nna\xC3\xAFve\nTail End\n", QStringLiteral("tail end")));
    EXPECT_EQ(stepped(), 3);
}

TEST_F(TextTest, EmptyTextFindsNothingButStillStepsEveryLine)
{
    EXPECT_FALSE(find("abc\ndef\n", ""));
    EXPECT_EQ(stepped(), 2);
    EXPECT_FALSE(find("", "abc"));
    EXPECT_TRUE(positions.isEmpty());
    EXPECT_EQ(label->text(), "");
}

TEST_F(TextTest, CancelDuringTheLineLoopAnswersNotFound)
{
    // Cancelled once the first stretch of lines was stepped past; the text lies far
    // beyond it.
    QObject::connect(bar, &QProgressBar::valueChanged, progress, [this](int v) {
        if (v > 0)
            progress->Cancel();
    });
    QByteArray doc;
    for (int i = 0; i < 40000; ++i)
        doc += "line " + QByteArray::number(i) + '\n';
    doc += "needle\n";
    EXPECT_FALSE(find(doc, "needle"));
    ASSERT_EQ(positions.size(), 1);
    EXPECT_LT(stepped(), 40000 / 2);
    EXPECT_EQ(label->text(), ""); // Finish still ran
}

TEST_F(TextTest, LongDocumentsAgreeWithALineByLineScan)
{
    // Large enough to cross the internal blocks of the search, with CR LF pairs,
    // lone CRs and non-ASCII lines placed at random.
    QRandomGenerator rng(20240607);
    const QList<QByteArray> breaks{"\n", "\r\n", "\r", "\n\r"};
    const QList<QByteArray> words{"lorem", "ipsum", "<a href=x>", "Dolor", "sit", "AMET",
                                  "\xC3\xA9l\xC3\xA8ve", "stra\xC3\x9F" "e", "\xCE\xB1\xCE\xB2"};
    for (int round = 0; round < 12; ++round) {
        QByteArray doc;
        const bool latin1 = round % 3 == 2;
        while (doc.size() < 300 * 1024) {
            const int n = rng.bounded(12);
            for (int w = 0; w < n; ++w)
                doc += words[rng.bounded(latin1 ? 6 : words.size())] + ' ';
            doc += breaks[rng.bounded(breaks.size())];
        }
        if (latin1)
            doc += "na\xEFve\n"; // makes the whole document Windows-1252
        // Planted after a blank, so that no break pair or character is split.
        const int where = doc.indexOf(' ', rng.bounded(doc.size() - 200)) + 1;
        const QList<QByteArray> planted{"Needle", "NE\xC3\x89" "DLE", "needle"};
        // Some rounds look for a Greek word (its letters share their first byte with
        // the αβ of the words around it).
        const bool greek = round % 6 == 1;
        const QByteArray greekWord("\xCE\x9D\xCE\x88\xCE\x95\xCE\x94\xCE\x9B\xCE\x95"); // ΝΈΕΔΛΕ
        if (round % 4 != 3)
            doc.insert(where, latin1 ? QByteArray("NeEdLe") : greek ? greekWord : planted[round % 3]);
        const bool matchCase = round % 5 == 4;
        const QString pattern = latin1 ? QStringLiteral("needle")
            : greek                   ? QStringLiteral("νέεδλε")
            : round % 3 == 1          ? QStringLiteral("neédle")
                                      : QStringLiteral("needle");
        const auto [line, lines] = referenceScan(doc, pattern, matchCase);

        const bool found = find(doc, pattern, matchCase);
        SCOPED_TRACE(round);
        EXPECT_EQ(found, line > 0);
        // Lines stepped past: up to the matching one, or all. The bar shows every
        // (lines / 128 + 1)-th of them.
        const int every = lines / 128 + 1;
        EXPECT_EQ(stepped(), (line > 0 ? line : lines) / every * every);
        EXPECT_GT(lines, 128); // the display was thinned
        EXPECT_LE(positions.size(), 130);
    }
}

// Searched right after a burst of refreshes, a long document's Steps are first put
// off, lines uncounted; once the display can show them again (messages due, or the
// frame over) they are made. Every position shown is still a multiple of the
// thinning interval + 1 of the whole document's line count, and the bar's maximum
// is that count. (In Greek, lines are upper-cased whole, one by one, so that the
// search outlasts the quiet spell whatever the machine.)
TEST_F(TextTest, StepsPutOffDuringABurstAreMadeAsTheyWouldHaveBeen)
{
    const QLocale greek(QStringLiteral("el_GR"));
    QByteArray doc;
    int lines = 0;
    for (; lines < 150000; ++lines)
        doc += "<p>\xCE\xBD\xCE\xB5 " + QByteArray::number(lines) + (lines % 3 ? "\r\n" : "\n");
    const int every = lines / 128 + 1;
    for (const bool plantIt : {true, false}) {
        SCOPED_TRACE(plantIt);
        QByteArray text = doc;
        if (plantIt)
            text.insert(text.size() - 5000, "\xCE\x9D\xCE\x95\xCE\x94\xCE\x9B\xCE\x95");
        progress->Start("Reading element #", 0);
        for (int i = 1; i <= 2 * ProgBar::kRefreshBurst; ++i)
            progress->Step(i, 0);
        progress->Finish(0); // drops the held refresh of that job
        positions.clear();
        EXPECT_EQ(ContentContainsText(text, QStringLiteral("νεδλε"), false, progress, greek),
                  plantIt);
        for (const int at : positions)
            EXPECT_EQ(at % every, 0) << at;
        ASSERT_FALSE(positions.isEmpty()); // the document takes more than a frame
        EXPECT_EQ(bar->maximum(), lines);
    }
}

TEST_F(TextTest, ReadsFilesAndNamesTheOneThatCannotBeOpened)
{
    const QString path = write("page.htm", "<html>\r\n<body>Caf\xE9 au lait</body>\r\n");
    EXPECT_TRUE(FileContainsText(path, QStringLiteral("CAFÉ AU"), false, progress));
    EXPECT_FALSE(FileContainsText(path, QStringLiteral("cafe"), false, nullptr));

    const QString missing = dir.filePath("gone.htm");
    try {
        FileContainsText(missing, QStringLiteral("x"), false, progress);
        FAIL() << "no error for a missing file";
    } catch (const std::runtime_error& e) {
        const QString msg = QString::fromUtf8(e.what());
        EXPECT_TRUE(msg.contains(missing)) << msg.toStdString();
        EXPECT_TRUE(msg.contains("No such file")) << msg.toStdString();
    }
    EXPECT_THROW(FileContainsText(dir.path(), QStringLiteral("x"), false, progress),
                 std::runtime_error);
}

// What is not a regular file is read to its end from the descriptor opened for
// it: a file of the system's own folders that tells no size, a pipe with a writer,
// and a pipe nobody writes to (empty, not a wait for a writer).
TEST_F(TextTest, FilesWithoutASizeAndPipesAreReadToTheirEnd)
{
    EXPECT_TRUE(FileContainsText("/proc/self/status", "VmRSS", false, progress));
    const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.htm"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_FALSE(FileContainsText(dir.filePath("pipe.htm"), "needle", false, progress));

    // A writer that is there first and ends after the search has begun.
    const int writer = ::open(fifo.constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const QByteArray lines = "<p>hay\n<p>a Needle\n";
    ASSERT_EQ(::write(writer, lines.constData(), size_t(lines.size())), lines.size());
    std::thread closer([writer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::close(writer);
    });
    EXPECT_TRUE(FileContainsText(dir.filePath("pipe.htm"), "needle", false, progress));
    closer.join();
}

TEST_F(TextTest, TheLocalesUpperCaseRulesApplyToBothSides)
{
    const QLocale turkish(QStringLiteral("tr_TR"));
    const QLocale greek(QStringLiteral("el_GR"));
    const QLocale english(QStringLiteral("en_US"));
    // Turkish: i upper-cases to İ, so "istanbul" does not find "ISTANBUL" (dotless I).
    EXPECT_FALSE(ContentContainsText("<b>ISTANBUL</b>\n", "istanbul", false, progress, turkish));
    EXPECT_TRUE(ContentContainsText("<b>istanbul</b>\n", "ISTANBUL", false, progress, english));
    EXPECT_TRUE(ContentContainsText("ascii\n<b>\xC4\xB0stanbul</b>\n", "istanbul", false, progress,
                                    turkish));
    // Greek upper case drops the accents, whole lines at a time.
    EXPECT_TRUE(ContentContainsText("x\n\xCE\xAC\xCE\xBB\xCF\x86\xCE\xB1\n", QStringLiteral("αλφα"),
                                    false, progress, greek));
    EXPECT_FALSE(ContentContainsText("x\n\xCE\xAC\xCE\xBB\xCF\x86\xCE\xB1\n", QStringLiteral("αλφα"),
                                     false, progress, english));
    // Characters that upper-case into ASCII letters: ß -> SS, ﬁ -> FI.
    EXPECT_TRUE(ContentContainsText("Die Stra\xC3\x9F" "e\n", "STRASSE", false, progress, english));
    EXPECT_TRUE(ContentContainsText("Die Stra\xDF" "e\n", "strasse", false, progress, english));
    EXPECT_TRUE(ContentContainsText("a \xEF\xAC\x81le\n", "FILE", false, progress, english));
    EXPECT_FALSE(ContentContainsText("Die Stra\xC3\x9F" "e\n", "STRASSE", true, progress, english));
    // Such a character beside a match that does not pass through it, one that the
    // match passes through, and a text outside ASCII matched through ß.
    EXPECT_TRUE(
        ContentContainsText("gro\xC3\x9F" "e Zephyr\n", "zephyr", false, progress, english));
    EXPECT_TRUE(ContentContainsText("gro\xC3\x9F" "e e\xEF\xAC\x80ort\n", "EFFORT", false, progress,
                                    english));
    EXPECT_FALSE(ContentContainsText("gro\xC3\x9F" "e e\xEF\xAC\x80ort\n", "EFORT", false, progress,
                                     english));
    const QString strasse = QStringLiteral("strasse café");
    EXPECT_TRUE(
        ContentContainsText("x\nSTRA\xC3\x9F" "E CAF\xC3\x89\n", strasse, false, progress, english));
    EXPECT_TRUE(ContentContainsText("x\nSTRA\xDF" "E CAF\xC9\n", strasse, false, progress, english));
}

// Files are read only as far as the search needs. Whatever the size, the place of
// the text, the breaks and a NUL, reading a file gives the answers of the same
// bytes searched in memory.
TEST_F(TextTest, FilesReadInPartsAnswerAsTheirBytesInMemory)
{
    QRandomGenerator rng(4711);
    const QByteArray breaks[] = {"\n", "\r\n", "\r"};
    for (int round = 0; round < 60; ++round) {
        const QByteArray br = breaks[round % 3];
        QByteArray doc;
        const int size = int(rng.bounded(300 * 1024));
        while (doc.size() < size) {
            doc += "<p>some words of a line, " + QByteArray::number(rng.bounded(100000));
            doc += (rng.bounded(50) == 0 ? " caf\xC3\xA9" : "");
            doc += br;
        }
        // The text near the top, in the middle, at the very end, or nowhere.
        const int where = round % 4;
        if (where == 0)
            doc.insert(int(rng.bounded(qMin<qsizetype>(doc.size(), 2000)) + 1), "Needle");
        else if (where == 1)
            doc.insert(doc.size() / 2, "nEEDLE");
        else if (where == 2)
            doc += "needle";
        // Sometimes a NUL ends the text before the text.
        if (round % 7 == 3)
            doc.insert(int(rng.bounded(qMax<qsizetype>(doc.size(), 1))), '\0');
        // A break pair across the end of the first read or of the first block.
        for (const int at : {16 * 1024, 32 * 1024}) {
            if (round % 5 == 1 && doc.size() > at + 2) {
                doc[at - 1] = '\r';
                doc[at] = '\n';
            }
        }
        const QString path = write(QStringLiteral("doc%1.htm").arg(round), doc);
        for (const QString& text : {QStringLiteral("needle"), QStringLiteral("CAFÉ"),
                                    QStringLiteral("absent text")}) {
            const bool inMemory = ContentContainsText(doc, text, false, progress);
            EXPECT_EQ(inMemory, referenceScan(doc, text, false).first > 0) << round;
            EXPECT_EQ(FileContainsText(path, text, false, progress), inMemory)
                << round << " " << text.toStdString();
            EXPECT_EQ(FileContainsText(path, text, false, nullptr), inMemory) << round;
        }
    }
}
