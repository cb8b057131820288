#pragma once

// Gives the link every family of chargers this machine can reach: FTDI chips on USB, the
// serial ports listed in KELVORA_SERIAL_PORTS and, when KELVORA_SIMULATOR is set, the
// simulated charger.
void InstallChargerDrivers();
