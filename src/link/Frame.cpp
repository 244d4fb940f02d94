// The frame around every device operation: port set-up and open, preparation
// for binary exchanges, and close.
#include "app/Form1.h"
#include "app/MessageBox.h"

bool Form1::OpenDevicePort()
{
    MSComm1.setCommPort(CommPortNumber);
    MSComm1.setSettings(QStringLiteral("300,n,8,1"));
    MSComm1.setInputLen(0);
    MSComm1.setInputMode(0);
    MSComm1.setDTREnable(true);
    MSComm1.setRTSEnable(true);
    if (!MSComm1.setPortOpen(true)) {
        ShowWarning(this, QStringLiteral("Selected Comm Port Unavailable."),
                    QStringLiteral("Comm Port Error"));
        return false;
    }
    return true;
}

void Form1::PrepareExchange()
{
    MSComm1.setInBufferCount(0);
    MSComm1.setInputMode(1);
    MSComm1.setInputLen(0);
}

void Form1::CloseDevicePort()
{
    MSComm1.setPortOpen(false);
}
