// SPDX-License-Identifier: GPL-3.0-or-later
// Timer1's first duty: counting a running recording in tenths of a second and
// telling the call box to stop once the sound file has had its time.
#include "app/Form1.h"

void Form1::RecordingStep()
{
    if (Recording == kFalse)
        return;
    ++RecordTicks;
    if (qint32(RecordTicks) < RecordLimit)
        return;
    // Timer1 does not re-enter while these waits run, so the end step happens
    // once per recording. Recording stays true until both stops are handed
    // over: the run moves on only after the box has been told.
    m_link.stopRecording();
    Recording = kFalse;
}
