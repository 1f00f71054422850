#include "SimRig.h"

#include "device/SeriesProgramming.h"

#include "model/ProgramHeader.h"
#include "storage/RecordDate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::device;
using namespace pellmora::storage;
using namespace Qt::StringLiterals;
using pellmora::sim::Fault;
using pellmora::test::SimRig;

namespace {

const QDateTime Noon(QDate(2026, 12, 8), QTime(12, 0));

Program corridorProgram()
{
    Program program;
    program.settings = InitialSettings();
    program.settings.DeviceName = u"Chodba"_s;
    program.settings.DeviceId = 0x0042;
    program.image = test::patternImage();
    PackHeader(program);
    return program;
}

quint16 idInMemory(const SimRig &rig)
{
    const QByteArray memory = rig.sim.memory();
    return quint16(quint8(memory[2 * header::IdWord]) | quint8(memory[2 * header::IdWord + 1]) << 8);
}

QStringList logLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList recordIds(const DeviceDatabase &database)
{
    QStringList ids;
    for (const DatabaseRecord &record : database.Records)
        ids << record.Id;
    return ids;
}

class Series : public ::testing::Test {
protected:
    Series() { database.Directory = dir.path(); }

    SeriesPlan plan(quint16 firstId, int count) const
    {
        SeriesPlan plan;
        plan.program = corridorProgram();
        plan.programFile = u"chodba.plm"_s;
        plan.firstId = firstId;
        plan.count = count;
        plan.now = [] { return Noon; };
        return plan;
    }

    QString logPath() const { return dir.filePath(u"serie-2026-12-08.csv"_s); }

    QTemporaryDir dir;
    DeviceDatabase database;
    DeviceMemoryState memory;
};

TEST_F(Series, ThreeSwitchesAreProgrammedRecordedAndLogged)
{
    SimRig rig;
    const Program editor = corridorProgram();
    QList<SeriesStep> steps;
    SeriesObserver observer;
    observer.step = [&steps](SeriesStep s) { steps << s; };
    SeriesProgramming series(rig.link, database, memory, plan(0x0100, 3), observer);

    ASSERT_TRUE(series.check().isEmpty());
    EXPECT_EQ(series.connectText(), u"Připojte spínač č. 1 (ID 0100) ..."_s);
    while (!series.finished()) {
        const SwitchOutcome outcome = series.programSwitch();
        ASSERT_TRUE(outcome.ok) << outcome.result.toStdString();
        EXPECT_EQ(outcome.result, u"OK"_s);
        EXPECT_EQ(idInMemory(rig), outcome.id);
    }

    EXPECT_EQ(series.programmed(), 3);
    EXPECT_EQ(idInMemory(rig), 0x0102);
    EXPECT_EQ(rig.sim.deviceTime(), QTime(12, 0));
    EXPECT_EQ(recordIds(database), (QStringList{u"0100"_s, u"0101"_s, u"0102"_s}));
    EXPECT_EQ(database.Records.last(),
              (DatabaseRecord{u"0102"_s, u"Chodba"_s, FormatRecordDate(Noon.date()), u"chodba.plm"_s}));
    QFile file(database.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(ParseDatabase(file.readAll()).records, database.Records);
    EXPECT_EQ(logLines(logPath()), (QStringList{u"poradi;id;nazev;cas;vysledek"_s,
                                               u"1;0100;Chodba;2026-12-08 12:00:00;OK"_s,
                                               u"2;0101;Chodba;2026-12-08 12:00:00;OK"_s,
                                               u"3;0102;Chodba;2026-12-08 12:00:00;OK"_s}));
    EXPECT_EQ(steps.mid(0, 6), (QList<SeriesStep>{SeriesStep::ComTest, SeriesStep::Programming, SeriesStep::Verifying,
                                                 SeriesStep::Clock, SeriesStep::Record, SeriesStep::Log}));
    // The program in the editor keeps its own identifier.
    EXPECT_EQ(corridorProgram().image, editor.image);
}

TEST_F(Series, FailedSwitchIsLoggedNotRecordedAndWaitsForTheUser)
{
    SimRig rig({Fault::NoEeprom});
    SeriesProgramming series(rig.link, database, memory, plan(0x0100, 3));
    ASSERT_TRUE(series.check().isEmpty());

    const SwitchOutcome failed = series.programSwitch();
    EXPECT_TRUE(failed.started);
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.result.isEmpty());
    EXPECT_NE(failed.result, u"OK"_s);
    EXPECT_TRUE(database.Records.isEmpty());
    EXPECT_EQ(logLines(logPath()).value(1), u"1;0100;Chodba;2026-12-08 12:00:00;"_s + failed.result);
    // Retried, the same switch and identifier come again; skipped, the next
    // switch takes the identifier only when the user says so.
    EXPECT_EQ(series.number(), 1);
    EXPECT_EQ(series.id(), 0x0100);
    series.skip(true);
    EXPECT_EQ(series.number(), 2);
    EXPECT_EQ(series.id(), 0x0100);
    series.skip(false);
    EXPECT_EQ(series.number(), 3);
    EXPECT_EQ(series.id(), 0x0101);
    series.skip(false);
    EXPECT_TRUE(series.finished());
}

TEST_F(Series, IdentifierInTheDatabaseIsNeverUsedUnasked)
{
    SimRig rig;
    database.Records << DatabaseRecord{u"0101"_s, u"Sklep"_s, u"01.12.2026"_s, u"sklep.plm"_s};
    SeriesProgramming series(rig.link, database, memory, plan(0x0100, 0));
    ASSERT_TRUE(series.check().isEmpty());
    ASSERT_TRUE(series.programSwitch().ok);

    EXPECT_EQ(series.recordWithId(), 0);
    const SwitchOutcome refused = series.programSwitch();
    EXPECT_TRUE(refused.idInUse);
    EXPECT_FALSE(refused.started);
    EXPECT_EQ(idInMemory(rig), 0x0100); // the switch was not touched
    EXPECT_EQ(logLines(logPath()).size(), 2);

    EXPECT_TRUE(series.programSwitch(true).ok);
    EXPECT_EQ(idInMemory(rig), 0x0101);
    series.takeNextId();
    EXPECT_EQ(series.id(), 0x0103);
    EXPECT_FALSE(series.finished()); // open-ended
}

TEST_F(Series, RefusedBeforeTheFirstSwitch)
{
    struct Row {
        const char *what;
        std::function<void(DeviceDatabase &, SeriesPlan &)> setUp;
        QString message; // empty: any
    };
    const QString readOnly = u"Databáze je otevřena jen pro čtení."_s;
    const QList<Row> rows = {
        {"read-only database", [&](DeviceDatabase &d, SeriesPlan &) { d.ReadOnlyReason = readOnly; }, readOnly},
        {"program without a file", [](DeviceDatabase &, SeriesPlan &p) { p.programFile.clear(); }, {}},
        {"database too small for the series",
         [](DeviceDatabase &d, SeriesPlan &) { d.Records = QList<DatabaseRecord>(254, DatabaseRecord{u"0001"_s, {}, {}, {}}); },
         {}},
        {"identifiers beyond FFFF", [](DeviceDatabase &, SeriesPlan &p) { p.firstId = 0xFFFE; }, {}},
        {"log that cannot be written",
         [this](DeviceDatabase &, SeriesPlan &p) { p.logPath = dir.filePath(u"missing/serie.csv"_s); }, {}},
        {"label the header cannot hold",
         [](DeviceDatabase &, SeriesPlan &p) { p.program.settings.DeviceName = u"Chodba v patře"_s; }, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        SimRig rig;
        DeviceDatabase db;
        db.Directory = dir.path();
        SeriesPlan p = plan(0x0100, 3);
        row.setUp(db, p);
        SeriesProgramming series(rig.link, db, memory, p);

        const Notices refused = series.check();
        ASSERT_EQ(refused.size(), 1);
        if (!row.message.isEmpty()) {
            EXPECT_EQ(refused.first().text, row.message);
        }
        EXPECT_EQ(rig.sim.memory(), QByteArray(512, char(0xFF))); // no switch touched
    }
}

TEST(PresenceTrigger, FiresOnceTheNextSwitchIsFirmlyIn)
{
    struct Row {
        const char *what;
        bool armed;
        QString samples;   // 1 present, 0 absent
        QString fires;     // where the trigger fires
    };
    const QList<Row> rows = {
        {"previous switch never unplugged", false, u"111111"_s, u"000000"_s},
        {"unplugged and plugged", false, u"11000111111"_s, u"00000001000"_s},
        {"bouncing plug", false, u"1001010110111"_s, u"0000000000001"_s},
        {"armed: the first switch", true, u"1111"_s, u"0010"_s},
        {"two switches in turn", false, u"10111011100111"_s, u"00001000100001"_s},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        PresenceTrigger trigger(row.armed);
        QString fired;
        for (QChar c : row.samples)
            fired += trigger.sample(c == u'1') ? u'1' : u'0';
        EXPECT_EQ(fired, row.fires);
    }
}

TEST(SeriesLog, OneLinePerSwitchWhateverTheTexts)
{
    const QDateTime time(QDate(2026, 12, 8), QTime(9, 5, 7));
    EXPECT_EQ(seriesLogLine(12, 0x0A1, u"Kuchyň"_s, time, u"OK"_s),
              QByteArray("12;00A1;Kuchy\xc5\x88;2026-12-08 09:05:07;OK\n"));
    EXPECT_EQ(seriesLogLine(1, 0, u"a;b"_s, time, u"Řekl \"ne\"\nznovu"_s),
              QByteArray("1;0000;\"a;b\";2026-12-08 09:05:07;\"\xc5\x98" "ekl \"\"ne\"\" znovu\"\n"));
}

TEST(SeriesLog, AppendsBehindWhatIsThere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"serie.csv"_s);
    ASSERT_TRUE(appendSeriesLog(path, "1;0100;A;t;OK\n"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("x;no line end");
    file.close();
    ASSERT_TRUE(appendSeriesLog(path, "2;0101;A;t;OK\n"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "poradi;id;nazev;cas;vysledek\n1;0100;A;t;OK\nx;no line end\n2;0101;A;t;OK\n");
}

} // namespace
