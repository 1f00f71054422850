#include "model/ProgramHeader.h"

#include "model/Cp1250.h"

#include <array>

namespace pellmora::model {

namespace {

struct PeriodRow {
    int periods;
    quint8 lastPeriod;
    quint16 capacity;
};

constexpr std::array<PeriodRow, MaxPeriodCode + 1> periodTable{{
    {1, 0, 248},
    {2, 1, 124},
    {4, 3, 62},
    {6, 5, 41},
    {8, 7, 31},
}};

const PeriodRow &rowFor(int periodCode)
{
    return periodTable[IsValidPeriodCode(periodCode) ? periodCode : 0];
}

void setBit(quint16 &word, quint16 bit, bool on)
{
    word = static_cast<quint16>(on ? word | bit : word & ~bit);
}

QByteArray nameBytes(const DeviceImage &image)
{
    QByteArray bytes;
    for (int k = 0; k < header::NameBytes; ++k)
        bytes.append(static_cast<char>(image.byteAt(2 * header::NameFirstWord + k)));
    return bytes;
}

// LastPeriod and SegmentCapacity from PeriodCode. The period on view stays
// while it still exists, and the segment start follows it.
void derivePeriodQuantities(ProgramSettings &s)
{
    s.LastPeriod = LastPeriodFor(s.PeriodCode);
    s.SegmentCapacity = SegmentCapacityFor(s.PeriodCode);
    if (s.CurrentPeriod > s.LastPeriod)
        s.CurrentPeriod = 0;
    s.SegmentStart = static_cast<quint16>(s.SegmentCapacity * s.CurrentPeriod);
}

} // namespace

bool IsValidPeriodCode(int code)
{
    return code >= 0 && code <= MaxPeriodCode;
}

int PeriodCount(int periodCode)
{
    return rowFor(periodCode).periods;
}

quint16 SegmentCapacityFor(int periodCode)
{
    return rowFor(periodCode).capacity;
}

quint8 LastPeriodFor(int periodCode)
{
    return rowFor(periodCode).lastPeriod;
}

int PeriodCodeOf(int periods)
{
    for (int code = 0; code <= MaxPeriodCode; ++code) {
        if (periodTable[code].periods == periods)
            return code;
    }
    return -1;
}

ProgramSettings InitialSettings()
{
    return ProgramSettings{};
}

bool PackHeader(Program &program)
{
    const ProgramSettings &s = program.settings;
    quint16 &flags = program.image.words[header::FlagsWord];
    setBit(flags, header::MultiPeriodBit, s.LastPeriod != 0);
    setBit(flags, header::RandomDelaysBit, s.RandomDelays);
    setBit(flags, header::MemoryLockedBit, s.MemoryLocked);
    setBit(flags, header::CalibrationLateBit, s.CalibrationLate);
    setBit(flags, header::FastModeBit, s.FastMode);
    flags = static_cast<quint16>((flags & ~(header::CalibrationMask | header::PeriodCodeMask))
                                 | s.CalibrationValue
                                 | ((s.PeriodCode & 0x7) << header::PeriodCodeShift));

    program.image.words[header::StartUpWord] = s.StartUpMinutes;
    program.image.words[header::IdWord] = s.DeviceId;

    bool held = false;
    QByteArray name = toCp1250(s.DeviceName, &held);
    held = held && name.size() <= header::NameBytes;
    name = name.left(header::NameBytes);
    name.append(QByteArray(header::NameBytes - name.size(), '\0'));
    for (int k = 0; k < header::NameBytes; ++k)
        program.image.setByteAt(2 * header::NameFirstWord + k, static_cast<quint8>(name[k]));
    return held;
}

bool UnpackHeader(Program &program)
{
    ProgramSettings &s = program.settings;
    const quint16 flags = program.image.words[header::FlagsWord];
    s.RandomDelays = flags & header::RandomDelaysBit;
    s.MemoryLocked = flags & header::MemoryLockedBit;
    s.FastMode = flags & header::FastModeBit;
    s.CalibrationLate = flags & header::CalibrationLateBit;

    const int code = (flags & header::PeriodCodeMask) >> header::PeriodCodeShift;
    const bool fellBack = !IsValidPeriodCode(code);
    s.PeriodCode = static_cast<quint8>(fellBack ? 0 : code);
    derivePeriodQuantities(s);

    s.CalibrationValue = static_cast<quint8>(flags & header::CalibrationMask);
    s.StartUpMinutes = program.image.words[header::StartUpWord];
    s.DeviceId = program.image.words[header::IdWord];
    s.DeviceName = TrimDeviceName(fromCp1250(nameBytes(program.image)));
    return fellBack;
}

void ApplyPeriodCode(Program &program, int periodCode)
{
    ProgramSettings &s = program.settings;
    s.PeriodCode = static_cast<quint8>(IsValidPeriodCode(periodCode) ? periodCode : 0);
    derivePeriodQuantities(s);
    quint16 &flags = program.image.words[header::FlagsWord];
    setBit(flags, header::MultiPeriodBit, s.LastPeriod != 0);
    flags = static_cast<quint16>((flags & ~header::PeriodCodeMask)
                                 | (s.PeriodCode << header::PeriodCodeShift));
}

QString RawDeviceName(const DeviceImage &image)
{
    QByteArray bytes = nameBytes(image);
    while (!bytes.isEmpty() && bytes.back() == '\0')
        bytes.chop(1);
    return fromCp1250(bytes);
}

QString TrimDeviceName(const QString &name)
{
    auto blankOrControl = [](QChar ch) { return ch.unicode() <= 0x20; };
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && blankOrControl(name[first]))
        ++first;
    while (last > first && blankOrControl(name[last - 1]))
        --last;
    return name.mid(first, last - first);
}

} // namespace pellmora::model
