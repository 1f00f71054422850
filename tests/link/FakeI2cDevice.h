#pragma once

// A scripted 24LC04 on a RecordingPortIo: it follows the SCL/SDA levels the
// master writes into the modem-control register, answers on DSR, and keeps a
// transcript of what it saw on the bus. Its answers follow simple rules that
// a test sets (a number of refused select bytes after each write cycle, a
// device that never answers, a refused word address or data byte), so that
// every acknowledge of a transfer is known in advance.
//
// Transcript tokens, separated by blanks:
//   "S" start (also a repeated start), "P" stop,
//   "a0+" / "a0-" a byte the device received, acknowledged or refused,
//   "<5f+" / "<5f-" a byte the device sent, acknowledged or not by the master.

#include "RecordingPortIo.h"

#include <array>
#include <string>
#include <vector>

namespace pellmora::test {

class FakeI2cDevice {
public:
    // Rules.
    int busySelectsAfterWrite = 0;  // select bytes refused after each write cycle starts
    bool neverAcknowledge = false;  // refuses every select byte
    bool refuseWordAddress = false; // refuses the word address byte
    int refuseDataByte = -1;        // refuses the data byte with this index (counted over the run)
    bool interfacePresent = true;   // CTS; false: the interface has lost its supply

    std::array<quint8, 512> memory{};
    std::vector<std::string> transcript;

    FakeI2cDevice(RecordingPortIo &io, quint16 base) : io_(io), base_(base)
    {
        memory.fill(0xFF);
        io_.registers[base_ + 4] = 0x03; // idle bus: both lines high
        io_.writeHook = [this](quint16 address, quint8 value) {
            if (address == base_ + 4)
                lines(value);
        };
        io_.readHook = [this](quint16 address) -> std::optional<quint8> {
            if (address == base_ + 6)
                return quint8((busSda() ? 0x20 : 0x00) | (interfacePresent ? 0x10 : 0x00)); // CTS: the interface
            return std::nullopt;
        };
    }

    std::string text() const
    {
        std::string s;
        for (const std::string &t : transcript)
            s += (s.empty() ? "" : " ") + t;
        return s;
    }

private:
    enum class Phase { Idle, Receive, Transmit };
    enum class Role { Select, Word, Data };

    bool busSda() const { return sdaOut_ && !pull_; }

    void lines(quint8 value)
    {
        const bool scl = value & 1;
        const bool sdaBefore = busSda();
        sdaOut_ = value & 2;
        const bool sdaAfter = busSda();
        if (scl_ && scl && sdaBefore && !sdaAfter)
            start();
        else if (scl_ && scl && !sdaBefore && sdaAfter)
            stop();
        else if (!scl_ && scl)
            rise(sdaAfter);
        else if (scl_ && !scl)
            fall();
        scl_ = scl;
    }

    static std::string hex(quint8 v)
    {
        return {"0123456789abcdef"[v >> 4], "0123456789abcdef"[v & 15]};
    }

    void start()
    {
        transcript.push_back("S");
        page_.clear(); // a start without a stop aborts a page write
        writing_ = false;
        phase_ = Phase::Receive;
        role_ = Role::Select;
        bits_ = 0;
        shift_ = 0;
        ackSlot_ = false;
        pull_ = false;
    }

    void stop()
    {
        transcript.push_back("P");
        if (writing_ && !page_.empty()) {
            for (const auto &[address, value] : page_)
                memory[address] = value;
            busyLeft_ = busySelectsAfterWrite;
        }
        page_.clear();
        writing_ = false;
        phase_ = Phase::Idle;
        pull_ = false;
    }

    void rise(bool sda)
    {
        if (phase_ == Phase::Receive && !ackSlot_) {
            shift_ = quint8((shift_ << 1) | (sda ? 1 : 0));
            if (++bits_ == 8)
                acknowledge_ = received(shift_);
        } else if (phase_ == Phase::Transmit) {
            if (!ackSlot_) {
                ++bits_;
            } else {
                masterAck_ = !sda;
                transcript.push_back("<" + hex(sending_) + (masterAck_ ? "+" : "-"));
            }
        }
    }

    void fall()
    {
        if (phase_ == Phase::Receive) {
            if (bits_ == 8 && !ackSlot_) {
                ackSlot_ = true;
                pull_ = acknowledge_;
            } else if (ackSlot_) {
                ackSlot_ = false;
                pull_ = false;
                bits_ = 0;
                shift_ = 0;
                if (!acknowledge_)
                    phase_ = Phase::Idle;
                else if (role_ == Role::Data && reading_)
                    beginTransmit();
            }
        } else if (phase_ == Phase::Transmit) {
            if (!ackSlot_ && bits_ < 8) {
                pull_ = !(sending_ & (0x80 >> bits_));
            } else if (!ackSlot_) {
                ackSlot_ = true;
                pull_ = false;
            } else {
                ackSlot_ = false;
                if (masterAck_)
                    beginTransmit();
                else
                    phase_ = Phase::Idle;
            }
        }
    }

    void beginTransmit()
    {
        phase_ = Phase::Transmit;
        sending_ = memory[pointer_];
        pointer_ = (pointer_ + 1) & 0x1FF;
        bits_ = 0;
        pull_ = !(sending_ & 0x80);
    }

    // Decides the acknowledge of a received byte and records it.
    bool received(quint8 byte)
    {
        bool ack = true;
        switch (role_) {
        case Role::Select:
            if (neverAcknowledge || (byte & 0xF0) != 0xA0) {
                ack = false;
            } else if (busyLeft_ > 0) {
                --busyLeft_;
                ack = false;
            } else {
                block_ = (byte >> 1) & 1; // the 24LC04 ignores the two upper block bits
                reading_ = byte & 1;
                role_ = reading_ ? Role::Data : Role::Word;
            }
            break;
        case Role::Word:
            ack = !refuseWordAddress;
            pointer_ = quint16(block_ * 256 + byte);
            role_ = Role::Data;
            writing_ = true;
            break;
        case Role::Data:
            ack = dataIndex_++ != refuseDataByte;
            page_.push_back({pointer_, byte});
            // The page buffer wraps inside its 16 bytes.
            pointer_ = quint16((pointer_ & ~0x0F) | ((pointer_ + 1) & 0x0F));
            break;
        }
        transcript.push_back(hex(byte) + (ack ? "+" : "-"));
        return ack;
    }

    RecordingPortIo &io_;
    quint16 base_;
    bool scl_ = true;
    bool sdaOut_ = true;
    bool pull_ = false;
    Phase phase_ = Phase::Idle;
    Role role_ = Role::Select;
    int bits_ = 0;
    quint8 shift_ = 0;
    bool ackSlot_ = false;
    bool acknowledge_ = false;
    bool masterAck_ = false;
    bool reading_ = false;
    bool writing_ = false;
    int block_ = 0;
    quint16 pointer_ = 0;
    quint8 sending_ = 0;
    int busyLeft_ = 0;
    int dataIndex_ = 0;
    std::vector<std::pair<quint16, quint8>> page_;
};

} // namespace pellmora::test
