#include "ui/tasklist.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QProgressBar>

#include "settings/swfinfo.h"
#include "ui/sizetext.h"

const char* const QTaskList::SELECTED_STYLE =
    "QTreeWidget::item:selected{background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #6ea1f1, stop: 1 "
    "#5c94cd);color:white;}";

const char* const QTaskList::PROGRESS_STYLE = "QProgressBar{ border:1px; border-radius: 1px; text-align: center; }";

QTWItem::QTWItem(const QString& path, QSWFInfo* info) : m_info(info), m_path(path) {
    QFileInfo file(path);
    m_folder = file.absolutePath();
    setText(0, file.fileName());
    setToolTip(0, path);
    setFlags(flags() | Qt::ItemIsUserCheckable);
    setCheckState(0, Qt::Checked);
    setText(1, GetSizeString(file.exists() ? file.size() : 0));
}

QTWItem::~QTWItem() { delete m_info; }

QTaskList::QTaskList(QWidget* parent) : QTreeWidget(parent) {
    // Grows with the window, the file names first.
    setMinimumSize(300, 150);
    setColumnCount(3);
    setHeaderLabels({"File name", "Original size", "Process"});
    setColumnWidth(0, 180);
    setColumnWidth(1, 110);
    setColumnWidth(2, 180);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet(SELECTED_STYLE);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
}

QTWItem* QTaskList::addTask(const QString& path, QSWFInfo* info) {
    auto* item = new QTWItem(path, info);
    addTopLevelItem(item);
    setCurrentItem(item);
    auto* bar = new QProgressBar;
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setStyleSheet(PROGRESS_STYLE);
    setItemWidget(item, 2, bar);
    item->setProgressBar(bar);
    return item;
}

void QTaskList::removeTask(QTWItem* item) {
    // Clearing the cell widget deletes the bar.
    removeItemWidget(item, 2);
    item->setProgressBar(nullptr);
    delete item;
}

QList<QTWItem*> QTaskList::tasks() const {
    QList<QTWItem*> all;
    for (int i = 0; i < topLevelItemCount(); ++i) all.append(static_cast<QTWItem*>(topLevelItem(i)));
    return all;
}

QTWItem* QTaskList::task(int row) const { return static_cast<QTWItem*>(topLevelItem(row)); }
