// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings grid of the window: for each setting, top to bottom in the
// order of kSettingWrites, its controls, captions and hints. The layout, the
// keyboard order, the screen-reader names and the writes all take a row's
// controls from here.

#include "app/Form1.h"
#include "settings/SettingWrite.h"

template <class W>
struct Named {
    W* Form1::*member;
    const char* name;
};
#define N(x) \
    { &Form1::x, #x }

struct Hint {
    Named<QLabel> label;
    const char* text;
};

// One setting of the grid: read caption, read-out box and hint on the left,
// write caption, entry box, hint and button on the right (its caption is the
// row's idle caption in kSettingWrites).
struct GridRow {
    int top;
    Named<QLabel> readCaption;
    const char* readCaptionText;
    Named<QLineEdit> readBox;
    Hint readHints[2];
    Named<QLabel> writeCaption;
    const char* writeCaptionText;
    Named<QLineEdit> entryBox;
    int maxLength;  // 0: no limit
    const char* entryTip;
    Hint writeHints[2];
    Named<QPushButton> writeButton;
    qreal boxPoints;
    const char* buttonDescription;  // what the write button does, for screen readers
};

inline const GridRow kSettingGrid[kSettingRowCount] = {
    {1080, N(Label4), "CHANNEL", N(txtChannelRead), {{N(Label14), "Value: 1-6"}, {}},
     N(Label7), "CHANNEL", N(txtNewChannel), 0, nullptr, {{N(Label9), "Value: 1-6"}, {}},
     N(cmdWriteChannel), 12, "Writes the channel"},
    {1560, N(Label5), "PROFILE ID", N(txtProfileIdRead), {{N(Label12), "Value: 0000-9999"}, {}},
     N(Label6), "PROFILE ID", N(txtNewProfileId), 0, nullptr,
     {{N(Label10), "Value: 0000-9999"}, {}}, N(cmdWriteProfileId), 9.75, "Writes the profile ID"},
    {2040, N(lblSpkrVolume2), "SPEAKER VOLUME", N(txtSpkrReadVol),
     {{N(lblSpkrInfo3), "Value: 1-31(63)"}, {}}, N(lblSpkrVolume), "SPEAKER VOLUME",
     N(txtNewSpkrVol), 2, nullptr,
     {{N(lblSpkrInfo), "Value: 1-31(63)"}, {N(lblSpkrInfo2), "1=Lowest Vol"}},
     N(cmdWriteSpkrVol), 12, "Writes the speaker volume"},
    {2520, N(lblRadioVolume), "RADIO VOLUME", N(txtRadioReadVol),
     {{N(lblRadioInfo3), "Value: 1-31(63)"}, {}}, N(Label29), "RADIO VOLUME", N(txtNewRadioVol),
     2, nullptr, {{N(lblRadioInfo), "Value: 1-31(63)"}, {N(Label27), "1=Lowest Vol"}},
     N(cmdWriteRadioVol), 12, "Writes the radio volume"},
    {3000, N(lblISDVolume2), "ISD VOLUME", N(txtISDReadVol),
     {{N(lblISDInfo4), "Value: 0-6"}, {N(lblISDInfo5), "0=Highest Volume"}}, N(lblISDVolume),
     "ISD VOLUME", N(txtNewISDVol), 1, nullptr,
     {{N(lblISDInfo), "Value: 0-6"}, {N(lblISDInfo2), "0=Highest Volume"}}, N(cmdWriteIsdVol), 12, "Writes the ISD volume"},
    {3480, N(lblCallCycleInfo2), "CALL CYCLES", N(txtCallCycleRead),
     {{N(lblCallCycleInfo3), "Value: 1-30"}, {}}, N(lblCallCycle), "TOTAL CALL CYCLES",
     N(txtCallCycle), 2, "Number of times to repeat RF Broadcast for active call",
     {{N(lblCallCycleInfo), "Value: 1-30"}, {}}, N(cmdWriteCallCycle), 12, "Writes the call cycles"},
    {3960, N(lblCycleDelayInfo3), "CYCLE DELAY (sec)", N(txtCycleDelayRead),
     {{N(lblCycleDelayInfo2), "Value: 10-180 sec"}, {}}, N(lblCycleDelay), "CYCLE DELAY (sec)",
     N(txtCycleDelay), 3, "Delay (in seconds) between repeating RF Broadcast for active call",
     {{N(lblCycleDelayInfo), "Value: 10-180 sec"}, {}}, N(cmdWriteCycleDelay), 12, "Writes the cycle delay"},
    {4440, N(Label17), "LED PATTERN ", N(txtLedPatternRead), {{N(lblLedPatternRead), "-"}, {}},
     N(Label11), "LED PATTERN (1-2)", N(txtNewLedPattern), 3, nullptr,
     {{N(lblLedPattern), "-"}, {}}, N(cmdWriteLedPattern), 12, "Writes the LED pattern"},
};
#undef N
