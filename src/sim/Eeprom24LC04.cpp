#include "sim/Eeprom24LC04.h"

#include <chrono>

namespace pellmora::sim {

namespace {

constexpr quint8 DeviceCodeMask = 0xF0;
constexpr quint8 DeviceCode = 0xA0;
constexpr quint8 BlockBit = 0x02;
constexpr quint8 ReadBit = 0x01;
constexpr quint16 AddressMask = 0x1FF;

} // namespace

Eeprom24LC04::Eeprom24LC04(Behaviour behaviour) : behaviour_(std::move(behaviour))
{
    cells_.fill(0xFF); // a fresh memory reads erased
    if (!behaviour_.monotonicNanos) {
        behaviour_.monotonicNanos = [] {
            using namespace std::chrono;
            return qint64(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
        };
    }
}

QByteArray Eeprom24LC04::cells() const
{
    return QByteArray(reinterpret_cast<const char *>(cells_.data()), Size);
}

void Eeprom24LC04::setCells(const QByteArray &bytes)
{
    cells_.fill(0xFF);
    const qsizetype n = std::min<qsizetype>(bytes.size(), Size);
    for (qsizetype i = 0; i < n; ++i)
        cells_[size_t(i)] = quint8(bytes[i]);
}

bool Eeprom24LC04::writeCycleRunning()
{
    if (!busy_ || behaviour_.endlessWrite || behaviour_.writeCycleSelects > 0)
        return busy_;
    if (behaviour_.monotonicNanos() - cycleStartedAt_ >= WriteCycleNanoseconds)
        finishWriteCycle();
    return busy_;
}

void Eeprom24LC04::started()
{
    // A start (also a repeated one) abandons a page not yet closed by a stop.
    command_ = Command::None;
    dataBytes_ = 0;
}

void Eeprom24LC04::stopped(bool atByteBoundary)
{
    if (command_ == Command::Data && dataBytes_ > 0 && atByteBoundary)
        beginWriteCycle();
    command_ = Command::None;
    dataBytes_ = 0;
}

I2cDevice::Reply Eeprom24LC04::received(quint8 byte, bool isSelect)
{
    if (isSelect)
        return select(byte);
    switch (command_) {
    case Command::WordAddress:
        pointer_ = quint16(writeBlock_ | byte);
        page_.fill(0xFF);
        loaded_.fill(false);
        command_ = Command::Data;
        return {true, NextByte::Receive};
    case Command::Data: {
        const int offset = pointer_ % PageSize;
        page_[size_t(offset)] = byte;
        loaded_[size_t(offset)] = true;
        ++dataBytes_;
        // The address runs on inside the page and wraps at its end.
        pointer_ = quint16((pointer_ & ~(PageSize - 1)) | ((offset + 1) % PageSize));
        return {true, NextByte::Receive};
    }
    case Command::None:
        break;
    }
    return {};
}

I2cDevice::Reply Eeprom24LC04::select(quint8 byte)
{
    if ((byte & DeviceCodeMask) != DeviceCode)
        return {};
    if (writeCycleRunning()) {
        refuseSelectWhileBusy();
        return {};
    }
    const quint16 block = (byte & BlockBit) ? 0x100 : 0x000;
    if (byte & ReadBit) {
        pointer_ = quint16(block | (pointer_ & 0xFF));
        return {true, NextByte::Transmit};
    }
    writeBlock_ = block;
    command_ = Command::WordAddress;
    return {true, NextByte::Receive};
}

quint8 Eeprom24LC04::transmit()
{
    quint8 value = cells_[pointer_];
    if (behaviour_.flipBit && pointer_ == FlippedAddress)
        value ^= FlippedBit;
    pointer_ = quint16((pointer_ + 1) & AddressMask);
    return value;
}

void Eeprom24LC04::refuseSelectWhileBusy()
{
    if (behaviour_.endlessWrite || behaviour_.writeCycleSelects <= 0)
        return;
    if (--refusalsLeft_ <= 0)
        finishWriteCycle();
}

void Eeprom24LC04::beginWriteCycle()
{
    busy_ = true;
    if (behaviour_.endlessWrite)
        return; // the cells are never programmed
    const quint16 base = quint16(pointer_ & ~(PageSize - 1));
    cycleBase_ = base;
    for (int i = 0; i < PageSize; ++i) {
        if (loaded_[size_t(i)])
            cells_[size_t(base + i)] = page_[size_t(i)];
    }
    refusalsLeft_ = behaviour_.writeCycleSelects;
    cycleStartedAt_ = behaviour_.monotonicNanos();
}

void Eeprom24LC04::supplyLost()
{
    if (!busy_)
        return;
    if (!behaviour_.endlessWrite && behaviour_.monotonicNanos() - cycleStartedAt_ < WriteCycleNanoseconds) {
        for (int i = 0; i < PageSize; ++i) {
            if (loaded_[size_t(i)])
                cells_[size_t(cycleBase_ + i)] = 0xFF;
        }
    }
    finishWriteCycle();
}

void Eeprom24LC04::finishWriteCycle()
{
    busy_ = false;
    if (finished_)
        finished_();
}

} // namespace pellmora::sim
