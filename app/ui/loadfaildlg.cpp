#include "ui/loadfaildlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "main/constants.h"

CLoadSWFVideoFail::CLoadSWFVideoFail(const QStringList& paths, void* object, QWidget* parent)
    : QDialog(parent), m_object(object) {
    setWindowTitle(WINDOW_TITLE);
    setWindowIcon(QIcon(APP_ICON));

    m_list = new QTreeWidget(this);
    m_list->setFixedSize(410, 230);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QString(), QString()});
    m_list->header()->setMinimumSectionSize(0);
    m_list->setColumnWidth(0, 0);
    m_list->setColumnWidth(1, 390);
    m_list->setRootIsDecorated(false);
    m_list->setAlternatingRowColors(true);
    m_list->header()->setSectionsMovable(false);
    for (const QString& path : paths) {
        auto* row = new QTreeWidgetItem(m_list);
        row->setText(1, path);
        row->setToolTip(1, path);
    }

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* col = new QVBoxLayout(this);
    col->addWidget(new QLabel("Failed to load file:", this));
    col->addWidget(m_list);
    col->addLayout(buttons);
    setFixedSize(sizeHint());
}
