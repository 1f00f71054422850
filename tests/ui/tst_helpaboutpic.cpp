#include "ui/HelpAboutPic.h"
#include "RecordingPrompt.h"

#include "storage/FileLocations.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pellmora;
using namespace pellmora::ui;

namespace {

const QString MissingFile = QStringLiteral("Nenelezen About Vantor Corp. Soubor : 'about.abg'");

void writeAboutFile(const QByteArray &bytes)
{
    QFile file(QStringLiteral("about.abg"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

} // namespace

class HelpAboutPicTest : public QObject {
    Q_OBJECT

private:
    QString previousDirectory;
    std::unique_ptr<QTemporaryDir> directory;
    test::RecordingPrompt prompt;
    storage::FileLocations locations;

    // Opens the window and waits until it has read the file.
    static void open(HelpAboutPic &about)
    {
        about.show();
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        previousDirectory = QDir::currentPath();
        directory = std::make_unique<QTemporaryDir>();
        QVERIFY(directory->isValid());
        QVERIFY(QDir::setCurrent(directory->path()));
        locations.StartUpDirectory = directory->path();
        prompt = test::RecordingPrompt{};
    }

    void cleanup()
    {
        QDir::setCurrent(previousDirectory);
        directory.reset();
    }

    void aboutTextRead_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("text");

        QTest::newRow("two lines joined") << QByteArray("A\r\nB\r\n") << QStringLiteral("AB");
        QTest::newRow("further lines ignored") << QByteArray("A\r\nB\r\nC\r\n") << QStringLiteral("AB");
        QTest::newRow("single line") << QByteArray("Jen jeden") << QStringLiteral("Jen jeden");
        QTest::newRow("code page 1250")
            << QByteArray("D\xec" "kujeme, \r\n\x9e" "e jste s n\xe1" "mi\r\n")
            << QStringLiteral("Děkujeme, že jste s námi");
        QTest::newRow("empty file") << QByteArray() << QString();
    }

    void aboutTextRead()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, text);

        writeAboutFile(contents);
        HelpAboutPic about(prompt, locations);
        QSignalSpy read(&about, &HelpAboutPic::aboutTextRead);
        open(about);

        QCOMPARE(read.count(), 1);
        QCOMPARE(read.at(0).at(0).toString(), text);
        QVERIFY(prompt.shown.isEmpty());
    }

    void readAgainAtEveryOpening()
    {
        HelpAboutPic about(prompt, locations);
        QSignalSpy read(&about, &HelpAboutPic::aboutTextRead);

        writeAboutFile("Prvni\r\n");
        open(about);
        about.findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
        QVERIFY(!about.isVisible());

        writeAboutFile("Druhy\r\n");
        open(about);
        about.close();

        QFile::remove(QStringLiteral("about.abg"));
        open(about);

        QCOMPARE(read.count(), 2);
        QCOMPARE(read.at(0).at(0).toString(), QStringLiteral("Prvni"));
        QCOMPARE(read.at(1).at(0).toString(), QStringLiteral("Druhy"));
        QCOMPARE(prompt.shown, QStringList{MissingFile});
    }

    // A Save makes the program files' folder current; the about text stays
    // where the program started.
    void readFromTheStartUpFolderAfterASave()
    {
        writeAboutFile("Vantor\r\n");
        QTemporaryDir programs;
        QVERIFY(QDir::setCurrent(programs.path()));
        HelpAboutPic about(prompt, locations);
        QSignalSpy read(&about, &HelpAboutPic::aboutTextRead);
        open(about);
        QCOMPARE(read.count(), 1);
        QVERIFY(prompt.shown.isEmpty());
    }

    void missingFileReportedEachTime()
    {
        HelpAboutPic about(prompt, locations);
        QSignalSpy read(&about, &HelpAboutPic::aboutTextRead);
        open(about);
        about.close();
        open(about);

        QCOMPARE(prompt.shown, (QStringList{MissingFile, MissingFile}));
        QCOMPARE(read.count(), 0);
        QVERIFY(about.isVisible());
    }

    void pictureFillsTheWindow()
    {
        HelpAboutPic about(prompt, locations);
        open(about);
        auto *image = about.findChild<QLabel *>(QStringLiteral("AboutImage"));
        QVERIFY(image != nullptr);
        QCOMPARE(about.size(), QSize(450, 300));
        QCOMPARE(image->geometry(), about.rect());
        QCOMPARE(image->pixmap().size(), QSize(450, 300));
        QVERIFY(about.windowFlags().testFlag(Qt::FramelessWindowHint));
        auto *agree = about.findChild<QPushButton *>(QStringLiteral("OKBtn"));
        QCOMPARE(agree->text(), QStringLiteral("I Agree"));
        QVERIFY(about.rect().contains(agree->geometry()));
    }
};

QTEST_MAIN(HelpAboutPicTest)
#include "tst_helpaboutpic.moc"

