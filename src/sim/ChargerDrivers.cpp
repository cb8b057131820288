#include "ChargerDrivers.h"

#include "FtdiDriver.h"
#include "SimCharger.h"
#include "UsbLink.h"
#ifdef Q_OS_UNIX
#include "SerialDriver.h"
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
    TheLink().SetDrivers(std::move(drivers));
}

bool SelectSimulatedChargerOnly() {
    std::vector<std::unique_ptr<CFtDriver>> drivers;
    drivers.push_back(std::make_unique<CSimDriver>());
    TheLink().SetDrivers(std::move(drivers));
    if (TheLink().Enumerate(false) != 1)
        return false;
    TheLink().Select(0);
    return true;
}
