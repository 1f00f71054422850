#pragma once

// A fake kernel for the serial-line backend: one serial device with its modem
// lines, which calls its driver supports, how its driver answers them (a
// driver profile: what a call costs on a virtual clock, how late the status
// lines come, what becomes of a break), and every call made, as text. A
// device on the far side of the lines (the simulated switch) can see the
// outputs change and set the inputs.

#include "link/TtyBackend.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <linux/serial.h>

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pellmora::test {

// How a kernel driver and its chip answer, on the virtual clock. USB
// adapters make every line change a control transfer (1 ms); ftdi_sio and
// cp210x read the status lines with one too, while pl2303 and ch341 answer
// TIOCMGET at once from the last interrupt packet, which arrives one or two
// USB intervals after a line changed. An adapter that cannot send a break
// refuses TIOCSBRK on newer kernels; ch341 on Linux 6.1 accepts it and
// sends a NUL at its lowest rate instead, which ends after about 196 ms.
struct TtyDriverProfile {
    const char *name = "no cost";
    QByteArray driver;               // the device's driver as sysfs names it
    quint64 setMicros = 0;           // a line change or a break
    quint64 getMicros = 0;           // TIOCMGET
    quint64 statusLagMicros = 0;     // TIOCMGET shows the inputs as they were this long ago,
    quint64 intervalMicros = 0;      // ... then at the next interrupt packet (0 = at once)
    int breakError = 0;              // TIOCSBRK answered with this (-ENOTTY, -EINVAL)
    quint64 breakEndsMicros = 0;     // an accepted break that ends by itself (0 = held)
    bool serialLsr = true;           // TIOCSERGETLSR exists (an on-board UART)
};

inline const TtyDriverProfile UartProfile{"16550 on the board", "serial", 3, 3, 0, 0, 0, 0, true};
inline const TtyDriverProfile FtdiSioProfile{"ftdi_sio", "ftdi_sio", 1000, 1000, 0, 0, 0, 0, false};
inline const TtyDriverProfile Cp210xProfile{"cp210x", "cp210x", 1000, 1000, 0, 0, 0, 0, false};
inline const TtyDriverProfile Pl2303Profile{"pl2303, status two transfers late", "pl2303", 1000, 5, 2000, 0,
                                            0, 0, false};
inline const TtyDriverProfile Ch341Profile{"ch341 on Linux 6.1, break ends after 196 ms", "ch341-uart", 1000, 5,
                                           1000, 1000, 0, 196000, false};
inline const TtyDriverProfile NoBreakProfile{"pl2303 HXN on a newer kernel, no break", "pl2303", 1000, 5, 2000,
                                             0, -ENOTTY, 0, false};
inline const TtyDriverProfile BreakEinvalProfile{"ch341 on a newer kernel, no break", "ch341-uart", 1000, 5, 1000,
                                                 1000, -EINVAL, 0, false};
// A driver the backend does not know that caches the status all the same:
// only the loop-back can find out.
inline const TtyDriverProfile UnknownCachingProfile{"unknown driver, status 3 ms late", "usbserial_generic", 1000,
                                                    5, 3000, 0, 0, 0, false};

struct FakePort {
    std::map<QByteArray, int> openResults; // path -> fd or -errno; absent = ENOENT
    int attributesResult = 0;
    bool modemLines = true;       // TIOCMGET works
    bool combinedSet = true;      // TIOCMSET works
    bool serialLsr = true;        // TIOCSERGETLSR works
    int lines = TIOCM_DTR;        // what TIOCMGET reports
    int outputQueue = 0;
    int lineCallError = 0;        // non-zero: every line call fails with this (-errno)
    termios attributes{};
    std::vector<std::string> calls;
    bool closed = false;
    int opens = 0;
    bool breakOn = false;
    long ioctls = 0;              // every ioctl made, failed ones too

    // The driver and the virtual clock it answers on: the time its calls
    // and the backend's waits took.
    TtyDriverProfile profile;
    quint64 now = 0;
    quint64 clock() const { return now; }
    quint64 breakEndsAt = 0;
    // Exclusive use (TIOCEXCL): the kernel refuses every further open with
    // EBUSY while the flag is set, and drops it only when the last process
    // holding the device closes it.
    bool exclusive = false;
    int otherHolders = 0;         // other processes holding the device open
    int ourHolds = 0;
    // The inputs with the time each was first seen, for a status that comes late.
    std::vector<std::pair<quint64, int>> inputHistory;

    // The device behind the lines: told of every change of DTR, RTS or the
    // break, and asked for CTS, DSR, RI and DCD at every call. Empty = the
    // inputs stay as `lines` holds them.
    std::function<void(const FakePort &)> outputsChanged;
    std::function<int()> inputs;

    void use(const TtyDriverProfile &driverProfile)
    {
        profile = driverProfile;
        serialLsr = driverProfile.serialLsr;
    }
};

inline std::string Lines(int lines)
{
    std::string s;
    const std::pair<int, const char *> names[] = {{TIOCM_DTR, "dtr"}, {TIOCM_RTS, "rts"}, {0x4000, "out2"}};
    // Appended piece by piece: GCC 12 at -O3 takes "" + std::string for an
    // overlapping copy (-Wrestrict).
    for (const auto &[bit, name] : names) {
        if (!(lines & bit))
            continue;
        if (!s.empty())
            s += '|';
        s += name;
    }
    return s.empty() ? "0" : s;
}

class FakeTtySystem : public link::TtySystem {
public:
    static constexpr int Outputs = TIOCM_DTR | TIOCM_RTS | 0x2000 | 0x4000 | 0x8000;
    static constexpr int InputLines = TIOCM_CTS | TIOCM_DSR | TIOCM_RI | TIOCM_CD;
    explicit FakeTtySystem(FakePort &p) : p_(p) {}
    int open(const QByteArray &path) override
    {
        const auto it = p_.openResults.find(path);
        ++p_.opens;
        if (it == p_.openResults.end())
            return -ENOENT;
        if (it->second >= 0 && p_.exclusive && p_.otherHolders + p_.ourHolds > 0)
            return -EBUSY;
        if (it->second >= 0)
            ++p_.ourHolds;
        return it->second;
    }
    // The port's last close ends the break (the interface loses its supply)
    // and the exclusive use.
    int close(int) override
    {
        p_.closed = true;
        --p_.ourHolds;
        if (p_.breakOn) {
            p_.breakOn = false;
            notify();
        }
        if (p_.ourHolds + p_.otherHolders == 0)
            p_.exclusive = false;
        return 0;
    }
    int getAttributes(int, termios &attributes) override
    {
        attributes = p_.attributes;
        attributes.c_cflag |= CRTSCTS;
        attributes.c_iflag |= IXON | IXOFF;
        return p_.attributesResult;
    }
    int setAttributes(int, const termios &attributes) override
    {
        p_.attributes = attributes;
        return 0;
    }
    int ioctl(int, unsigned long request, int *argument) override
    {
        ++p_.ioctls;
        if (p_.lineCallError != 0)
            return p_.lineCallError;
        switch (request) {
        case TIOCMGET:
            if (!p_.modemLines)
                return -EINVAL;
            spend(p_.profile.getMicros);
            p_.calls.push_back("get");
            *argument = (p_.lines & ~InputLines) | visibleInputs();
            return 0;
        case TIOCMSET:
            if (!p_.combinedSet)
                return -EINVAL;
            spend(p_.profile.setMicros);
            p_.calls.push_back("set " + Lines(*argument));
            setOutputs((p_.lines & ~Outputs) | *argument);
            return 0;
        case TIOCMBIS:
            spend(p_.profile.setMicros);
            p_.calls.push_back("on " + Lines(*argument));
            setOutputs(p_.lines | *argument);
            return 0;
        case TIOCMBIC:
            spend(p_.profile.setMicros);
            p_.calls.push_back("off " + Lines(*argument));
            setOutputs(p_.lines & ~*argument);
            return 0;
        case TIOCSERGETLSR:
            if (!p_.serialLsr)
                return -ENOTTY;
            spend(p_.profile.getMicros);
            p_.calls.push_back("lsr");
            *argument = p_.outputQueue == 0 ? TIOCSER_TEMT : 0;
            return 0;
        case TIOCOUTQ:
            p_.calls.push_back("outq");
            *argument = p_.outputQueue;
            return 0;
        default:
            return -ENOTTY;
        }
    }
    int ioctl(int, unsigned long request) override
    {
        ++p_.ioctls;
        if (p_.lineCallError != 0 && request != TIOCEXCL)
            return p_.lineCallError;
        switch (request) {
        case TIOCEXCL:
            p_.exclusive = true;
            return 0;
        case TIOCNXCL:
            p_.exclusive = false;
            return 0;
        case TIOCSBRK:
            spend(p_.profile.setMicros);
            if (p_.profile.breakError != 0)
                return p_.profile.breakError;
            p_.calls.push_back("break on");
            p_.breakOn = true;
            p_.breakEndsAt = p_.profile.breakEndsMicros ? p_.clock() + p_.profile.breakEndsMicros : 0;
            notify();
            return 0;
        case TIOCCBRK:
            spend(p_.profile.setMicros);
            if (p_.profile.breakError != 0)
                return p_.profile.breakError;
            if (p_.breakOn && p_.breakEndsAt > p_.clock())
                p_.now += p_.breakEndsAt - p_.clock(); // the driver waits for its NUL to go out
            p_.calls.push_back("break off");
            p_.breakOn = false;
            p_.breakEndsAt = 0;
            notify();
            return 0;
        default:
            return -ENOTTY;
        }
    }
    quint64 nowMicros() override { return p_.clock(); }
    void waitMicros(quint64 micros) override { p_.now += micros; }
    QByteArray driverName(const QByteArray &) override { return p_.profile.driver; }

private:
    // A call takes its time; a break the chip only pretends ends meanwhile.
    void spend(quint64 micros)
    {
        p_.now += micros;
        if (p_.breakOn && p_.breakEndsAt != 0 && p_.clock() >= p_.breakEndsAt) {
            p_.breakOn = false;
            p_.breakEndsAt = 0;
            notify();
        }
    }
    void setOutputs(int lines)
    {
        p_.lines = lines;
        notify();
    }
    void notify()
    {
        if (p_.outputsChanged)
            p_.outputsChanged(p_);
        sampleInputs();
    }
    int currentInputs() const { return (p_.inputs ? p_.inputs() : p_.lines) & InputLines; }
    void sampleInputs()
    {
        const int inputs = currentInputs();
        if (p_.inputHistory.empty() || p_.inputHistory.back().second != inputs)
            p_.inputHistory.emplace_back(p_.clock(), inputs);
    }
    // What the driver reports now: the inputs of the last status packet
    // that has arrived.
    int visibleInputs()
    {
        sampleInputs();
        if (p_.profile.statusLagMicros == 0 && p_.profile.intervalMicros == 0)
            return currentInputs();
        int visible = p_.inputHistory.front().second;
        for (const auto &[seen, inputs] : p_.inputHistory) {
            quint64 arrives = seen + p_.profile.statusLagMicros;
            if (const quint64 interval = p_.profile.intervalMicros; interval != 0)
                arrives = (arrives + interval - 1) / interval * interval;
            if (arrives > p_.clock())
                break;
            visible = inputs;
        }
        return visible;
    }

    FakePort &p_;
};

} // namespace pellmora::test
