#include "storage/AboutText.h"

#include "TemporaryCurrentDirectory.h"

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::storage;

namespace pellmora {
namespace {

using AboutTextTest = testing::InTemporaryDirectory;

TEST_F(AboutTextTest, FirstTwoLinesJoinedWithoutSeparator)
{
    struct Case {
        const char *name;
        QByteArray file;
        QString text;
    };
    const Case cases[] = {
        {"two lines", "A\r\nB\r\n", "AB"},
        {"further lines ignored", "A\r\nB\r\nC\r\n", "AB"},
        {"single line", "Jen jeden", "Jen jeden"},
        {"empty", "", ""},
        {"code page 1250", "Vantor \xe8\r\n\x9akoda", "Vantor čškoda"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(AboutFileName, c.file);
        const AboutText about = ReadAboutText(folder.path());
        EXPECT_TRUE(about.found);
        EXPECT_EQ(about.text, c.text);
        EXPECT_TRUE(about.notices.isEmpty());
    }
}

TEST_F(AboutTextTest, MissingFileIsReportedEveryTime)
{
    for (int i = 0; i < 2; ++i) {
        const AboutText about = ReadAboutText(folder.path());
        EXPECT_FALSE(about.found);
        EXPECT_EQ(about.notices,
                  Notices{Notice::message(QStringLiteral("Nenelezen About Vantor Corp. Soubor : 'about.abg'"))});
    }
}

} // namespace
} // namespace pellmora
