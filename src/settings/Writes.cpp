// Placeholder until the setting writes land.
#include "app/Form1.h"
void Form1::cmdWriteChannel_Click() {}
void Form1::cmdWriteProfileId_Click() {}
void Form1::cmdWriteSpkrVol_Click() {}
void Form1::cmdWriteRadioVol_Click() {}
void Form1::cmdWriteIsdVol_Click() {}
void Form1::cmdWriteCallCycle_Click() {}
void Form1::cmdWriteCycleDelay_Click() {}
void Form1::cmdWriteLedPattern_Click() {}
void Form1::RunSettingWrite(const SettingWrite&) {}
