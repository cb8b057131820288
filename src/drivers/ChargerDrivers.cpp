#include "drivers/ChargerDrivers.h"

#include "drivers/ftdi/FtdiDriver.h"
#include "drivers/sim/SimCharger.h"
#include "link/UsbLink.h"
#ifdef Q_OS_UNIX
#include "drivers/serial/SerialDriver.h"
#include "link/DeviceState.h"
#endif

#include <QtGlobal>

void InstallChargerDrivers() {
    std::vector<std::unique_ptr<CFtDriver>> drivers;
    drivers.push_back(std::make_unique<CFtdiDriver>());
#ifdef Q_OS_UNIX
    drivers.push_back(std::make_unique<CSerialDriver>(CSerialDriver::FromEnvironment()));
#endif
    if (qEnvironmentVariableIsSet("KELVORA_SIMULATOR"))
        drivers.push_back(std::make_unique<CSimDriver>());
    TheDevice().link.SetDrivers(std::move(drivers));
}
