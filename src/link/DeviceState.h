#pragma once

#include "link/CommWorker.h"
#include "link/ConfigCmds.h"
#include "link/GenericCmd.h"
#include "link/InfoCmd.h"
#include "link/UsbLink.h"

// The device state of the process, in one place: the link to the chargers, the command queue
// and the worker thread that serves it, the identities of the selected charger and of its
// module, the module's parameter block and the commands that every window shares.
//
// Lifetime: created on first use (TheDevice()) and never destroyed, since the worker thread may
// still wait on the queue when the process exits. Everything else in the process may therefore
// use it until the end. Only the worker thread reads and writes the link while it is open.
class CDeviceState {
public:
    CUsbLink link;
    CQueue queue;
    CCommWorker worker;
    CInfoCmdCB chargerInfo;
    CInfoCmdVM moduleInfo;
    CSerNumCmd serNumCmd;
    CGenericCmd genericCmd;
    CParamBlock paramBlock{};

    // Back to the state after the start, between two tests while the worker is idle: no
    // charger selected, no identities, an empty queue, no parameters, no generic reply.
    void Reset();
};

CDeviceState& TheDevice();
