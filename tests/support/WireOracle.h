// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Judges what the window reported against what really went over the simulated
// line. A logged success needs the box's ACK on the wire; a filled read column
// needs bytes the box actually sent. Times are the box's clock (CallBox::nowMs),
// which the tests that use this stamp the window's log lines with (LogReader).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "WireTrace.h"

// Empty when the wire bears out an acknowledged command that was reported at
// `atMs`: the host sent `sent` (the command letter and its value bytes) before
// then, and the box delivered 0x06 after the last of those bytes and before the
// host's next byte (or `atMs`). With `mustBeLast`, `sent` must be the very last
// bytes the host sent before `atMs`. Otherwise a description of what is wrong.
QString ackEvidenceProblem(const QList<WireByte>& wire, const QByteArray& sent, double atMs, bool mustBeLast);

// True when the box delivered at least one byte after the host's last byte
// before `atMs` and no later than `atMs`: what a "not ACK" line needs.
bool boxAnsweredBefore(const QList<WireByte>& wire, double atMs);

// The read column (in WindowRig::readColumn's order) a block would fill,
// decoded at the simulated box's offsets, independently of the program.
QStringList columnFor(const QByteArray& block);

// Whether `column` is what a block the box sent would show. With `anyRun`, any
// run of 19 consecutive bytes the box sent counts too: with noise on the line
// a block has no edges the program could find.
bool columnFromWire(const QStringList& column, const QList<WireByte>& wire, bool anyRun);

// "HH:MM:SS" (24-hour), one blank, the text, then `lineEnd`; nothing else.
bool isWellFormedLogLine(const QString& line, const QString& lineEnd);

// One of the texts the program logs (patterns with the names they are built from).
bool isKnownLogText(const QString& text);

// Scan results: "Total Comm Ports Found: n" or "***No Serial Ports Detected".
bool isScanLine(const QString& text);
