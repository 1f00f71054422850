#pragma once

#include "sim/SimulatedSwitch.h"
#include "link/Link.h"
#include "link/LinkState.h"

#include <QByteArray>

#include <array>
#include <vector>

namespace pellmora::sim::test {
using namespace pellmora::link;
using namespace pellmora::sim;

inline SimOptions simOptions(QList<Fault> faults = {}, int writeCycleSelects = 1)
{
    SimOptions o;
    o.port = 0;
    o.faults = std::move(faults);
    o.writeCycleSelects = writeCycleSelects;
    return o;
}

// A simulated switch on COM1 driven through the real link at loop count 0,
// with the write cycle counted in refused selects so that runs are
// deterministic.
struct SimBench {
    explicit SimBench(SimOptions options = simOptions()) : sim(std::move(options)), link(sim, state)
    {
        state.SelectedPort = sim.options().port;
        state.PortBase = Link::ComPortBase(sim.options().port);
        state.LoopCount = 0;
        state.EEPROM_Loop = 0;
        state.PICmicro_Loop = 0;
    }

    // One raw bus transfer: start, the bytes, stop. Returns the acknowledge of
    // each byte sent (true = acknowledged) until the first refusal.
    std::vector<bool> send(std::initializer_list<quint8> bytes, bool stop = true)
    {
        std::vector<bool> acks;
        link.I2cStart();
        for (quint8 b : bytes) {
            acks.push_back(link.I2cSendByte(b) == Ack::Given);
            if (!acks.back())
                break;
        }
        if (stop)
            link.I2cStop();
        return acks;
    }

    // Random read of `count` bytes from `address` (nine bits) with the raw
    // bus operations: select, word address, repeated start, read select.
    QByteArray readAt(quint16 address, int count)
    {
        const quint8 block = quint8((address >> 7) & 0x02);
        QByteArray out;
        link.I2cStart();
        if (link.I2cSendByte(quint8(0xA0 | block)) == Ack::Refused
            || link.I2cSendByte(quint8(address & 0xFF)) == Ack::Refused) {
            link.I2cStop();
            return out;
        }
        link.I2cStart();
        if (link.I2cSendByte(quint8(0xA1 | block)) == Ack::Refused) {
            link.I2cStop();
            return out;
        }
        for (int i = 0; i < count; ++i)
            out.append(char(i + 1 < count ? link.I2cReadByte() : link.I2cReadLastByte()));
        link.I2cStop();
        return out;
    }

    bool writeImage(std::span<quint8, 512> image)
    {
        link.LinkPowerOn();
        link.SetEepromBlock(0);
        return link.EepromWrite(image, 512, 0, 16);
    }

    // Polls the memory until its write cycle is over (select acknowledged).
    bool awaitWriteCycle(int polls = 100)
    {
        for (int i = 0; i < polls; ++i) {
            if (send({0xA0}) == std::vector<bool>{true})
                return true;
        }
        return false;
    }

    bool readImage(std::span<quint8, 512> image)
    {
        link.LinkPowerOn();
        link.SetEepromBlock(0);
        return link.EepromRead(image, 512, 0);
    }

    LinkState state;
    SimulatedSwitch sim;
    Link link;
};

inline std::array<quint8, 512> patternImage(quint8 seed = 0)
{
    std::array<quint8, 512> image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = quint8(i * 7 + seed + (i >> 8));
    return image;
}

inline QByteArray toBytes(const std::array<quint8, 512> &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

} // namespace pellmora::sim::test
