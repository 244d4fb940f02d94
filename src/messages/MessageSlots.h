// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three messages the call box takes, in the order a run programs them:
// where each one's controls and state live on the window, which files can
// hold it, and how it is named on the line and in the log.

#include <QtGlobal>

#include "app/Form1.h"

struct MessageSlot {
    QCheckBox* Form1::*box;
    QLabel* Form1::*lengthLabel;
    QString Form1::*fileName;  // bare name last found in MsgDir
    double Form1::*size;       // bytes, measured when the slot is programmed
    double Form1::*seconds;    // playing time
    const char* preferred;
    const char* fallback;
    quint8 command;
    const char* what;     // names the slot in the retry lines
    const char* success;  // the file's path follows
    const char* failed;   // names the slot in its failure line (FailureLine)
};

inline constexpr int kLocalSlot = 0;
inline constexpr int kRadioSlot = 1;
inline constexpr int kLowBattSlot = 2;

inline constexpr MessageSlot kMessageSlots[] = {
    {&Form1::chkMsg1, &Form1::lblMsg1Sec, &Form1::Msg1File, &Form1::Msg1Len, &Form1::Msg1Sec,
     "local.wav", "msg1.wav", 0x41, "Local/Msg 1", "Local/Msg1 Programmed ",
     "Local/MSG1"},
    {&Form1::chkMsg2, &Form1::lblMsg2Sec, &Form1::Msg2File, &Form1::Msg2Len, &Form1::Msg2Sec,
     "radio.wav", "msg2.wav", 0x42, "Radio/Msg 2", "Radio/Msg2 Programmed ",
     "Radio/MSG2"},
    {&Form1::chkMsg6, &Form1::lblMsg6Sec, &Form1::Msg6File, &Form1::Msg6Len, &Form1::Msg6Sec,
     "lowbatt.wav", "msg6.wav", 0x46, "LowBatt/Msg 6", "LowBatt/Msg6 Programmed ",
     "LowBatt/MSG6"},
};
