#include "source/file_mask.h"
#include "source/folder_listing.h"

#include <QRandomGenerator>
#include <algorithm>
#include <gtest/gtest.h>

using namespace zv;

TEST(ListingOrder, MatchesTheGeneralCaseBlindOrderWithTiesByExactName)
{
    // Names mixing ASCII, accented letters and punctuation, compared against the
    // plain reference rule.
    const QStringList alphabet{"a", "A", "b", "B", "_", "-", ".", "0", "9", "z", "Z", "~",
                               QString::fromUtf8("\xc3\xa9"), QString::fromUtf8("\xc3\x89"),
                               QString::fromUtf8("\xc3\x9f"), QString::fromUtf8("\xce\xa3")};
    QRandomGenerator rng(1234);
    QStringList names;
    for (int i = 0; i < 400; ++i) {
        QString n;
        const int len = 1 + int(rng.bounded(5));
        for (int k = 0; k < len; ++k)
            n += alphabet[int(rng.bounded(alphabet.size()))];
        names << n;
    }
    QStringList expected = names;
    std::stable_sort(expected.begin(), expected.end(), [](const QString& x, const QString& y) {
        const int c = x.compare(y, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : x < y;
    });
    sortForListing(names);
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(listingLess("Apple", "apple"));
    EXPECT_TRUE(listingLess("bat", "Cat"));
    EXPECT_TRUE(listingLess("ab", "abc"));
    EXPECT_FALSE(listingLess("same", "same"));
}

TEST(FileMaskMatching, PatternsIgnoreCaseAndSplitOnSemicolons)
{
    const FileMask web("*.HTM*");
    EXPECT_TRUE(web.matches("index.html"));
    EXPECT_TRUE(web.matches("PAGE.HTM"));
    EXPECT_TRUE(web.matches("old.htm.bak"));
    EXPECT_FALSE(web.matches("notes.txt"));
    EXPECT_FALSE(web.matches("htm"));
    const FileMask pics("*.GIF;*.JPG");
    EXPECT_TRUE(pics.matches("a.gif"));
    EXPECT_TRUE(pics.matches("b.Jpg"));
    EXPECT_FALSE(pics.matches("c.jpeg"));
    EXPECT_FALSE(pics.matches("gif"));
    // Other characters of a pattern are literal, including regular-expression ones.
    const FileMask odd("a+b?.[x]");
    EXPECT_TRUE(odd.matches("A+B1.[X]"));
    EXPECT_FALSE(odd.matches("aab1.x"));
    EXPECT_TRUE(FileMask("*.*").matches("README"));
    EXPECT_FALSE(FileMask("").matches("a.htm"));
}

TEST(FileMaskMatching, OnePatternHasOnlyTwoWildcards)
{
    // Purge masks: a document's name with ".n*" for its extension.
    EXPECT_TRUE(FileMask::matchesPattern(u"a[1].n*", u"a[1].n4"));
    EXPECT_TRUE(FileMask::matchesPattern(u"A[1].N*", u"a[1].n12.pic"));
    EXPECT_FALSE(FileMask::matchesPattern(u"a[1].n*", u"a1.n4"));
    EXPECT_TRUE(FileMask::matchesPattern(u"x;y.n*", u"x;y.n4"));
    EXPECT_FALSE(FileMask::matchesPattern(u"x;y.n*", u"y.n4"));
    EXPECT_TRUE(FileMask::matchesPattern(u"*.n*", u".n"));
    EXPECT_FALSE(FileMask::matchesPattern(u"*.n*", u"CacheDB.dbf"));
    EXPECT_TRUE(FileMask::matchesPattern(u"?b*c", u"abxxc"));
    EXPECT_FALSE(FileMask::matchesPattern(u"?b*c", u"bxxc"));
    EXPECT_TRUE(FileMask::matchesPattern(u"*a*a*a*a*b", u"aaaaaaaaaaaaaaaaaaaab"));
    EXPECT_FALSE(FileMask::matchesPattern(u"*a*a*a*a*b", u"aaaaaaaaaaaaaaaaaaaaa"));
    EXPECT_TRUE(FileMask::matchesPattern(u"", u""));
    EXPECT_FALSE(FileMask::matchesPattern(u"", u"a"));
    EXPECT_TRUE(FileMask::matchesPattern(u"\u00c9t\u00e9.n*", u"\u00e9T\u00c9.N4"));
}
