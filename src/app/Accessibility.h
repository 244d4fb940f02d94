// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keyboard order and names for assistive technology: who works the window
// without a mouse, or hears it through a screen reader, finds every control
// by the caption a sighted user would read next to it.

class Form1;

// Sets the tab order, the accessible names of the boxes (everything that
// shows text is named by that text) and what each control is for. Changes
// nothing a control does.
void SetUpKeyboardAndNames(Form1& form);
