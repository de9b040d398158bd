#include "platform/documents/PdfText.h"
#include "support/PdfMakers.h"
#include "support/TestSupport.h"

using PdfMakers::Text;

namespace {

// Two pages under a running title with page numbers below: a word broken
// with a hyphen at a line end, a compound broken at its hyphen, and a second
// paragraph that goes on over the page break.
const QList<QList<Text>> book = {{{72, 40, u"The Quiet Lighthouse"_s},
                                  {72, 100, u"The keeper kept a careful exam-"_s},
                                  {72, 116, u"ple of patience in his log, a non-"_s},
                                  {72, 132, u"Euclidean map of the bay and a"_s},
                                  {72, 148, u"list of ships."_s},
                                  {72, 180, u"Every night he lit the lamp and"_s},
                                  {72, 196, u"watched the dark water until dawn"_s},
                                  {290, 800, u"1"_s}},
                                 {{72, 40, u"The Quiet Lighthouse"_s},
                                  {72, 100, u"came over the hills."_s},
                                  {290, 800, u"2"_s}}};

const QString bookText = u"The keeper kept a careful example of patience in his log, a "
                         u"non-Euclidean map of the bay and a list of ships.\n\n"
                         u"Every night he lit the lamp and watched the dark water until "
                         u"dawn came over the hills."_s;

} // namespace

TEST(PdfText, GivesTheTextInReadingOrderOrSaysWhyNot)
{
    const QByteArray pdf = PdfMakers::textPdf(book);
    const QByteArray locked = PdfMakers::encryptedPdf(pdf, u"user"_s, u"owner"_s);
    ASSERT_FALSE(locked.isEmpty()) << "qpdf encrypts";
    const struct
    {
        const char *name;
        QByteArray pdf;
        QByteArray password;
        QString expected; // the text, or how the error starts
        bool needsPassword = false;
    } rows[] = {
        {"a book", pdf, {}, bookText},
        // Columns one after the other, never line by line across the page.
        {"two columns",
         PdfMakers::textPdf({{{50, 100, u"The left column"_s},
                              {50, 116, u"reads first and"_s},
                              {320, 100, u"goes on in the"_s},
                              {320, 116, u"right column."_s}}}),
         {},
         u"The left column reads first and goes on in the right column."_s},
        {"the reader's password", locked, "user", bookText},
        {"the owner's password", locked, "owner", bookText},
        {"no password", locked, {}, u"error: it is locked with a password"_s, true},
        {"a wrong password", locked, "User", u"error: the password is wrong"_s, true},
        {"images", PdfMakers::textPdf(book, true), {}, u"error: no text to read"_s},
        {"not a PDF", "%PDF-1.4\nhello", {}, u"error: it is damaged"_s},
        {"cut short", pdf.left(pdf.size() * 3 / 4), {}, u"error: it is damaged"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Documents::Options options;
        options.password = row.password;
        const Documents::Result result = Documents::readPdf(row.pdf, options);
        const QString got = result.text.value_or(u"error: "_s + result.error);
        EXPECT_EQ(row.expected.startsWith(u"error: ") ? got.left(row.expected.size()) : got,
                  row.expected)
            << got.toStdString();
        EXPECT_EQ(result.needsPassword, row.needsPassword);
    }
}

TEST(PdfText, StopsWhenCancelledAndPastTheTextLimit)
{
    std::atomic_bool cancel = false;
    QList<double> shares;
    Documents::Options options;
    options.cancel = &cancel;
    options.progress = [&](double share) {
        shares.append(share);
        cancel = true;
    };
    EXPECT_TRUE(Documents::readPdf(PdfMakers::textPdf(book), options).cancelled);
    EXPECT_EQ(shares, QList<double>{0.5});

    options = {};
    options.limits.maximumText = bookText.size() - 1;
    EXPECT_FALSE(Documents::readPdf(PdfMakers::textPdf(book), options).text);
}
