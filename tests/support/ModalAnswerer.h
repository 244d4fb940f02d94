// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the program's modal message boxes without a person: every box that
// appears is recorded (title and text) and closed with its default button.

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

struct ShownBox {
    QString title;
    QString text;
    bool warningIcon = false;
    bool operator==(const ShownBox&) const = default;
};

class ModalAnswerer : public QObject {
    Q_OBJECT
public:
    ModalAnswerer();
    QVector<ShownBox> boxes;
    int count() const { return int(boxes.size()); }
    void clear() { boxes.clear(); }

private:
    void poll();
    QTimer m_timer;
};
