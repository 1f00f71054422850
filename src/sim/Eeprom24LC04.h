#pragma once

#include "sim/I2cTarget.h"

#include <QByteArray>

#include <array>
#include <functional>

namespace pellmora::sim {

// The 24LC04 serial memory: 512 bytes in two blocks of 256, selected by
// 1010xxB R (the x bits are not decoded), 16-byte write pages whose address
// wraps inside the page, a write cycle started only by a stop condition
// right after a data byte's acknowledge and during which no select byte is
// acknowledged, and sequential reads that run across the blocks and from
// 0x1FF back to 0x000.
class Eeprom24LC04 : public I2cDevice {
public:
    static constexpr int Size = 512;
    static constexpr int PageSize = 16;
    static constexpr qint64 WriteCycleNanoseconds = 5'000'000;
    // The cell whose bit FlippedBit reads back inverted when reads flip a bit.
    static constexpr quint16 FlippedAddress = 0x123;
    static constexpr quint8 FlippedBit = 0x10;

    struct Behaviour {
        int writeCycleSelects = 0; // 0 = real time, N = N refused selects
        bool endlessWrite = false; // the write cycle never ends
        bool flipBit = false;      // FlippedAddress reads with FlippedBit inverted
        // The monotonic clock in nanoseconds that times the write cycle;
        // empty = the system's steady clock.
        std::function<qint64()> monotonicNanos;
    };

    explicit Eeprom24LC04(Behaviour behaviour);

    QByteArray cells() const;
    void setCells(const QByteArray &bytes);
    bool writeCycleRunning();
    // The supply fell. A write cycle that had run less than
    // WriteCycleNanoseconds leaves its page erased but not programmed.
    void supplyLost();
    // Called when a write cycle has finished and its page is in the cells.
    void onWriteCycleFinished(std::function<void()> callback) { finished_ = std::move(callback); }

    void started() override;
    void stopped(bool atByteBoundary) override;
    Reply received(quint8 byte, bool select) override;
    quint8 transmit() override;

private:
    enum class Command { None, WordAddress, Data };

    Reply select(quint8 byte);
    void refuseSelectWhileBusy();
    void beginWriteCycle();
    void finishWriteCycle();

    Behaviour behaviour_;
    std::array<quint8, Size> cells_{};
    quint16 pointer_ = 0; // nine address bits
    Command command_ = Command::None;
    quint16 writeBlock_ = 0;
    std::array<quint8, PageSize> page_{};
    std::array<bool, PageSize> loaded_{};
    int dataBytes_ = 0;
    bool busy_ = false;
    int refusalsLeft_ = 0;
    quint16 cycleBase_ = 0; // the page the write cycle programs
    qint64 cycleStartedAt_ = 0;
    std::function<void()> finished_;
};

} // namespace pellmora::sim
