#include "ui/outputdlg.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "main/constants.h"
#include "platform/platform.h"
#include "ui/sizetext.h"
#include "ui/tasklist.h"

const char* const Qshowdlg::FAILED_TEXT = "Failed";

namespace {
long long currentsize(const QString& path) {
    QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}
}  // namespace

Qshowdlg::Qshowdlg(const QList<tagOutList*>& list, const QString& outdir, QWidget* parent)
    : QDialog(parent), m_outdir(outdir) {
    setWindowTitle(WINDOW_TITLE);
    setWindowIcon(QIcon(APP_ICON));
    setFixedSize(456, 280);

    m_list = new QTreeWidget(this);
    m_list->setFixedSize(446, 215);
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({"Original video", "Original size", "Optimized video", "Optimized size"});
    m_list->setColumnWidth(0, 130);
    m_list->setColumnWidth(1, 80);
    m_list->setColumnWidth(2, 130);
    m_list->setColumnWidth(3, 80);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setStyleSheet(QTaskList::SELECTED_STYLE);
    for (const tagOutList* entry : list) {
        auto* row = new QTreeWidgetItem(m_list);
        row->setText(0, entry->basename);
        row->setToolTip(0, entry->srcpath);
        row->setText(1, GetSizeString(currentsize(entry->srcpath)));
        row->setText(2, entry->outbasename);
        if (entry->failed) {
            row->setText(3, FAILED_TEXT);
            QString why = entry->error.isEmpty() ? QStringLiteral("The compressed file could not be written.")
                                                 : QStringLiteral("Not written: ") + entry->error;
            for (int c = 2; c < 4; ++c) {
                row->setForeground(c, QColor(0xc0, 0x20, 0x20));
                row->setToolTip(c, why);
            }
        } else {
            row->setText(3, GetSizeString(currentsize(entry->outpath)));
            row->setToolTip(2, entry->outpath);
            if (entry->kept) {
                row->setText(3, row->text(3) + QStringLiteral(" (kept)"));
                row->setToolTip(3, QStringLiteral("Kept: compressing did not make it smaller, so it is a copy of the original."));
            }
        }
    }

    m_btnCancel = new QPushButton("Cancel", this);
    m_btnOpen = new QPushButton("Open", this);
    m_btnOpen->setToolTip("Open the output video folder");
    m_btnOpen->setDefault(true);
    connect(m_btnCancel, &QPushButton::clicked, this, &Qshowdlg::btnokClicked);
    connect(m_btnOpen, &QPushButton::clicked, this, &Qshowdlg::btnOpenClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnCancel);
    buttons->addWidget(m_btnOpen);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(5, 5, 5, 5);
    col->setSpacing(4);
    col->addWidget(new QLabel(" Output flash files list:", this));
    col->addWidget(m_list);
    col->addLayout(buttons);
}

void Qshowdlg::btnokClicked() { close(); }

void Qshowdlg::btnOpenClicked() {
    if (!m_outdir.isEmpty() && QDir(m_outdir).exists()) OpenFolder(m_outdir);
}
