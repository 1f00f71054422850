// The bus trace of `pellmora-cli program`, read back and decoded as I2C the
// way logic-analyser software does it.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct I2cByte {
    quint8 value = 0;
    bool acknowledged = false;
};

// Everything between a start condition and the next start or stop.
using I2cFrame = std::vector<I2cByte>;

// Decodes SCL and SDA of a VCD file: start = SDA falls while SCL is high,
// stop = SDA rises while SCL is high, a bit = SDA when SCL rises, nine bits
// to a byte with its acknowledge (low = acknowledged).
class I2cDecoder {
public:
    std::vector<I2cFrame> frames;
    int stops = 0;

    bool decode(const QByteArray &vcd)
    {
        std::map<QByteArray, QByteArray> ids; // identifier -> signal name
        bool inDefinitions = true;
        for (const QByteArray &raw : vcd.split('\n')) {
            const QByteArray line = raw.trimmed();
            if (inDefinitions) {
                const QList<QByteArray> words = line.split(' ');
                if (words.size() >= 5 && words[0] == "$var")
                    ids[words[3]] = words[4];
                if (line.startsWith("$enddefinitions"))
                    inDefinitions = false;
                continue;
            }
            if (line.isEmpty() || line.startsWith('#') || line.startsWith('$'))
                continue;
            if (line[0] != '0' && line[0] != '1')
                return false;
            const auto name = ids.find(line.mid(1));
            if (name == ids.end())
                return false;
            change(name->second, line[0] == '1');
        }
        return !inDefinitions;
    }

private:
    void change(const QByteArray &name, bool level)
    {
        if (name == "SDA") {
            if (scl_ && sda_ && !level)
                start();
            else if (scl_ && !sda_ && level)
                stop();
            sda_ = level;
        } else if (name == "SCL") {
            if (!scl_ && level)
                bit(sda_);
            scl_ = level;
        }
    }
    void start()
    {
        frames.emplace_back();
        inFrame_ = true;
        bits_ = 0;
        value_ = 0;
    }
    void stop()
    {
        ++stops;
        inFrame_ = false;
    }
    void bit(bool level)
    {
        if (!inFrame_)
            return; // a clock pulse outside any transfer
        if (bits_ < 8) {
            value_ = quint8(value_ << 1 | (level ? 1 : 0));
            ++bits_;
            return;
        }
        frames.back().push_back({value_, !level});
        bits_ = 0;
        value_ = 0;
    }

    bool scl_ = false;
    bool sda_ = false;
    bool inFrame_ = false;
    int bits_ = 0;
    quint8 value_ = 0;
};

// Every value change of a VCD file with its time stamp, by signal name.
struct TimedChange {
    qint64 nanoseconds;
    QByteArray name;
    bool level;
};

std::vector<TimedChange> timedChanges(const QByteArray &vcd)
{
    std::map<QByteArray, QByteArray> ids;
    std::vector<TimedChange> changes;
    bool inDefinitions = true;
    qint64 time = 0;
    for (const QByteArray &raw : vcd.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (inDefinitions) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() >= 5 && words[0] == "$var")
                ids[words[3]] = words[4];
            inDefinitions = !line.startsWith("$enddefinitions");
        } else if (line.startsWith('#')) {
            time = line.mid(1).toLongLong();
        } else if (!line.isEmpty() && (line[0] == '0' || line[0] == '1') && ids.count(line.mid(1))) {
            changes.push_back({time, ids[line.mid(1)], line[0] == '1'});
        }
    }
    return changes;
}

// The communication test's fixed waits, as a logic analyser shows them: the
// supply settles for at least 20 ms before any other line moves, and the
// clock pulse that answers the microcontroller's presence signal lasts 21
// short pauses of at least 10 us each.
TEST(DeviceTrace, CommunicationTestShowsItsFixedWaits)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(u"test.vcd"_s);
    QProcess process;
    // At half the switch's speed: the bus runs in real time, which the
    // calibration of a loaded machine can make up to twice as fast as set.
    process.start(QStringLiteral(PELLMORA_CLI),
                  {u"test"_s, u"--sim-memory"_s, u"none"_s, u"--pic-speed"_s, u"30"_s, u"--trace"_s, trace});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QFile in(trace);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const std::vector<TimedChange> changes = timedChanges(in.readAll());

    const auto change = [](const char *name, bool level) {
        return [name, level](const TimedChange &c) { return c.name == name && c.level == level; };
    };
    const auto supplied = std::find_if(changes.begin(), changes.end(), change("SUPPLY", true));
    ASSERT_NE(supplied, changes.end());
    const auto next =
        std::find_if(supplied + 1, changes.end(), [](const TimedChange &c) { return c.name != "SUPPLY"; });
    ASSERT_NE(next, changes.end());
    EXPECT_GE(next->nanoseconds - supplied->nanoseconds, 20'000'000) << "power-on wait";

    // The microcontroller holds the data line low until a clock pulse it
    // can see, and lets it go when the clock rises.
    const auto held = std::find_if(supplied, changes.end(), change("SDA", false));
    ASSERT_NE(held, changes.end());
    const auto fell = std::find_if(held, changes.end(), change("SCL", false));
    ASSERT_NE(fell, changes.end());
    const auto rose = std::find_if(fell, changes.end(), change("SCL", true));
    ASSERT_NE(rose, changes.end());
    EXPECT_GE(rose->nanoseconds - fell->nanoseconds, 21 * 10'000) << "21 short pauses";
    const auto released = std::find_if(held, changes.end(), change("SDA", true));
    ASSERT_NE(released, changes.end());
    EXPECT_GE(released->nanoseconds, rose->nanoseconds);
}

TEST(DeviceTrace, ProgrammingDecodesPageByPageWithTheFilesData)
{
    QTemporaryDir dir;
    QByteArray bytes(512, 0);
    for (int i = 0; i < 512; ++i)
        bytes[i] = char(i * 13 + 7);
    const QString file = dir.filePath(u"a.plm"_s);
    const QString trace = dir.filePath(u"bus.vcd"_s);
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    QProcess process;
    process.start(QStringLiteral(PELLMORA_CLI), {u"program"_s, file, u"--sim-memory"_s, u"none"_s,
                                                 u"--eeprom-speed"_s, u"2000"_s, u"--trace"_s, trace});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    QFile in(trace);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    I2cDecoder decoder;
    ASSERT_TRUE(decoder.decode(in.readAll()));

    // The page writes: an acknowledged write select followed by data.
    std::vector<I2cFrame> pages;
    for (const I2cFrame &frame : decoder.frames) {
        if (frame.size() > 1 && frame[0].acknowledged && (frame[0].value & 0xF1) == 0xA0)
            pages.push_back(frame);
    }
    // 32 pages, then the verification's address phase (select and word address).
    ASSERT_EQ(pages.size(), 33u);
    for (int page = 0; page < 32; ++page) {
        SCOPED_TRACE(page);
        const int address = page * 16;
        const I2cFrame &frame = pages[page];
        ASSERT_EQ(frame.size(), 18u);
        EXPECT_EQ(frame[0].value, address < 256 ? 0xA0 : 0xA2);
        EXPECT_EQ(frame[1].value, address & 0xFF);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(frame[2 + i].value, quint8(bytes[address + i])) << i;
            EXPECT_TRUE(frame[2 + i].acknowledged);
        }
    }

    // The verification reads all 512 bytes back after a repeated start.
    const I2cFrame &read = decoder.frames.back();
    ASSERT_EQ(read.size(), 513u);
    EXPECT_EQ(read[0].value, 0xA1);
    for (int i = 0; i < 512; ++i) {
        EXPECT_EQ(read[1 + i].value, quint8(bytes[i])) << i;
        EXPECT_EQ(read[1 + i].acknowledged, i < 511) << i;
    }
    EXPECT_GE(decoder.stops, 32);
}

} // namespace
