#include "DialogTestKit.h"
#include "ui/InstructionsFormat.h"
#include "model/InstructionFormat.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::ui;
using test::control;

class InstructionsFormatTest : public QObject {
    Q_OBJECT

private:
    static QLineEdit *positive(QWidget &dialog) { return control<QLineEdit>(dialog, "UserInstructionsPositive"); }
    static QLineEdit *negative(QWidget &dialog) { return control<QLineEdit>(dialog, "UserInstructionsNegative"); }

    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        test::typeText(edit, text);
    }

private slots:
    void createdState()
    {
        InstructionFormat format;
        InstructionsFormat dialog(format);
        QVERIFY(control<QRadioButton>(dialog, "ShiningNoshining")->isChecked());
        QCOMPARE(positive(dialog)->text(), QStringLiteral("Rozsviť na"));
        QCOMPARE(negative(dialog)->text(), QStringLiteral("Zhasni na"));
        QVERIFY(!positive(dialog)->isEnabled());
        QVERIFY(!negative(dialog)->isEnabled());
        QCOMPARE(control<QLabel>(dialog, "ChrOR")->text(), QStringLiteral("/"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Formát Instrukcí"));
        QVERIFY(!dialog.isModal());
    }

    void storedFormatApplied_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("userOn");
        QTest::addColumn<QString>("userOff");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("onWord");
        QTest::addColumn<QString>("offWord");
        QTest::addColumn<bool>("editsEnabled");

        QTest::newRow("1") << 1 << "" << "" << "OnOff" << "On " << "Off " << false;
        QTest::newRow("2") << 2 << "" << "" << "ZapnutoVypnuto" << "Zapnuto " << "Vypnuto " << false;
        QTest::newRow("3") << 3 << "" << "" << "ShiningNoshining" << "Svítí " << "Nesvítí " << false;
        QTest::newRow("4") << 4 << "Rozsviť na" << "Zhasni na" << "User" << "Rozsviť na " << "Zhasni na " << true;
        QTest::newRow("4, 15 characters keep no blank")
            << 4 << "Rozsviť v sedm!" << "Zhasni za hodin" << "User" << "Rozsviť v sedm!" << "Zhasni za hodin"
            << true;
        QTest::newRow("4, 14 characters keep the blank")
            << 4 << "Rozsviť světlo" << "Zhasni" << "User" << "Rozsviť světlo " << "Zhasni " << true;
        QTest::newRow("never chosen") << 0 << "" << "" << "ShiningNoshining" << "Svítí " << "Nesvítí " << false;
    }

    void storedFormatApplied()
    {
        QFETCH(int, code);
        QFETCH(QString, userOn);
        QFETCH(QString, userOff);
        QFETCH(QString, checked);
        QFETCH(QString, onWord);
        QFETCH(QString, offWord);
        QFETCH(bool, editsEnabled);

        InstructionFormat format;
        InstructionsFormat dialog(format);
        dialog.SetCurrentInstrFormat(code, userOn, userOff);

        QCOMPARE(format.OnWord, onWord);
        QCOMPARE(format.OffWord, offWord);
        QVERIFY(control<QRadioButton>(dialog, checked)->isChecked());
        QCOMPARE(positive(dialog)->isEnabled(), editsEnabled);
        QCOMPARE(negative(dialog)->isEnabled(), editsEnabled);
        if (code == UserFormatCode) {
            QCOMPARE(dialog.userPositiveText(), userOn.left(FormatWordMaxLength));
            QCOMPARE(dialog.userNegativeText(), userOff.left(FormatWordMaxLength));
        }
    }

    // The configuration stores the user's words whatever format is in force;
    // they must come back unchanged when it is written again.
    void userWordsKeptUnderAnotherFormat()
    {
        InstructionFormat format;
        InstructionsFormat dialog(format);
        dialog.SetCurrentInstrFormat(2, QStringLiteral("Ahoj"), QStringLiteral("Nazdar"));
        QCOMPARE(dialog.userPositiveText(), QStringLiteral("Ahoj"));
        QCOMPARE(dialog.userNegativeText(), QStringLiteral("Nazdar"));
        QCOMPARE(format.OnWord, QStringLiteral("Zapnuto "));

        InstructionsFormat fresh(format);
        fresh.SetCurrentInstrFormat(1, QString(), QString());
        QCOMPARE(fresh.userPositiveText(), QStringLiteral("Rozsviť na"));
        QCOMPARE(fresh.userNegativeText(), QStringLiteral("Zhasni na"));
    }

    // Undo and redo put a format back while the dialog is hidden: it opens
    // on the format in force, the user's words untouched.
    void opensOnTheFormatInForce()
    {
        InstructionFormat format;
        InstructionsFormat dialog(format);
        dialog.SetCurrentInstrFormat(4, QStringLiteral("Ahoj"), QStringLiteral("Nazdar"));
        dialog.show();
        dialog.hide();
        format.ChooseFormat(2);
        dialog.show();
        QVERIFY(control<QRadioButton>(dialog, "ZapnutoVypnuto")->isChecked());
        QVERIFY(!positive(dialog)->isEnabled());
        dialog.hide();
        format.ChooseFormat(UserFormatCode);
        dialog.show();
        QVERIFY(control<QRadioButton>(dialog, "User")->isChecked());
        QVERIFY(positive(dialog)->isEnabled());
        QCOMPARE(dialog.userPositiveText(), QStringLiteral("Ahoj"));
    }

    void clickTakesEffectBeforeOk_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("onWord");
        QTest::addColumn<QString>("offWord");

        QTest::newRow("On/Off") << "OnOff" << 1 << "On " << "Off ";
        QTest::newRow("Zapnuto/Vypnuto") << "ZapnutoVypnuto" << 2 << "Zapnuto " << "Vypnuto ";
        QTest::newRow("Svítí/Nesvítí") << "ShiningNoshining" << 3 << "Svítí " << "Nesvítí ";
        // The user's words wait for OK: the pair in force stays.
        QTest::newRow("User") << "User" << 4 << "Ahoj " << "Nazdar ";
    }

    void clickTakesEffectBeforeOk()
    {
        QFETCH(QString, button);
        QFETCH(int, code);
        QFETCH(QString, onWord);
        QFETCH(QString, offWord);

        InstructionFormat format;
        InstructionsFormat dialog(format);
        QSignalSpy confirmed(&dialog, &InstructionsFormat::formatConfirmed);
        dialog.SetCurrentInstrFormat(4, QStringLiteral("Ahoj"), QStringLiteral("Nazdar"));
        dialog.show();
        if (code == UserFormatCode)
            control<QRadioButton>(dialog, "OnOff")->click(); // away and back
        format.OnWord = QStringLiteral("Ahoj ");
        format.OffWord = QStringLiteral("Nazdar ");
        control<QRadioButton>(dialog, button)->click();
        if (code == UserFormatCode)
            typeInto(positive(dialog), QStringLiteral("Jiné"));
        dialog.close();

        QCOMPARE(int(format.FormatCode), code);
        QCOMPARE(format.OnWord, onWord);
        QCOMPARE(format.OffWord, offWord);
        QCOMPARE(positive(dialog)->isEnabled(), code == UserFormatCode);
        QCOMPARE(confirmed.count(), 0);
    }

    void okTakesUserWords_data()
    {
        QTest::addColumn<QString>("typedOn");
        QTest::addColumn<QString>("typedOff");
        QTest::addColumn<QString>("onWord");
        QTest::addColumn<QString>("offWord");

        QTest::newRow("own words") << "Rozsviť na" << "Zhasni na" << "Rozsviť na " << "Zhasni na ";
        QTest::newRow("fifteen characters") << "123456789012345" << "Zhasni" << "123456789012345" << "Zhasni ";
        QTest::newRow("cut at fifteen while typing") << "12345678901234567" << "" << "123456789012345" << " ";
    }

    void okTakesUserWords()
    {
        QFETCH(QString, typedOn);
        QFETCH(QString, typedOff);
        QFETCH(QString, onWord);
        QFETCH(QString, offWord);

        InstructionFormat format;
        InstructionsFormat dialog(format);
        QSignalSpy confirmed(&dialog, &InstructionsFormat::formatConfirmed);
        dialog.SetCurrentInstrFormat(2, QString(), QString());
        dialog.show();
        control<QRadioButton>(dialog, "User")->click();
        typeInto(positive(dialog), typedOn);
        typeInto(negative(dialog), typedOff);
        control<QPushButton>(dialog, "InstrFormatOK")->click();

        QCOMPARE(int(format.FormatCode), int(UserFormatCode));
        QCOMPARE(format.OnWord, onWord);
        QCOMPARE(format.OffWord, offWord);
        QCOMPARE(confirmed.count(), 1);
        QVERIFY(!dialog.isVisible());
    }

    void okWithTableFormatIgnoresUserEdits()
    {
        InstructionFormat format;
        InstructionsFormat dialog(format);
        dialog.show();
        control<QRadioButton>(dialog, "User")->click();
        typeInto(positive(dialog), QStringLiteral("Ahoj"));
        control<QRadioButton>(dialog, "OnOff")->click();
        control<QPushButton>(dialog, "InstrFormatOK")->click();
        QCOMPARE(format.OnWord, QStringLiteral("On "));
        QCOMPARE(format.OffWord, QStringLiteral("Off "));
        QCOMPARE(int(format.FormatCode), 1);
    }
};

QTEST_MAIN(InstructionsFormatTest)
#include "tst_instructionsformat.moc"
