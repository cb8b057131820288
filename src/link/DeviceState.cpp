#include "link/DeviceState.h"

CDeviceState& TheDevice() {
    // Never destroyed: the worker thread may still be waiting when the process exits.
    static auto* state = new CDeviceState;
    return *state;
}

void CDeviceState::Reset() {
    queue.Clear();
    link.Select(-1);
    chargerInfo.Reset();
    moduleInfo.Reset();
    genericCmd.m_strLine.clear();
    paramBlock = {};
}
