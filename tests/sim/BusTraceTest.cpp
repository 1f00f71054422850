#include "SimBench.h"

#include "sim/BusTrace.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace pellmora;
using namespace pellmora::port;
using namespace pellmora::link;
using namespace pellmora::sim;

namespace pellmora::sim::test {
namespace {

// A VCD file read back: the wire names by identifier and every value change
// in file order.
struct VcdChange {
    qint64 time;
    QByteArray wire;
    bool level;
};

struct Vcd {
    QByteArray timescale;
    QList<QByteArray> wires; // in declaration order
    std::vector<VcdChange> changes;
    bool timesIncrease = true;
};

Vcd parseVcd(const QByteArray &text)
{
    Vcd vcd;
    QHash<QByteArray, QByteArray> names;
    bool definitions = true;
    qint64 time = -1;
    const QList<QByteArray> tokens = text.simplified().split(' ');
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QByteArray &t = tokens[i];
        if (definitions) {
            if (t == "$timescale")
                vcd.timescale = tokens.value(i + 1);
            if (t == "$var" && i + 4 < tokens.size() && tokens[i + 1] == "wire" && tokens[i + 2] == "1") {
                names.insert(tokens[i + 3], tokens[i + 4]);
                vcd.wires << tokens[i + 4];
            }
            if (t == "$enddefinitions")
                definitions = false;
            continue;
        }
        if (t.startsWith('#')) {
            const qint64 next = t.mid(1).toLongLong();
            if (next <= time)
                vcd.timesIncrease = false;
            time = next;
        } else if ((t.startsWith('0') || t.startsWith('1')) && names.contains(t.mid(1))) {
            vcd.changes.push_back({time, names.value(t.mid(1)), t.startsWith('1')});
        }
    }
    return vcd;
}

// A minimal I2C decoder as a logic analyser runs it over SCL and SDA:
// "S" start, "P" stop, and each byte as two hex digits with "+" when the
// ninth bit was low (acknowledged) or "-" when it was high.
QStringList decodeI2c(const Vcd &vcd)
{
    QStringList out;
    bool scl = false, sda = false, inTransfer = false;
    int bits = 0;
    int value = 0;
    for (const VcdChange &c : vcd.changes) {
        if (c.wire == "SDA") {
            if (scl && sda != c.level) {
                out << (c.level ? QStringLiteral("P") : QStringLiteral("S"));
                inTransfer = !c.level;
                bits = 0;
                value = 0;
            }
            sda = c.level;
        } else if (c.wire == "SCL") {
            if (!scl && c.level && inTransfer) {
                if (bits < 8) {
                    value = (value << 1) | (sda ? 1 : 0);
                    ++bits;
                } else {
                    out << QStringLiteral("%1%2").arg(value, 2, 16, QLatin1Char('0')).arg(sda ? '-' : '+').toUpper();
                    bits = 0;
                    value = 0;
                }
            }
            scl = c.level;
        }
    }
    return out;
}

TEST(BusTrace, TraceOfATransferDecodesAsI2c)
{
    SimBench bench;
    BusTrace trace(bench.sim, bench.state.PortBase);
    trace.attach(bench.sim);
    Link link(trace, bench.state);
    std::array<quint8, 512> image{};
    image[0x10] = 0x01;
    image[0x11] = 0x02;
    image[0x12] = 0x03;

    link.LinkPowerOn();
    link.SetEepromBlock(0);
    ASSERT_TRUE(link.EepromWrite(image, 3, 0x10, 16));
    ASSERT_TRUE(bench.awaitWriteCycle()); // by the inner link, still on the traced bus
    std::array<quint8, 512> back{};
    ASSERT_TRUE(link.EepromRead(back, 3, 0x10));
    link.SetEepromBlock(1);
    ASSERT_TRUE(link.EepromRead(back, 1, 0xFF));

    const Vcd vcd = parseVcd(trace.vcd());
    EXPECT_EQ(vcd.timescale, "1ns");
    EXPECT_EQ(vcd.wires, (QList<QByteArray>{"SCL", "SDA", "SDA_OUT", "DSR", "CTS", "SUPPLY"}));
    EXPECT_TRUE(vcd.timesIncrease);
    for (const QByteArray &line : trace.vcd().split('\n')) {
        const QByteArray id = line.split(' ').value(3);
        if (line.startsWith("$var")) {
            EXPECT_FALSE(id.startsWith('#') || id.startsWith('$')) << line.toStdString() << ": misread as a keyword";
        }
    }
    // Both lines rise together when the supply comes on: an analyser sees a stop.
    EXPECT_EQ(decodeI2c(vcd).join(QLatin1Char(' ')).toStdString(),
              "P S A0+ 10+ 01+ 02+ 03+ P P "
              "S A0- P S A0+ P "
              "S A0+ 10+ S A1+ 01+ 02+ 03- P "
              "S A2+ FF+ S A3+ FF- P");
}

TEST(BusTrace, AttachedTraceShowsTheDeviceOnTheDataLine)
{
    SimBench bench;
    BusTrace trace(bench.sim, bench.state.PortBase);
    trace.attach(bench.sim);
    Link link(trace, bench.state);
    link.LinkPowerOn();
    link.I2cStart();
    ASSERT_EQ(link.I2cSendByte(0xA0), Ack::Given); // acknowledged by the memory
    link.I2cStop();

    // During the acknowledge the master's output is high while the bus is low.
    bool pulledByDevice = false;
    for (const TraceSample &s : trace.samples()) {
        if ((s.lines & TraceSdaOut) && !(s.lines & TraceSda) && (s.lines & TraceSupply))
            pulledByDevice = true;
    }
    EXPECT_TRUE(pulledByDevice);
    const std::vector<TraceSample> samples = trace.samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.back().lines, TraceScl | TraceSda | TraceSdaOut | TraceDsr | TraceCts | TraceSupply);
}

// The power-on wait lets the interface's supply settle before the master
// moves a line, and a cable pulled after two bytes leaves a dead bus and an
// open presence input behind.
TEST(BusTrace, SupplySettlesBeforeTheBusMovesAndAPulledCableShows)
{
    SimBench bench(simOptions({Fault::PulledCable}));
    BusTrace trace(bench.sim, bench.state.PortBase);
    trace.attach(bench.sim);
    Link link(trace, bench.state);
    std::array<quint8, 512> image{};
    link.LinkPowerOn();
    link.SetEepromBlock(0);
    link.EepromRead(image, 16, 0x20);

    const std::vector<TraceSample> samples = trace.samples();
    const auto supplied = std::find_if(samples.begin(), samples.end(),
                                       [](const TraceSample &s) { return (s.lines & TraceSupply) != 0; });
    ASSERT_NE(supplied, samples.end());
    ASSERT_NE(supplied + 1, samples.end());
    EXPECT_GE((supplied + 1)->nanoseconds - supplied->nanoseconds, 20'000'000)
        << "from the supply edge to the next line change";
    EXPECT_EQ(decodeI2c(parseVcd(trace.vcd())).join(QLatin1Char(' ')).toStdString(), "P S A0+ 20+");
    EXPECT_EQ(samples.back().lines & (TraceCts | TraceDsr | TraceScl | TraceSda), 0);
}

// A port with registers a test can set, standing in for a real backend.
struct FakePort : PortIo {
    std::map<quint16, quint8> registers;
    quint8 PortIn(quint16 address) override { return registers[address]; }
    void PortOut(quint16 address, quint8 value) override { registers[address] = value; }
};

TEST(BusTrace, WithoutSimulationTheLinesComeFromTheRegisters)
{
    struct Step {
        const char *what;
        bool write;
        quint16 address;
        quint8 value;
        quint8 expected; // lines after the step
    };
    const Step steps[] = {
        {"supply on", true, 0x2FB, 0xC3, TraceSupply},
        {"DTR and RTS", true, 0x2FC, 0x0B, TraceSupply | TraceScl | TraceSdaOut},
        {"DSR and CTS read", false, 0x2FE, 0x30,
         TraceSupply | TraceScl | TraceSdaOut | TraceDsr | TraceCts | TraceSda},
        {"another port's lines are not ours", true, 0x3FC, 0x00,
         TraceSupply | TraceScl | TraceSdaOut | TraceDsr | TraceCts | TraceSda},
        {"device pulls data low", false, 0x2FE, 0x10, TraceSupply | TraceScl | TraceSdaOut | TraceCts},
        {"master pulls data low", true, 0x2FC, 0x09, TraceSupply | TraceScl | TraceCts},
        {"supply off", true, 0x2FB, 0x03, TraceScl | TraceCts},
    };
    FakePort port;
    LinkState state;
    state.PortBase = 0x2F8;
    BusTrace trace(port, state.PortBase);
    size_t recorded = 0;
    for (const Step &s : steps) {
        if (s.write) {
            trace.PortOut(s.address, s.value);
            EXPECT_EQ(port.registers[s.address], s.value) << s.what << ": passed through";
        } else {
            port.registers[s.address] = s.value;
            EXPECT_EQ(trace.PortIn(s.address), s.value) << s.what << ": passed through";
        }
        const std::vector<TraceSample> samples = trace.samples();
        ASSERT_FALSE(samples.empty()) << s.what;
        EXPECT_EQ(samples.back().lines, s.expected) << s.what;
        recorded = samples.size();
    }
    EXPECT_EQ(recorded, 6u) << "a step that changes no line adds no sample";
}

TEST(BusTrace, EitherSideMayGoFirst)
{
    auto sim = std::make_unique<SimulatedSwitch>(simOptions());
    LinkState state;
    state.PortBase = 0x3F8;
    {
        BusTrace early(*sim, state.PortBase);
        early.attach(*sim);
    }
    sim->PortOut(0x3FC, 0x03); // the trace is gone; its recording is not
    auto trace = std::make_unique<BusTrace>(*sim, state.PortBase);
    trace->attach(*sim);
    trace->PortOut(0x3FB, 0xC0);
    sim.reset();
    EXPECT_FALSE(trace->samples().empty());
    EXPECT_FALSE(trace->vcd().isEmpty());
}

TEST(BusTrace, WritesTheFileWholeOrReportsWhy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimBench bench;
    BusTrace trace(bench.sim, bench.state.PortBase);
    trace.attach(bench.sim);
    trace.PortOut(0x3FB, 0xC0);

    const QString path = dir.filePath(QStringLiteral("bus.vcd"));
    QString error;
    ASSERT_TRUE(trace.write(path, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), trace.vcd());

    const QString impossible = dir.filePath(QStringLiteral("missing/dir/bus.vcd"));
    EXPECT_FALSE(trace.write(impossible, &error));
    EXPECT_TRUE(error.contains(impossible)) << error.toStdString();
}

} // namespace
} // namespace pellmora::sim::test
