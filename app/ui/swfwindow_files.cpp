// QSWFWindow: adding and removing movies, drops, and the resource list.
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>

#include "main/bridge.h"
#include "platform/platform.h"
#include "settings/shrinkwell.h"
#include "ui/displaywnd.h"
#include "ui/loadfaildlg.h"
#include "ui/loadprogress.h"
#include "ui/resourcelist.h"
#include "ui/swfwindow.h"
#include "ui/tasklist.h"
#include "widgets/imagebutton.h"

bool QSWFWindow::startPanelShown() const { return m_stack->currentWidget() == m_display; }

void QSWFWindow::showMainPanel() {
    if (!startPanelShown()) return;
    m_stack->setCurrentWidget(m_mainPanel);
    m_toolbar->show();
    applyWindowSize();
}

void QSWFWindow::AddSWFFileFinish(bool added) {
    if (!added) return;
    QStringList files = m_display->takeFiles();
    showMainPanel();
    AddFiles(files);
}

void QSWFWindow::pbtnAddSWFclicked() {
    QStringList files = getOpenFileNames("Open", m_settings->getSWFPath(), {"swf", "exe"});
    if (files.isEmpty()) return;
    showMainPanel();
    AddFiles(files);
}

QString QSWFWindow::loadFailure(const QString& path) {
    QFileInfo info(path);
    if (!info.exists()) return "No such file.";
    if (info.isDir()) return "It is a folder.";
    if (!info.isFile()) return "Not a regular file.";
    if (!info.isReadable()) return "Permission denied.";
    if (info.size() <= 0) return "The file is empty.";
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString() + ".";
    if (isFlashFile(path, m_tmpDir) == 0) return "Not a Flash movie (.swf, or a projector .exe carrying one).";
    return QString();
}

bool QSWFWindow::VerifyFlashFile(const QString& path) { return loadFailure(path).isEmpty(); }

void QSWFWindow::AddFiles(QStringList& paths) {
    m_loadFail.clear();
    QStringList reasons;
    QString last;
    for (const QString& path : paths) {
        if (g_bExitRequested) {
            // The window is closing: leave the rest.
            g_bExitRequested = false;
            if (m_loading) m_loading->hide();
            break;
        }
        if (path.isEmpty()) break;
        last = path;
        QSWFInfo* preset = selectedRecord();
        const QString failure = loadFailure(path);
        if (!failure.isEmpty()) {
            m_loadFail.append(path);
            reasons.append(failure);
            continue;
        }
        auto* info = new QSWFInfo;
        if (preset) QShrinkwell::CopySWFInfo(preset, info);
        if (!m_loading) m_loading = new CLoadFileProgressBar(this);
        m_loading->showFor(path);
        addSWFItem(path, info);
    }
    if (m_loading) m_loading->hide();
    if (m_tasks->topLevelItemCount() > 0) showMainPanel();
    paths.clear();
    m_dropsEnabled = true;
    if (!last.isEmpty() && QFileInfo::exists(last)) {
        m_settings->setSWFPath(QFileInfo(last).absolutePath());
        m_display->setStartFolder(m_settings->getSWFPath());
    }
    if (!m_loadFail.isEmpty()) {
        CLoadSWFVideoFail dialog(m_loadFail, this, this, reasons);
        dialog.exec();
        m_loadFail.clear();
    }
}

void QSWFWindow::addSWFItem(const QString& path, QSWFInfo* info) {
    QTWItem* item = m_tasks->addTask(path, info);
    Trlist* list = nullptr;
    getResourceList(path, m_tmpDir, SWFinfoCallBack, &list);
    // The engine's list is overwritten by the next engine call: copy it now.
    Trlist kinds[RES_COUNT] = {};
    if (list)
        for (int k = 0; k < RES_COUNT; ++k) kinds[k] = list[k];

    const Tflashhead head = readSrcFlashHead(path);
    item->stageWidth = head.xmax;
    item->stageHeight = head.ymax;

    for (int k = 0; k < RES_COUNT; ++k) {
        info->setKindChecked(TResType(k), kinds[k].srcsize != 0 && kinds[k].count != 0);
        info->kinds[k].srcsize = kinds[k].srcsize;
        info->kinds[k].dstsize = kinds[k].dstsize;
    }
    setTreeResItemUI(info);
}

void QSWFWindow::setTreeResItemUI(QSWFInfo* info) {
    m_resources->showRecord(info);
    for (int k = RES_IMAGE; k <= RES_FONT; ++k) m_tabs->widget(k)->setEnabled(info->isKindChecked(TResType(k)));
}

void QSWFWindow::TreeMainItemClicked(QTreeWidgetItem* item) {
    auto* row = static_cast<QTWItem*>(item);
    if (!row || !row->info()) return;
    int index = m_cmbCustom->findText(row->info()->name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) return;
    m_applyToTabs = false;
    setTreeResItemUI(row->info());
    m_cmbCustom->setCurrentIndex(index);
    m_applyToTabs = true;
}

void QSWFWindow::UpdateSWFInfoResItem(QTreeWidgetItem* item) {
    auto* res = static_cast<QTWResourceItem*>(item);
    if (!res) return;
    bool checked = res->isChecked();
    res->slider()->setEnabled(checked);
    if (QWidget* tab = m_tabs->widget(res->type())) tab->setEnabled(checked);
    if (auto* row = static_cast<QTWItem*>(m_tasks->currentItem())) {
        row->info()->setKindChecked(res->type(), checked);
        row->info()->kinds[res->type()].rate = res->slider()->value();
    }
}

void QSWFWindow::removeRows(const QList<QTWItem*>& rows) {
    for (QTWItem* row : rows) m_tasks->removeTask(row);
    {
        const QSignalBlocker quiet(m_resources);
        m_resources->reset();
    }
    for (int k = RES_IMAGE; k <= RES_FONT; ++k) m_tabs->widget(k)->setEnabled(false);
    if (m_tasks->topLevelItemCount() > 0) {
        QTreeWidgetItem* next = m_tasks->currentItem() ? m_tasks->currentItem() : m_tasks->topLevelItem(0);
        m_tasks->setCurrentItem(next);
        TreeMainItemClicked(next);
    } else if (m_optionsShown) {
        pbtnMoreOptionsClicked();
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect area = screen->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    }
}

void QSWFWindow::pbtnDeleteClicked() {
    QList<QTWItem*> rows;
    for (QTreeWidgetItem* item : m_tasks->selectedItems()) rows.append(static_cast<QTWItem*>(item));
    if (rows.isEmpty()) return;
    removeRows(rows);
}

void QSWFWindow::pbtnClearClicked() { removeRows(m_tasks->tasks()); }

void QSWFWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (m_dropsEnabled && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void QSWFWindow::dropEvent(QDropEvent* event) {
    if (!m_dropsEnabled || !event->mimeData()->hasUrls()) return;
    m_dropsEnabled = false;
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        QString path = url.toLocalFile();
        if (!path.isEmpty() && QFileInfo(path).isFile()) files.append(path);
    }
    if (files.isEmpty()) {
        m_dropsEnabled = true;
        return;
    }
    event->acceptProposedAction();
    showMainPanel();
    AddFiles(files);
}
