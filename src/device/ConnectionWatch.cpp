#include "device/ConnectionWatch.h"

#include "device/DeviceText.h"

using namespace pellmora::link;

namespace pellmora::device {

QString connectionLostText()
{
    return deviceText("Spojení s převodníkem se přerušilo (port nelze číst ani zapisovat). Zkontrolujte kabel a "
                      "spusťte Test Komunikace.");
}

QString connectionLostText(const Link &link)
{
    const QString reason = link.portClosedReason();
    return reason.isEmpty() ? connectionLostText() : reason;
}

ConnectionWatch::ConnectionWatch(Link &link) : link_(link), presentAtStart_(link.InterfacePresent()) {}

bool ConnectionWatch::lost(bool transferred)
{
    if (link_.portFailed())
        return true;
    return !link_.InterfacePresent() && (presentAtStart_ || transferred);
}

} // namespace pellmora::device
