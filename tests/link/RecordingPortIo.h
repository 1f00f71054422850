#pragma once

// A PortIo for tests: a bank of registers that records every access in order,
// with hooks through which a fake device answers reads and sees writes, and a
// renderer that turns the recorded accesses of one UART block back into line
// operations, so that bus sequences can be asserted as they would be drawn.

#include "port/PortIo.h"

#include <QtGlobal>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellmora::test {
using namespace pellmora::port;

struct PortAccess {
    enum class Kind { In, Out, Delay };
    Kind kind;
    quint16 address = 0;
    quint8 value = 0;
    bool operator==(const PortAccess &) const = default;
};

inline PortAccess In(quint16 address, quint8 value) { return {PortAccess::Kind::In, address, value}; }
inline PortAccess Out(quint16 address, quint8 value) { return {PortAccess::Kind::Out, address, value}; }

class RecordingPortIo : public PortIo {
public:
    // Value a read returns unless readHook answers; writes store here too.
    std::map<quint16, quint8> registers;
    // Answers a read instead of the register bank (nullopt = use the bank).
    std::function<std::optional<quint8>(quint16)> readHook;
    // Sees every write after it was stored.
    std::function<void(quint16, quint8)> writeHook;
    std::vector<PortAccess> log;

    quint8 PortIn(quint16 address) override
    {
        std::optional<quint8> value;
        if (readHook)
            value = readHook(address);
        const quint8 result = value ? *value : registers[address];
        log.push_back(In(address, result));
        return result;
    }

    void PortOut(quint16 address, quint8 value) override
    {
        registers[address] = value;
        log.push_back(Out(address, value));
        if (writeHook)
            writeHook(address, value);
    }

    // Hook for Link::setDelayObserver: puts a BitDelay into the log.
    void markDelay() { log.push_back({PortAccess::Kind::Delay}); }

    std::size_t countReads(quint16 address) const
    {
        std::size_t n = 0;
        for (const PortAccess &a : log)
            n += a.kind == PortAccess::Kind::In && a.address == address;
        return n;
    }
    std::size_t countWrites() const
    {
        std::size_t n = 0;
        for (const PortAccess &a : log)
            n += a.kind == PortAccess::Kind::Out;
        return n;
    }
};

// Renders the log as line operations on the block at `base`, separated by
// blanks:
//   "Cd"   a modem-control read-modify-write followed by the modem-status
//          read: the bus lines after it, upper case = high (C = SCL, D = SDA)
//   "?"    a modem-status read on its own (a sample of SDA)
//   "w"    one BitDelay
//   "L=c3" a line-control write with its value
//   anything else as "in:2fd" or "out:3f8=12".
inline std::string LineOperations(const std::vector<PortAccess> &log, quint16 base)
{
    using K = PortAccess::Kind;
    const auto hex = [](unsigned v, int width) {
        std::string s;
        for (int i = width - 1; i >= 0; --i)
            s += "0123456789abcdef"[(v >> (4 * i)) & 0xF];
        return s;
    };
    std::string out;
    const auto add = [&](const std::string &token) {
        if (!out.empty())
            out += ' ';
        out += token;
    };
    for (std::size_t i = 0; i < log.size(); ++i) {
        const PortAccess &a = log[i];
        const bool isRmw = a.kind == K::In && a.address == base + 4 && i + 2 < log.size()
            && log[i + 1].kind == K::Out && log[i + 1].address == base + 4 && log[i + 2].kind == K::In
            && log[i + 2].address == base + 6;
        if (isRmw) {
            const quint8 v = log[i + 1].value;
            add(std::string((v & 1) ? "C" : "c") + ((v & 2) ? "D" : "d"));
            i += 2;
        } else if (a.kind == K::Delay) {
            add("w");
        } else if (a.kind == K::In && a.address == base + 6) {
            add("?");
        } else if (a.kind == K::In && a.address == base + 3 && i + 1 < log.size()
                   && log[i + 1].kind == K::Out && log[i + 1].address == base + 3) {
            add("L=" + hex(log[i + 1].value, 2));
            ++i;
        } else if (a.kind == K::In) {
            add("in:" + hex(a.address, 3));
        } else {
            add("out:" + hex(a.address, 3) + "=" + hex(a.value, 2));
        }
    }
    return out;
}

// The SDA level at every rising edge of SCL in the log (the bits the bus
// carried), as a string of 0 and 1. SDA is taken as the master drives it.
inline std::string ClockedBits(const std::vector<PortAccess> &log, quint16 base, quint8 initialModemControl)
{
    std::string bits;
    quint8 previous = initialModemControl;
    for (const PortAccess &a : log) {
        if (a.kind != PortAccess::Kind::Out || a.address != base + 4)
            continue;
        if (!(previous & 1) && (a.value & 1))
            bits += (a.value & 2) ? '1' : '0';
        previous = a.value;
    }
    return bits;
}

} // namespace pellmora::test
