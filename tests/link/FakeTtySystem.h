#pragma once

// A fake kernel for the serial-line backend: one serial device with its modem
// lines, which calls its driver supports, and every call made, as text. A
// device on the far side of the lines (the simulated switch in a benchmark)
// can see the outputs change and set the inputs.

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

    // The device behind the lines: told of every change of DTR, RTS or the
    // break, and asked for CTS, DSR, RI and DCD at every TIOCMGET. Empty =
    // the inputs stay as `lines` holds them.
    std::function<void(const FakePort &)> outputsChanged;
    std::function<int()> inputs;
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
        return it == p_.openResults.end() ? -ENOENT : it->second;
    }
    int close(int) override
    {
        p_.closed = true;
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
        if (p_.lineCallError != 0 && request != TIOCEXCL)
            return p_.lineCallError;
        switch (request) {
        case TIOCMGET:
            if (!p_.modemLines)
                return -EINVAL;
            if (p_.inputs)
                p_.lines = (p_.lines & ~InputLines) | p_.inputs();
            p_.calls.push_back("get");
            *argument = p_.lines;
            return 0;
        case TIOCMSET:
            if (!p_.combinedSet)
                return -EINVAL;
            p_.calls.push_back("set " + Lines(*argument));
            setOutputs((p_.lines & ~Outputs) | *argument);
            return 0;
        case TIOCMBIS:
            p_.calls.push_back("on " + Lines(*argument));
            setOutputs(p_.lines | *argument);
            return 0;
        case TIOCMBIC:
            p_.calls.push_back("off " + Lines(*argument));
            setOutputs(p_.lines & ~*argument);
            return 0;
        case TIOCSERGETLSR:
            if (!p_.serialLsr)
                return -ENOTTY;
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
        if (request == TIOCSBRK || request == TIOCCBRK) {
            p_.calls.push_back(request == TIOCSBRK ? "break on" : "break off");
            p_.breakOn = request == TIOCSBRK;
            if (p_.outputsChanged)
                p_.outputsChanged(p_);
        }
        return 0;
    }

private:
    void setOutputs(int lines)
    {
        p_.lines = lines;
        if (p_.outputsChanged)
            p_.outputsChanged(p_);
    }

    FakePort &p_;
};

} // namespace pellmora::test
