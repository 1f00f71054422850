#include "DeviceWindowsFixture.h"

#include <QPlainTextEdit>
#include <QTimer>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::link;
using namespace pellmora::ui;
using namespace pellmora::ui::test;

namespace {

QStringList reportLines(const DevelInfoForm &form)
{
    return control<QPlainTextEdit>(form, QStringLiteral("Report"))->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

class DevelInfoTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryCurrentDirectory> dir_;

private slots:
    void init() { dir_ = std::make_unique<TemporaryCurrentDirectory>(); }
    void cleanup() { dir_.reset(); }

    // Every show lists the values as they are then, in four lines and the
    // version, with the places the same from one show to the next.
    void reportFollowsTheLinkOnEveryShow()
    {
        DeviceImage image;
        LinkState link;
        link.PortBase = 0x2F8;
        link.EEPROM_Loop = 40000;
        link.PICmicro_Loop = 90;
        DevelInfoForm form(image, link);
        QCOMPARE(form.windowTitle(), QStringLiteral("Memory Info - Constants/Variabilies/Arrayes"));

        form.show();
        const QStringList first = reportLines(form);
        QCOMPARE(first.size(), 5);
        QCOMPARE(first[4], QStringLiteral("Pellmora " PELLMORA_VERSION));
        QVERIFY(first[0].startsWith(QStringLiteral("\"EEPROM\"         at: [")));
        QVERIFY(first[0].endsWith(QStringLiteral(" H ] :  value not available..")));
        QVERIFY(first[1].endsWith(QStringLiteral(":02F8")));
        QVERIFY(first[2].endsWith(QStringLiteral(":005A")));
        QVERIFY(first[3].endsWith(QStringLiteral(":9C40")));
        QTest::mouseClick(control<QPushButton>(form, QStringLiteral("OKBtn")), Qt::LeftButton);
        QVERIFY(!form.isVisible());

        link.PortBase = 0x3E8;
        link.EEPROM_Loop = 7;
        form.show();
        const QStringList second = reportLines(form);
        QCOMPARE(second.size(), 5);
        QCOMPARE(second[1], QString(first[1].chopped(4) + QStringLiteral("03E8")));
        QCOMPARE(second[3], QString(first[3].chopped(4) + QStringLiteral("0007")));
        QCOMPARE(second[0], first[0]);
    }

    void menuItemOpensItModally_data()
    {
        QTest::addColumn<bool>("byReturn");
        QTest::newRow("OK clicked") << false;
        QTest::newRow("Return") << true;
    }

    // The menu item opens the dialog modally over the main window, showing
    // this run's link values; OK or Return closes it.
    void menuItemOpensItModally()
    {
        QFETCH(bool, byReturn);
        DeviceWindowsUnderTest ui;
        ui.session.link.PortBase = Link::ComPortBase(3);
        bool modal = false;
        bool closedByReturn = false;
        QStringList shown;
        QTimer::singleShot(0, [&] {
            DevelInfoForm &form = *ui.others.develInfo;
            modal = QApplication::activeModalWidget() == &form;
            shown = reportLines(form);
            if (byReturn) {
                QTest::keyClick(form.focusWidget() ? form.focusWidget() : &form, Qt::Key_Return);
                closedByReturn = !form.isVisible();
            }
            if (form.isVisible())
                QTest::mouseClick(control<QPushButton>(form, QStringLiteral("OKBtn")), Qt::LeftButton);
        });
        ui.action(QStringLiteral("DevelopmentInfo"))->trigger();

        QVERIFY(modal);
        QCOMPARE(closedByReturn, byReturn);
        QCOMPARE(shown.size(), 5);
        QVERIFY(shown[1].endsWith(QStringLiteral(":02E8")));
        QVERIFY(!ui.others.develInfo->isVisible());
    }
};

int main(int argc, char **argv)
{
    Q_INIT_RESOURCE(assets);
    QApplication app(argc, argv);
    DevelInfoTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_develinfo.moc"
