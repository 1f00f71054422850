#include "sim/BusTrace.h"

#include "model/FileReplacement.h"
#include "port/InterfaceLines.h"

#include <QElapsedTimer>

#include <array>

using namespace pellmora::port;

namespace pellmora::sim {

namespace {

// Enough for hours of bus traffic at the highest speed; beyond it the trace
// stops growing instead of exhausting memory.
constexpr size_t SampleLimit = 16'000'000;

struct TraceWire {
    TraceLine line;
    char id;
    const char *name;
};

// Identifiers avoid '#' and '$', which readers take for time stamps and
// keywords when they start a word.
constexpr std::array<TraceWire, 6> Wires{{
    {TraceScl, '!', "SCL"},
    {TraceSda, '"', "SDA"},
    {TraceSdaOut, '%', "SDA_OUT"},
    {TraceDsr, '&', "DSR"},
    {TraceCts, '\'', "CTS"},
    {TraceSupply, '(', "SUPPLY"},
}};

quint8 traceBits(const SimulatedSwitch::Lines &l)
{
    return quint8((l.scl ? TraceScl : 0) | (l.sda ? TraceSda : 0) | (l.sdaOut ? TraceSdaOut : 0)
                  | (l.dsr ? TraceDsr : 0) | (l.cts ? TraceCts : 0) | (l.supply ? TraceSupply : 0));
}

void appendChanges(QByteArray &out, quint8 before, quint8 after, bool all)
{
    for (const TraceWire &wire : Wires) {
        if (all || ((before ^ after) & wire.line)) {
            out += (after & wire.line) ? '1' : '0';
            out += wire.id;
            out += '\n';
        }
    }
}

} // namespace

// The samples, shared with the simulation's line observer so that either
// side may go away first.
class TraceRecording {
public:
    TraceRecording() { timer.start(); }

    void record(quint8 lines)
    {
        if (!samples.empty() && samples.back().lines == lines)
            return;
        if (samples.size() >= SampleLimit) {
            truncated = true;
            return;
        }
        qint64 now = timer.nsecsElapsed();
        // Two changes within one clock tick still get their own, later stamp,
        // so that no pulse disappears from the file.
        if (!samples.empty() && now <= samples.back().nanoseconds)
            now = samples.back().nanoseconds + 1;
        samples.push_back({now, lines});
    }

    QElapsedTimer timer;
    std::vector<TraceSample> samples;
    bool truncated = false;
};

BusTrace::BusTrace(port::PortIo &inner, const quint16 &portBase)
    : inner_(inner), portBase_(portBase), recording_(std::make_shared<TraceRecording>())
{
    recording_->samples.reserve(1 << 16);
}

BusTrace::~BusTrace() = default;

void BusTrace::attach(SimulatedSwitch &simulation)
{
    attached_ = true;
    std::shared_ptr<TraceRecording> recording = recording_;
    simulation.setLineObserver(
        [recording](const SimulatedSwitch::Lines &lines) { recording->record(traceBits(lines)); });
}

quint8 BusTrace::PortIn(quint16 address)
{
    const quint8 value = inner_.PortIn(address);
    if (attached_)
        return value;
    if (address == portBase_ + uart::ModemStatus)
        msr_ = value;
    else if (address == portBase_ + uart::ModemControl)
        mcr_ = value;
    else if (address == portBase_ + uart::LineControl)
        lcr_ = value;
    else
        return value;
    recordFromRegisters();
    return value;
}

void BusTrace::PortOut(quint16 address, quint8 value)
{
    inner_.PortOut(address, value);
    if (attached_)
        return;
    if (address == portBase_ + uart::ModemControl)
        mcr_ = value;
    else if (address == portBase_ + uart::LineControl)
        lcr_ = value;
    else
        return;
    recordFromRegisters();
}

// Without a model of the bus the master sees SCL as it drives it, and SDA as
// its own output pulled down by whatever the last DSR read showed.
void BusTrace::recordFromRegisters()
{
    SimulatedSwitch::Lines lines;
    lines.scl = mcr_ & port::SclBit;
    lines.sdaOut = mcr_ & port::SdaOutBit;
    lines.dsr = msr_ & port::SdaInBit;
    lines.sda = lines.sdaOut && lines.dsr;
    lines.cts = msr_ & port::PresenceBit;
    lines.supply = lcr_ & uart::SetBreak;
    recording_->record(traceBits(lines));
}

std::vector<TraceSample> BusTrace::samples() const
{
    return recording_->samples;
}

bool BusTrace::truncated() const
{
    return recording_->truncated;
}

QByteArray BusTrace::vcd() const
{
    QByteArray out;
    out += "$version Pellmora bus trace $end\n";
    if (recording_->truncated)
        out += "$comment recording limit reached: later changes are missing $end\n";
    out += "$timescale 1ns $end\n";
    out += "$scope module interface $end\n";
    for (const TraceWire &wire : Wires)
        out += "$var wire 1 " + QByteArray(1, wire.id) + ' ' + wire.name + " $end\n";
    out += "$upscope $end\n$enddefinitions $end\n";

    const std::vector<TraceSample> &samples = recording_->samples;
    if (samples.empty()) {
        out += "#0\n$dumpvars\n";
        appendChanges(out, 0, 0, true);
        out += "$end\n";
        return out;
    }
    out += '#' + QByteArray::number(samples.front().nanoseconds) + "\n$dumpvars\n";
    appendChanges(out, 0, samples.front().lines, true);
    out += "$end\n";
    for (size_t i = 1; i < samples.size(); ++i) {
        out += '#' + QByteArray::number(samples[i].nanoseconds) + '\n';
        appendChanges(out, samples[i - 1].lines, samples[i].lines, false);
    }
    return out;
}

bool BusTrace::write(const QString &path, QString *error) const
{
    if (const model::FileReplacement written = model::replaceFile(path, vcd()); !written) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, written.reason);
        return false;
    }
    return true;
}

} // namespace pellmora::sim
