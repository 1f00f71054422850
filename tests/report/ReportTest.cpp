// The printed report, read back from its PDF with poppler's tools: its text
// holds every clock time of the schedule and the switch's settings, it is one
// A4 page, and no word is drawn over another or off the page.

#include "report/ProgramReport.h"

#include "model/ProgramHeader.h"
#include "model/Schedule.h"
#include "model/Segment.h"

#include "../model/CorridorProgram.h"
#include "../storage/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::report;
using pellmora::storage::FileReplacement;

using namespace Qt::StringLiterals;

namespace {

// Runs a poppler tool on a file; its standard output.
QString poppler(const QString &tool, const QStringList &args)
{
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed (poppler-utils installed?): "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct Rendered {
    QString text;                  // pdftotext -layout
    QList<std::pair<QString, QRectF>> words; // pdftotext -bbox, in points
    QString info;                  // pdfinfo
};

Rendered render(const ReportInput &input, const QTemporaryDir &dir)
{
    const QString pdf = dir.filePath(u"report.pdf"_s);
    EXPECT_TRUE(WriteReportPdf(pdf, input));
    Rendered rendered;
    rendered.text = poppler(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
    rendered.info = poppler(u"pdfinfo"_s, {pdf});
    static const QRegularExpression word(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    const QString boxes = poppler(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s});
    for (const QRegularExpressionMatch &m : word.globalMatch(boxes)) {
        const QRectF box(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                         QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        rendered.words.append({m.captured(5), box});
    }
    return rendered;
}

Program chodba()
{
    return test::corridorProgram();
}

// Every period as full as the editor lets it be, crossing midnight.
Program fullPeriods(int periodCode)
{
    Program program;
    program.settings.DeviceName = u"Výloha 8"_s;
    program.settings.StartUpMinutes = 19 * 60;
    program.settings.RandomDelays = true;
    program.settings.FastMode = true;
    ApplyPeriodCode(program, periodCode);
    for (int p = 0; p <= program.settings.LastPeriod; ++p) {
        program.settings.SegmentStart = quint16(SegmentFirstWord(program.settings, p));
        program.settings.InstructionCount = 0;
        for (int i = 0; i + 1 < program.settings.SegmentCapacity; ++i)
            SegmentAppend(program, BuildInstructionWord(quint16((i * 977 + p * 131) % 9000 + 1), i % 2 == 0));
    }
    PackHeader(program);
    return program;
}

// One period of 247 long delays: three months of schedule.
Program longestPeriod()
{
    Program program;
    program.settings.DeviceName = u"Dlouhý"_s;
    program.settings.StartUpMinutes = 23 * 60 + 15;
    for (int i = 0; i < 247; ++i)
        SegmentAppend(program, BuildInstructionWord(quint16(MaxDelaySeconds - i), i % 2 == 0));
    PackHeader(program);
    return program;
}

ReportInput inputOf(const Program &program, const QString &fileName)
{
    return {program.image, InstructionFormat(), fileName, QDate(2025, 5, 1)};
}

// Every word inside the page's margins (15 mm, about 42.5 pt) and none
// over another.
void expectLaidOut(const Rendered &rendered, const char *what)
{
    EXPECT_GT(rendered.words.size(), 20) << what << ": no word boxes read";
    const QRectF content(42, 42, 595.3 - 84, 841.9 - 84);
    for (const auto &[text, box] : rendered.words)
        EXPECT_TRUE(content.contains(box)) << what << ": " << text.toStdString() << " off the page";
    for (qsizetype i = 0; i < rendered.words.size(); ++i) {
        // Glyph boxes of neighbouring lines may touch; a real overlap is wider.
        const QRectF a = rendered.words[i].second.adjusted(0.3, 0.3, -0.3, -0.3);
        for (qsizetype j = i + 1; j < rendered.words.size(); ++j) {
            if (a.intersects(rendered.words[j].second)) {
                ADD_FAILURE() << what << ": \"" << rendered.words[i].first.toStdString() << "\" over \""
                              << rendered.words[j].first.toStdString() << "\"";
                return;
            }
        }
    }
}

} // namespace

TEST(ProgramReport, TheSwitchItsSettingsAndItsScheduleOnOnePage)
{
    QTemporaryDir dir;
    const Rendered rendered = render(inputOf(chodba(), u"chodba.plm"_s), dir);
    EXPECT_TRUE(rendered.info.contains(QRegularExpression(u"Pages:\\s+1\\n"_s))) << rendered.info.toStdString();
    EXPECT_TRUE(rendered.info.contains(u"(A4)"_s)) << rendered.info.toStdString();
    for (const QString &text : {u"Chodba"_s, u"ID: 1111"_s, u"Začátek: 18:30"_s, u"Počet period: 1"_s,
                                u"Příznaky: Uzamkni paměť"_s, u"Korekce: Zpožďuje se 1 s na den (konstanta 32)"_s,
                                u"Perioda 1"_s, u"18:30:00 Svítí 2:00:00"_s, u"20:30:00 Nesvítí 0:30:00"_s,
                                u"21:00:00 Svítí 0:00:05"_s, u"21:00:05 konec"_s, u"Konec bude v 21hodin"_s,
                                u"Soubor: chodba.plm"_s, u"Datum: 01.05.2025"_s}) {
        QString flat = rendered.text;
        flat.replace(QRegularExpression(u"[ \\t]+"_s), u" "_s);
        EXPECT_TRUE(flat.contains(text)) << text.toStdString() << "\n" << rendered.text.toStdString();
    }
    EXPECT_FALSE(rendered.text.contains(u"+ náhodné prodlevy"_s));
    expectLaidOut(rendered, "chodba");
}

TEST(ProgramReport, EveryClockTimeOfCrowdedProgramsFitsTheOnePage)
{
    struct Case {
        const char *what;
        Program program;
    };
    const Case cases[] = {
        {"eight full periods", fullPeriods(4)}, {"six full periods", fullPeriods(3)},
        {"four full periods", fullPeriods(2)},  {"two full periods", fullPeriods(1)},
        {"the longest period", longestPeriod()},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const Rendered rendered = render(inputOf(c.program, u"x.plm"_s), dir);
        EXPECT_TRUE(rendered.info.contains(QRegularExpression(u"Pages:\\s+1\\n"_s))) << c.what;
        EXPECT_TRUE(rendered.text.contains(TrimDeviceName(c.program.settings.DeviceName))) << c.what;
        QStringList missing;
        for (const PeriodSchedule &schedule : ProgramSchedule(c.program)) {
            for (const ScheduleRow &row : ScheduleRows(schedule, InstructionFormat())) {
                if (!rendered.text.contains(row.clock))
                    missing << row.clock;
            }
        }
        EXPECT_TRUE(missing.isEmpty()) << c.what << ": " << missing.join(u", "_s).toStdString();
        expectLaidOut(rendered, c.what);
    }
}

// A report that cannot be written whole (no folder of that name, a full disk)
// gives the reason and leaves an older report byte for byte.
TEST(ProgramReport, AWriteThatFailsReportsItAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const ReportInput input = inputOf(chodba(), u"chodba.plm"_s);
    QFile old(dir.filePath(u"old.pdf"_s));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    ASSERT_EQ(old.write("the previous report"), 19);
    old.close();

    const FileReplacement underAFile = WriteReportPdf(dir.filePath(u"old.pdf/report.pdf"_s), input);
    EXPECT_FALSE(underAFile.ok);
    EXPECT_FALSE(underAFile.reason.isEmpty());
    const std::optional<QString> diskFull = pellmora::testing::underFileSizeLimit(
        100, [&] { return WriteReportPdf(dir.filePath(u"old.pdf"_s), input).reason; });
    EXPECT_EQ(diskFull, u"File too large"_s);

    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "the previous report");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"old.pdf"_s});
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
