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
    { .member = &Form1::x, .name = #x }

struct Hint {
    Named<QLabel> label;
    const char* text;
};

// One setting of the grid: read caption, read-out box and hints on the left,
// write caption, entry box, hints and button on the right (its caption is the
// row's idle caption in kSettingWrites). A hint pair's second half is empty
// where the hint takes one line.
struct GridRow {
    int top;
    Named<QLabel> readCaption;
    const char* readCaptionText;
    Named<QLineEdit> readBox;
    Hint readHints[2];
    Named<QLabel> writeCaption;
    const char* writeCaptionText;
    Named<QLineEdit> entryBox;
    int maxLength = 0;  // 0: no limit
    const char* entryTip = nullptr;
    Hint writeHints[2];
    Named<QPushButton> writeButton;
    qreal boxPoints = 12;           // the profile ID's four digits take a smaller font
    const char* buttonDescription;  // what the write button does, for screen readers
};

inline const GridRow kSettingGrid[kSettingRowCount] = {
    {.top = 1080,
     .readCaption = N(Label4), .readCaptionText = "CHANNEL", .readBox = N(txtChannelRead),
     .readHints = {{.label = N(Label14), .text = "Value: 1-6"}},
     .writeCaption = N(Label7), .writeCaptionText = "CHANNEL", .entryBox = N(txtNewChannel),
     .writeHints = {{.label = N(Label9), .text = "Value: 1-6"}},
     .writeButton = N(cmdWriteChannel), .buttonDescription = "Writes the channel"},
    {.top = 1560,
     .readCaption = N(Label5), .readCaptionText = "PROFILE ID", .readBox = N(txtProfileIdRead),
     .readHints = {{.label = N(Label12), .text = "Value: 0000-9999"}},
     .writeCaption = N(Label6), .writeCaptionText = "PROFILE ID", .entryBox = N(txtNewProfileId),
     .writeHints = {{.label = N(Label10), .text = "Value: 0000-9999"}},
     .writeButton = N(cmdWriteProfileId), .boxPoints = 9.75,
     .buttonDescription = "Writes the profile ID"},
    {.top = 2040,
     .readCaption = N(lblSpkrVolume2), .readCaptionText = "SPEAKER VOLUME",
     .readBox = N(txtSpkrReadVol),
     .readHints = {{.label = N(lblSpkrInfo3), .text = "Value: 1-31(63)"}},
     .writeCaption = N(lblSpkrVolume), .writeCaptionText = "SPEAKER VOLUME",
     .entryBox = N(txtNewSpkrVol), .maxLength = 2,
     .writeHints = {{.label = N(lblSpkrInfo), .text = "Value: 1-31(63)"},
                    {.label = N(lblSpkrInfo2), .text = "1=Lowest Vol"}},
     .writeButton = N(cmdWriteSpkrVol), .buttonDescription = "Writes the speaker volume"},
    {.top = 2520,
     .readCaption = N(lblRadioVolume), .readCaptionText = "RADIO VOLUME",
     .readBox = N(txtRadioReadVol),
     .readHints = {{.label = N(lblRadioInfo3), .text = "Value: 1-31(63)"}},
     .writeCaption = N(Label29), .writeCaptionText = "RADIO VOLUME",
     .entryBox = N(txtNewRadioVol), .maxLength = 2,
     .writeHints = {{.label = N(lblRadioInfo), .text = "Value: 1-31(63)"},
                    {.label = N(Label27), .text = "1=Lowest Vol"}},
     .writeButton = N(cmdWriteRadioVol), .buttonDescription = "Writes the radio volume"},
    {.top = 3000,
     .readCaption = N(lblISDVolume2), .readCaptionText = "ISD VOLUME", .readBox = N(txtISDReadVol),
     .readHints = {{.label = N(lblISDInfo4), .text = "Value: 0-6"},
                   {.label = N(lblISDInfo5), .text = "0=Highest Volume"}},
     .writeCaption = N(lblISDVolume), .writeCaptionText = "ISD VOLUME",
     .entryBox = N(txtNewISDVol), .maxLength = 1,
     .writeHints = {{.label = N(lblISDInfo), .text = "Value: 0-6"},
                    {.label = N(lblISDInfo2), .text = "0=Highest Volume"}},
     .writeButton = N(cmdWriteIsdVol), .buttonDescription = "Writes the ISD volume"},
    {.top = 3480,
     .readCaption = N(lblCallCycleInfo2), .readCaptionText = "CALL CYCLES",
     .readBox = N(txtCallCycleRead),
     .readHints = {{.label = N(lblCallCycleInfo3), .text = "Value: 1-30"}},
     .writeCaption = N(lblCallCycle), .writeCaptionText = "TOTAL CALL CYCLES",
     .entryBox = N(txtCallCycle), .maxLength = 2,
     .entryTip = "Number of times to repeat RF Broadcast for active call",
     .writeHints = {{.label = N(lblCallCycleInfo), .text = "Value: 1-30"}},
     .writeButton = N(cmdWriteCallCycle), .buttonDescription = "Writes the call cycles"},
    {.top = 3960,
     .readCaption = N(lblCycleDelayInfo3), .readCaptionText = "CYCLE DELAY (sec)",
     .readBox = N(txtCycleDelayRead),
     .readHints = {{.label = N(lblCycleDelayInfo2), .text = "Value: 10-180 sec"}},
     .writeCaption = N(lblCycleDelay), .writeCaptionText = "CYCLE DELAY (sec)",
     .entryBox = N(txtCycleDelay), .maxLength = 3,
     .entryTip = "Delay (in seconds) between repeating RF Broadcast for active call",
     .writeHints = {{.label = N(lblCycleDelayInfo), .text = "Value: 10-180 sec"}},
     .writeButton = N(cmdWriteCycleDelay), .buttonDescription = "Writes the cycle delay"},
    {.top = 4440,
     .readCaption = N(Label17), .readCaptionText = "LED PATTERN ", .readBox = N(txtLedPatternRead),
     .readHints = {{.label = N(lblLedPatternRead), .text = "-"}},
     .writeCaption = N(Label11), .writeCaptionText = "LED PATTERN (1-2)",
     .entryBox = N(txtNewLedPattern), .maxLength = 3,
     .writeHints = {{.label = N(lblLedPattern), .text = "-"}},
     .writeButton = N(cmdWriteLedPattern), .buttonDescription = "Writes the LED pattern"},
};
#undef N
