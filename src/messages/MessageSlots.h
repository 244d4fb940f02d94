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
    {.box = &Form1::chkMsg1, .lengthLabel = &Form1::lblMsg1Sec,
     .fileName = &Form1::Msg1File, .size = &Form1::Msg1Len, .seconds = &Form1::Msg1Sec,
     .preferred = "local.wav", .fallback = "msg1.wav", .command = 0x41,
     .what = "Local/Msg 1", .success = "Local/Msg1 Programmed ", .failed = "Local/MSG1"},
    {.box = &Form1::chkMsg2, .lengthLabel = &Form1::lblMsg2Sec,
     .fileName = &Form1::Msg2File, .size = &Form1::Msg2Len, .seconds = &Form1::Msg2Sec,
     .preferred = "radio.wav", .fallback = "msg2.wav", .command = 0x42,
     .what = "Radio/Msg 2", .success = "Radio/Msg2 Programmed ", .failed = "Radio/MSG2"},
    {.box = &Form1::chkMsg6, .lengthLabel = &Form1::lblMsg6Sec,
     .fileName = &Form1::Msg6File, .size = &Form1::Msg6Len, .seconds = &Form1::Msg6Sec,
     .preferred = "lowbatt.wav", .fallback = "msg6.wav", .command = 0x46,
     .what = "LowBatt/Msg 6", .success = "LowBatt/Msg6 Programmed ", .failed = "LowBatt/MSG6"},
};
