#include "link/IoPortBackend.h"

#include "link/SystemErrorText.h"
#include "port/UartRegisters.h"

#include <QFile>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>

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

QString PermissionText(IoPortSystem &system, int error)
{
    switch (-error) {
    case EPERM:
        if (system.lockedDown())
            return QStringLiteral("Jádro je uzamčeno (lockdown, obvykle kvůli Secure Boot) a přímý přístup k portům "
                                  "I/O nedovolí nikomu; použijte sériový port (--link tty) nebo kabel FTDI");
        [[fallthrough]];
    case EACCES:
        return QStringLiteral("K portům I/O chybí oprávnění: program potřebuje schopnost CAP_SYS_RAWIO "
                              "(setcap cap_sys_rawio+ep na soubor programu) nebo práva správce");
    case ENOSYS:
        return QStringLiteral("Toto jádro nedovoluje přímý přístup k portům I/O (ioperm)");
    default:
        return QStringLiteral("Přímý přístup k portům I/O byl odmítnut: %1").arg(SystemErrorText(error));
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

    // securityfs lists the lockdown modes with the one in force in brackets:
    // "none [integrity] confidentiality".
    bool lockedDown() override
    {
        QFile modes(QStringLiteral("/sys/kernel/security/lockdown"));
        if (!modes.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = modes.read(256);
        return text.contains('[') && !text.contains("[none]");
    }
};

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

// Asks for the register blocks of COM1..COM4 and for the calibration port.
// Returns 0 or the negative errno of the first refusal.
int AllowEveryBlock(IoPortSystem &system, std::bitset<0x400> &granted)
{
    for (const quint16 base : uart::ComBases) {
        if (const int result = AllowBlock(system, base, granted); result != 0)
            return result;
    }
    const int result = system.ioperm(uart::CalibrationPort, true);
    granted[uart::CalibrationPort] = result == 0;
    return result;
}

// Without a UART the addresses of a block belong to nobody: they go, and the
// scratch registers, needed only to tell, go everywhere.
void KeepAnsweringUarts(IoPortSystem &system, std::bitset<0x400> &granted)
{
    for (const quint16 base : uart::ComBases) {
        if (!UartAnswers(system, base))
            RevokeBlock(system, granted, base);
        Revoke(system, granted, base + uart::Scratch);
    }
}

void RevokeAll(IoPortSystem &system, std::bitset<0x400> &granted)
{
    for (quint16 port = 0; port < granted.size(); ++port)
        Revoke(system, granted, port);
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

QString GiveUpCapabilities(IoPortSystem &system)
{
    const QString failure = QStringLiteral("could not give up the capabilities of the process");
    if (system.clearCapabilities() != 0 || system.holdsCapabilities())
        return failure;
    if (system.forbidNewPrivileges() != 0)
        return failure;
    return {};
}

std::shared_ptr<IoPortGrant> IoPortGrant::take(std::unique_ptr<IoPortSystem> system)
{
    std::shared_ptr<IoPortGrant> ports(new IoPortGrant(std::move(system)));
    IoPortSystem &sys = *ports->system_;
    if (const int result = AllowEveryBlock(sys, ports->granted_); result != 0)
        ports->refusal_ = PermissionText(sys, result);
    else
        KeepAnsweringUarts(sys, ports->granted_);

    ports->privilegesKept_ = GiveUpCapabilities(sys);
    if (ports->refusal_.isEmpty())
        ports->refusal_ = ports->privilegesKept_;
    if (!ports->refusal_.isEmpty())
        RevokeAll(sys, ports->granted_);
    return ports;
}

IoPortGrant::IoPortGrant(std::unique_ptr<IoPortSystem> system)
    : system_(std::move(system)), owner_(std::this_thread::get_id())
{
}

bool IoPortGrant::holdsUart(quint16 base) const
{
    return permits(base + uart::ModemControl) && permits(base + uart::ModemStatus) && permits(base + uart::LineControl);
}

bool IoPortGrant::permits(quint16 address) const
{
    return address < granted_.size() && granted_[address] && std::this_thread::get_id() == owner_;
}

quint8 IoPortGrant::inb(quint16 address)
{
    return permits(address) ? system_->inb(address) : 0xFF;
}

void IoPortGrant::outb(quint16 address, quint8 value)
{
    if (permits(address))
        system_->outb(address, value);
}

std::unique_ptr<PortIo> IoPortBackend::open(quint16 selectedBase, std::shared_ptr<IoPortGrant> ports,
                                            QString *error)
{
    QString refusal;
    if (!ports)
        refusal = QStringLiteral("Porty I/O program bere jen při spuštění, a to jen se schopností CAP_SYS_RAWIO "
                                 "(setcap cap_sys_rawio+ep na soubor programu) nebo s volbou --link ioport");
    else if (!ports->refusal().isEmpty())
        refusal = ports->refusal();
    else if (selectedBase + uart::Scratch >= 0x400)
        refusal = QStringLiteral("Adresa I/O %1 leží mimo rozsah sériových portů").arg(Hex(selectedBase));
    else if (!ports->holdsUart(selectedBase))
        refusal = QStringLiteral("Na adrese I/O %1%2 neodpovídá žádný sériový port (UART)")
                      .arg(Hex(selectedBase), ComName(selectedBase));
    if (!refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return nullptr;
    }
    return std::unique_ptr<PortIo>(new IoPortBackend(std::move(ports)));
}

IoPortBackend::IoPortBackend(std::shared_ptr<IoPortGrant> ports) : ports_(std::move(ports)) {}

quint8 IoPortBackend::PortIn(quint16 address)
{
    if (ports_->permits(address))
        return ports_->inb(address);
    failed_ = true;
    return 0xFF;
}

void IoPortBackend::PortOut(quint16 address, quint8 value)
{
    if (ports_->permits(address))
        ports_->outb(address, value);
    else
        failed_ = true;
}

} // namespace pellmora::link
