// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A classic directory list: the ancestors of the current folder from the root
// down, the current folder (highlighted), then its subfolders one level deeper.
// Double-clicking (or Enter on) a folder opens it; a single click only selects.
// Files and hidden (dot) folders are never shown.

#include <QListWidget>
#include <QString>

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // Absolute, cleaned path with '/' separators (the root is "/").
    QString path() const { return m_path; }
    // Opens `path`. A folder that doesn't exist is ignored (false); the same
    // folder again changes nothing and emits nothing (true).
    bool setPath(const QString& path);

    // Role holding each row's full folder path.
    static constexpr int PathRole = Qt::UserRole;
    // Role holding each row's indentation level.
    static constexpr int LevelRole = Qt::UserRole + 1;

signals:
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void rebuild();
    void openItem(QListWidgetItem* item);
    QString m_path;
};
