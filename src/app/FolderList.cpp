// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int kIndentPx = 12;

// Shifts each row right by its level, so the list reads as a path going down.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() +
                             kIndentPx * index.data(FolderList::LevelRole).toInt());
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += kIndentPx * index.data(FolderList::LevelRole).toInt();
        return size;
    }
};

QString normalised(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    m_path = normalised(QDir::currentPath());
    rebuild();
}

bool FolderList::setPath(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.exists() || !info.isDir())
        return false;
    const QString target = normalised(path);
    if (target == m_path)
        return true;
    m_path = target;
    rebuild();
    emit changed();
    return true;
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

// Opening is a double-click only, whatever the platform's single-click-activates
// setting says, so the view's own activation is bypassed. The item under the
// pointer counts, even when the press that came before landed elsewhere.
void FolderList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QListWidget::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    openItem(itemAt(event->position().toPoint()));
}

void FolderList::openItem(QListWidgetItem* item) {
    if (item)
        setPath(item->data(PathRole).toString());
}

void FolderList::rebuild() {
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain from the root down to the current folder.
    QStringList chain;
    for (QDir dir(m_path);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    auto add = [this](const QString& full, const QString& label, const QIcon& icon, int level) {
        auto* item = new QListWidgetItem(icon, label, this);
        item->setData(PathRole, full);
        item->setData(LevelRole, level);
        item->setToolTip(QDir::toNativeSeparators(full));
        return item;
    };

    QListWidgetItem* current = nullptr;
    for (int level = 0; level < chain.size(); ++level) {
        const QString name = QFileInfo(chain[level]).fileName();
        current = add(chain[level], name.isEmpty() ? QDir::toNativeSeparators(chain[level]) : name,
                      openIcon, level);
    }

    // An unreadable folder simply lists nothing.
    const QDir here(m_path);
    const QStringList subfolders =
        here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders)
        add(here.filePath(name), name, closedIcon, int(chain.size()));

    setCurrentItem(current);
    scrollToItem(current);
}
