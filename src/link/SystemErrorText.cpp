#include "link/SystemErrorText.h"

#include <cerrno>
#include <cstdlib>

namespace pellmora::link {

QString SystemErrorText(int error)
{
    switch (std::abs(error)) {
    case ENOENT: return QStringLiteral("soubor nebo zařízení neexistuje");
    case EACCES: return QStringLiteral("chybí oprávnění");
    case EPERM: return QStringLiteral("operace není dovolena");
    case EBUSY: return QStringLiteral("zařízení používá jiný program");
    case ENOTTY: return QStringLiteral("zařízení tento požadavek nezná");
    case EISDIR: return QStringLiteral("je to složka, ne zařízení");
    case EIO: return QStringLiteral("chyba vstupu a výstupu (zařízení se odpojilo nebo nepracuje)");
    case ENXIO: return QStringLiteral("za zařízením neodpovídá žádný hardware");
    case ENODEV: return QStringLiteral("zařízení není připojeno");
    case EINVAL: return QStringLiteral("zařízení požadavek odmítlo");
    case EAGAIN: return QStringLiteral("zařízení je dočasně nedostupné");
    case ETIMEDOUT: return QStringLiteral("zařízení neodpovědělo včas");
    case EPIPE:
    case EPROTO: return QStringLiteral("zařízení přestalo odpovídat (chyba přenosu USB)");
    case ENOSYS: return QStringLiteral("jádro tuto funkci nemá");
    case EBADF: return QStringLiteral("zařízení není otevřeno");
    default: return QStringLiteral("systémová chyba č. %1").arg(std::abs(error));
    }
}

} // namespace pellmora::link
