#include "storage/RecordDate.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::storage;

namespace pellmora {
namespace {

// One format is written whatever the locale; records written before in a
// locale's numeric short date are still read.
TEST(RecordDate, WrittenInOneFormatReadAlsoInTheLocales)
{
    EXPECT_EQ(FormatRecordDate(QDate(2026, 12, 7)), QStringLiteral("07.12.2026"));
    EXPECT_EQ(FormatRecordDate(QDate(2026, 1, 2)), QStringLiteral("02.01.2026"));

    struct Case {
        const char *locale;
        const char *format;
        const char *written;  // 7 December 2026 in the locale's own format
    };
    const Case cases[] = {
        {"cs_CZ", "dd.MM.yyyy", "07.12.2026"},
        {"de_DE", "dd.MM.yyyy", "07.12.2026"},
        {"en_US", "M/d/yyyy", "12/7/2026"},
        {"ja_JP", "yyyy/MM/dd", "2026/12/07"},
        {"pl_PL", "d.MM.yyyy", "7.12.2026"},
        {"nl_NL", "dd-MM-yyyy", "07-12-2026"},
        // Not numeric (month names, quoted text) or longer than 10: the fallback.
        {"C", "dd.MM.yyyy", "07.12.2026"},
        {"bg_BG", "dd.MM.yyyy", "07.12.2026"},
        {"hu_HU", "dd.MM.yyyy", "07.12.2026"},
        {"sk_SK", "dd.MM.yyyy", "07.12.2026"},
        {"ar_EG", "dd.MM.yyyy", "07.12.2026"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.locale);
        const QLocale locale(QString::fromLatin1(c.locale));
        EXPECT_EQ(RecordDateFormat(locale), QString::fromLatin1(c.format));
        EXPECT_EQ(ParseRecordDate(QString::fromLatin1(c.written), locale), QDate(2026, 12, 7));
    }
}

TEST(RecordDate, ReadingIsLenientOnlyWhereItIsUnambiguous)
{
    const QLocale czech(QStringLiteral("cs_CZ"));
    struct Case {
        const char *text;
        QDate expected;  // invalid: unreadable
    };
    const Case cases[] = {
        {"7.12.2026", QDate(2026, 12, 7)},
        {"07.12.26", QDate(2026, 12, 7)},   // two-digit years are this century
        {"1.1.99", QDate(2099, 1, 1)},
        {" 07.12.2026 ", QDate(2026, 12, 7)},
        {"31.02.2026", QDate()},
        {"07.12.026", QDate()},
        {"07.12.20261", QDate()},
        {"07/12/2026", QDate()},
        {"", QDate()},
        {"..", QDate()},
        {"123.4.2026", QDate()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseRecordDate(QString::fromLatin1(c.text), czech), c.expected);
    }
    // A Czech database read on a machine with another format still gives its dates.
    EXPECT_EQ(ParseRecordDate(QStringLiteral("07.12.2026"), QLocale(QStringLiteral("en_US"))), QDate(2026, 12, 7));
}

} // namespace
} // namespace pellmora
