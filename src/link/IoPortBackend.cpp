#include "link/IoPortBackend.h"

#include "port/UartRegisters.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>

using namespace pellmora::port;
#define PELLMORA_HAVE_IOPERM 1
#endif

namespace pellmora::link {

namespace {

// Register offsets the link uses, and the scratch register that tells a UART
// from an empty address range (which reads 0xFF everywhere).
constexpr std::array<quint16, 3> LinkRegisters{uart::LineControl, uart::ModemControl, uart::ModemStatus};
constexpr std::array<quint8, 2> ScratchPatterns{0x55, 0xAA};

QString Hex(quint16 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

QString PermissionText(int error)
{
    switch (-error) {
    case EPERM:
    case EACCES:
        return QStringLiteral("no permission to access the I/O ports: the program needs the CAP_SYS_RAWIO "
                              "capability or root");
    case ENOSYS:
        return QStringLiteral("this kernel offers no direct I/O port access (ioperm)");
    default:
        return QStringLiteral("direct I/O port access refused: %1").arg(QString::fromLocal8Bit(std::strerror(-error)));
    }
}

class KernelIoPortSystem : public IoPortSystem {
public:
    int ioperm(quint16 port, bool allow) override
    {
#ifdef PELLMORA_HAVE_IOPERM
        return ::ioperm(port, 1, allow ? 1 : 0) == 0 ? 0 : -errno;
#else
        Q_UNUSED(port);
        Q_UNUSED(allow);
        return -ENOSYS;
#endif
    }

    quint8 inb(quint16 port) override
    {
#ifdef PELLMORA_HAVE_IOPERM
        return ::inb(port);
#else
        Q_UNUSED(port);
        return 0xFF;
#endif
    }

    void outb(quint16 port, quint8 value) override
    {
#ifdef PELLMORA_HAVE_IOPERM
        ::outb(value, port); // the C library takes the value first
#else
        Q_UNUSED(port);
        Q_UNUSED(value);
#endif
    }

    Ids userIds() override
    {
        uid_t r = 0, e = 0, s = 0;
        getresuid(&r, &e, &s);
        return {r, e, s};
    }

    Ids groupIds() override
    {
        gid_t r = 0, e = 0, s = 0;
        getresgid(&r, &e, &s);
        return {r, e, s};
    }

    int setAllUserIds(unsigned uid) override { return setresuid(uid, uid, uid) == 0 ? 0 : -errno; }
    int setAllGroupIds(unsigned gid) override { return setresgid(gid, gid, gid) == 0 ? 0 : -errno; }

    int clearCapabilities() override
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> data{};
        return syscall(SYS_capset, &header, data.data()) == 0 ? 0 : -errno;
    }

    bool holdsCapabilities() override
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> data{};
        if (syscall(SYS_capget, &header, data.data()) != 0)
            return true; // cannot tell: assume the worst
        for (const auto &set : data) {
            if (set.effective != 0 || set.permitted != 0)
                return true;
        }
        return false;
    }

    int forbidNewPrivileges() override { return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 ? 0 : -errno; }

    bool holdsRoot() override
    {
        const Ids ids = userIds();
        return ids.real == 0 || ids.effective == 0 || ids.saved == 0;
    }
};

// Gives up root (when the program runs set-user-id root for a normal user)
// and every capability. Returns an empty text on success.
QString DropPrivileges(IoPortSystem &system)
{
    const IoPortSystem::Ids users = system.userIds();
    const bool raisedUser = users.real != 0 && (users.effective == 0 || users.saved == 0);
    if (raisedUser) {
        const IoPortSystem::Ids groups = system.groupIds();
        // Groups first: once the user id is gone there is no right left to
        // change them.
        if (system.setAllGroupIds(groups.real) != 0 || system.setAllUserIds(users.real) != 0)
            return QStringLiteral("could not give up the root rights after opening the I/O ports");
    }
    const int cleared = system.clearCapabilities();
    if (cleared != 0 || system.holdsCapabilities())
        return QStringLiteral("could not give up the capabilities after opening the I/O ports");
    if (raisedUser && system.holdsRoot())
        return QStringLiteral("could not give up the root rights after opening the I/O ports");
    if (system.forbidNewPrivileges() != 0)
        return QStringLiteral("could not give up the capabilities after opening the I/O ports");
    return {};
}

bool UartAnswers(IoPortSystem &system, quint16 base)
{
    const quint16 scratch = base + uart::Scratch;
    const quint8 saved = system.inb(scratch);
    bool answers = true;
    for (const quint8 pattern : ScratchPatterns) {
        system.outb(scratch, pattern);
        answers = answers && system.inb(scratch) == pattern;
    }
    system.outb(scratch, saved);
    return answers;
}

// Asks for one register block (the link registers and the scratch register).
// Returns 0 or the negative errno of the first refusal.
int AllowBlock(IoPortSystem &system, quint16 base, std::bitset<0x400> &granted)
{
    for (const quint16 offset : {LinkRegisters[0], LinkRegisters[1], LinkRegisters[2], quint16(uart::Scratch)}) {
        const quint16 port = base + offset;
        if (granted[port])
            continue;
        if (const int result = system.ioperm(port, true); result != 0)
            return result;
        granted[port] = true;
    }
    return 0;
}

void Revoke(IoPortSystem &system, std::bitset<0x400> &granted, quint16 port)
{
    if (port < granted.size() && granted[port]) {
        system.ioperm(port, false);
        granted[port] = false;
    }
}

void RevokeBlock(IoPortSystem &system, std::bitset<0x400> &granted, quint16 base)
{
    for (const quint16 offset : LinkRegisters)
        Revoke(system, granted, base + offset);
}

QString ComName(quint16 base)
{
    for (size_t i = 0; i < uart::ComBases.size(); ++i) {
        if (base == uart::ComBases[i])
            return QStringLiteral(" (COM%1)").arg(i + 1);
    }
    return {};
}

} // namespace

std::unique_ptr<IoPortSystem> RealIoPortSystem()
{
    return std::make_unique<KernelIoPortSystem>();
}

std::unique_ptr<PortIo> IoPortBackend::open(quint16 selectedBase, QString *error)
{
    return open(selectedBase, error, RealIoPortSystem());
}

std::unique_ptr<PortIo> IoPortBackend::open(quint16 selectedBase, QString *error,
                                            std::unique_ptr<IoPortSystem> system)
{
    const auto refuse = [&](const QString &text) -> std::unique_ptr<PortIo> {
        if (error)
            *error = text;
        return nullptr;
    };
    std::bitset<0x400> granted;
    if (selectedBase + uart::Scratch >= 0x400) {
        DropPrivileges(*system);
        return refuse(QStringLiteral("I/O base %1 lies outside the serial port range").arg(Hex(selectedBase)));
    }
    int result = AllowBlock(*system, selectedBase, granted);
    if (result == 0 && selectedBase != uart::ServiceBase)
        result = AllowBlock(*system, uart::ServiceBase, granted);
    if (result == 0 && !granted[uart::CalibrationPort]) {
        result = system->ioperm(uart::CalibrationPort, true);
        granted[uart::CalibrationPort] = result == 0;
    }

    QString refusal;
    if (result != 0) {
        refusal = PermissionText(result);
    } else if (!UartAnswers(*system, selectedBase)) {
        refusal = QStringLiteral("no serial port (UART) answers at I/O base %1%2")
                      .arg(Hex(selectedBase), ComName(selectedBase));
    } else if (selectedBase != uart::ServiceBase && !UartAnswers(*system, uart::ServiceBase)) {
        // No UART where the service window works: leave those registers out,
        // its transfers will simply get no answer.
        RevokeBlock(*system, granted, uart::ServiceBase);
    }
    Revoke(*system, granted, selectedBase + uart::Scratch);
    Revoke(*system, granted, uart::ServiceBase + uart::Scratch);

    const QString dropFailure = DropPrivileges(*system);
    if (refusal.isEmpty())
        refusal = dropFailure;
    if (!refusal.isEmpty()) {
        for (quint16 port = 0; port < granted.size(); ++port)
            Revoke(*system, granted, port);
        return refuse(refusal);
    }
    return std::unique_ptr<PortIo>(new IoPortBackend(std::move(system), granted));
}

IoPortBackend::IoPortBackend(std::unique_ptr<IoPortSystem> system, std::bitset<0x400> permitted)
    : system_(std::move(system)), permitted_(permitted), owner_(std::this_thread::get_id())
{
}

bool IoPortBackend::permits(quint16 address) const
{
    return address < permitted_.size() && permitted_[address] && std::this_thread::get_id() == owner_;
}

quint8 IoPortBackend::PortIn(quint16 address)
{
    return permits(address) ? system_->inb(address) : 0xFF;
}

void IoPortBackend::PortOut(quint16 address, quint8 value)
{
    if (permits(address))
        system_->outb(address, value);
}

} // namespace pellmora::link
