#include "sim/SimOptions.h"

#include <QDir>

#include <array>

namespace pellmora::sim {

namespace {

struct FaultName {
    Fault fault;
    const char *name;
};

constexpr std::array<FaultName, 12> FaultNames{{
    {Fault::NoInterface, "no-interface"},
    {Fault::NoisyPort, "noisy-port"},
    {Fault::SdaStuckLow, "sda-stuck-low"},
    {Fault::SilentPic, "silent-pic"},
    {Fault::WrongEcho, "wrong-echo"},
    {Fault::NoEeprom, "no-eeprom"},
    {Fault::EndlessWrite, "endless-write"},
    {Fault::FlipBit, "flip-bit"},
    {Fault::BadClockReply, "bad-clock-reply"},
    {Fault::PulledCable, "pulled-cable"},
    {Fault::BreakRefused, "break-refused"},
    {Fault::ShortBreak, "short-break"},
}};

} // namespace

std::optional<Fault> faultFromName(QStringView name)
{
    for (const FaultName &entry : FaultNames) {
        if (name == QLatin1String(entry.name))
            return entry.fault;
    }
    return std::nullopt;
}

QString faultName(Fault fault)
{
    for (const FaultName &entry : FaultNames) {
        if (entry.fault == fault)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

QStringList faultNames()
{
    QStringList names;
    for (const FaultName &entry : FaultNames)
        names << QString::fromLatin1(entry.name);
    return names;
}

QString defaultMemoryPath()
{
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || QDir::isRelativePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    return stateHome + QStringLiteral("/pellmora/simulated-eeprom.bin");
}

} // namespace pellmora::sim
