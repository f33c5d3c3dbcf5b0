#include "ui/loadfaildlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "main/constants.h"

CLoadSWFVideoFail::CLoadSWFVideoFail(const QStringList& paths, void* object, QWidget* parent,
                                     const QStringList& reasons)
    : QDialog(parent), m_object(object) {
    setWindowTitle(WINDOW_TITLE);
    setWindowIcon(QIcon(APP_ICON));

    m_list = new QTreeWidget(this);
    m_list->setMinimumSize(560, 230);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({"File", "Reason"});
    m_list->setRootIsDecorated(false);
    m_list->setAlternatingRowColors(true);
    m_list->header()->setSectionsMovable(false);
    for (int i = 0; i < paths.size(); ++i) {
        auto* row = new QTreeWidgetItem(m_list);
        row->setText(0, paths[i]);
        row->setToolTip(0, paths[i]);
        const QString why = i < reasons.size() ? reasons[i] : QString();
        row->setText(1, why);
        row->setToolTip(1, why);
    }
    m_list->resizeColumnToContents(0);
    m_list->setColumnWidth(0, qMin(m_list->columnWidth(0), 340));

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
}
