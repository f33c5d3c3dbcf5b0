// QSWFWindow: the compression run, one movie at a time on a worker thread,
// and closing the window while it works.
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>

#include "main/bridge.h"
#include "main/taskthread.h"
#include "settings/config.h"
#include "settings/shrinkwell.h"
#include "ui/imagetab.h"
#include "ui/loadprogress.h"
#include "ui/msgbox.h"
#include "ui/outputdlg.h"
#include "ui/resourcelist.h"
#include "ui/sizetext.h"
#include "ui/swfwindow.h"
#include "ui/tasklist.h"
#include "ui/videotab.h"
#include "widgets/imagebutton.h"

void QSWFWindow::pbtnCompressClicked() {
    if (m_thread) return;
    for (QTWItem* row : m_tasks->tasks())
        if (row->isChecked()) m_pending.append(row);
    CompressRun();
}

tagOutList* QSWFWindow::outputEntry(const QString& srcpath) {
    for (tagOutList* entry : m_outList)
        if (entry->srcpath == srcpath) return entry;
    return nullptr;
}

void QSWFWindow::CompressRun() {
    QTWItem* row = nullptr;
    while (!m_pending.isEmpty()) {
        row = m_pending.takeFirst();
        if (QFileInfo::exists(row->path())) break;
        row = nullptr;  // gone since it was added: on with the next one
    }
    if (!row) {
        setButtonEnabled(true);
        emit runFinished();
        if (m_config->GetShowOutputDlg() && !m_outList.isEmpty()) showOutputList();
        return;
    }

    const QString outdir = m_config->GetSavePath();
    QDir().mkpath(outdir);
    COutputNames names = makeOutputNames(row->path(), outdir);
    tagOutList* entry = outputEntry(row->path());
    if (!entry) {
        entry = new tagOutList;
        entry->srcpath = row->path();
        m_outList.append(entry);
    }
    entry->basename = names.basename;
    entry->outpath = names.outpath;
    entry->outbasename = names.outbasename;
    entry->failed = false;
    entry->error.clear();
    entry->kept = false;
    m_running = entry;

    QSWFInfo* info = row->info();
    if (m_cmbCustom->currentIndex() > 4) readTabs(info);
    if (m_imageTab->widthIsStageSize()) {
        info->ImgPmps_x = row->stageWidth;
        info->ImgPmps_y = row->stageHeight;
    }
    if (m_videoTab->widthIsStageSize()) {
        info->VideoPmps_x = row->stageWidth;
        info->VideoPmps_y = row->stageHeight;
    }
    Tparams params{};
    CopySWfInfoToCompress(info, params);
    if (QProgressBar* bar = row->progressBar()) {
        bar->resetFormat();
        bar->setValue(0);
    }
    resetProgressHighWaterMark();
    m_thread = new QTaskThread(row->path(), m_tmpDir, params, SWFinfoCallBack, names.outpath, this, row,
                               names.isExe, this);
    connect(m_thread, &QThread::finished, this, &QSWFWindow::deleteThread);
    m_thread->start(QThread::InheritPriority);
    setButtonEnabled(false);
}

void QSWFWindow::deleteThread() {
    QTaskThread* thread = m_thread;
    if (!thread || m_closing) return;
    thread->wait();
    m_thread = nullptr;

    // The engine's word and the file itself must agree before a file counts as done.
    const QString out = thread->outputPath();
    QFileInfo written(out);
    bool ok = thread->outputWritten() && written.exists() && written.size() > 0;
    auto* row = static_cast<QTWItem*>(thread->item());
    if (m_running) {
        m_running->failed = !ok;
        m_running->error = ok ? QString() : thread->errorText();
        m_running->kept = ok && thread->sourceKept();
        if (!ok && m_running->error.isEmpty()) m_running->error = "The output file is missing or empty.";
    }
    if (!ok && written.exists() && written.size() == 0) QFile::remove(out);  // the placeholder claimed for it
    if (row && m_tasks->indexOfTopLevelItem(row) >= 0 && row->progressBar())
        showOutcome(row->progressBar(), ok, thread->sourceKept(), QFileInfo(row->path()).size(), written.size(),
                    m_running ? m_running->error : thread->errorText());
    m_running = nullptr;
    delete thread;
    CompressRun();
}

void QSWFWindow::showOutcome(QProgressBar* bar, bool ok, bool kept, qint64 before, qint64 after,
                             const QString& error) {
    // The bar's own "100%" says nothing once a file is done: the result does.
    bar->setValue(ok ? 100 : bar->value());
    QString text = error.isEmpty() ? QString("Failed") : "Failed: " + error;
    if (ok && kept) text = "Kept (not smaller)";
    else if (ok)
        text = QString("%1 (saved %2%)")
                   .arg(GetSizeString(after))
                   .arg(before > 0 ? 100.0 * double(before - after) / double(before) : 0.0, 0, 'f', 1);
    bar->setFormat(text);
    bar->setToolTip(text);
}

void QSWFWindow::showOutputList() {
    emit outputListReady(m_outList);
    {
        Qshowdlg dialog(m_outList, m_config->GetSavePath(), this);
        dialog.exec();
    }
    qDeleteAll(m_outList);
    m_outList.clear();
}

void QSWFWindow::setButtonEnabled(bool b) {
    for (CImageButton* button : {m_btnAdd, m_btnDelete, m_btnClear, m_btnMoreOptions, m_btnCompress})
        button->setEnabled(b);
    m_cmbCustom->setEnabled(b);
    m_resources->setEnabled(b);
    for (QAction* action : {m_actAdd, m_actCompress})
        if (action) action->setEnabled(b);
    m_dropsEnabled = b;
    if (b) {
        updateSettingsButtons();
    } else {
        m_btnSave->setEnabled(false);
        m_btnRemove->setEnabled(false);
    }
}

void QSWFWindow::onItemProgress(void* window, void* item, int value) {
    if (window != this) return;
    auto* row = static_cast<QTWItem*>(item);
    if (m_tasks->indexOfTopLevelItem(row) < 0 || !row->progressBar()) return;
    row->progressBar()->setValue(value);
}

void QSWFWindow::onLoadingProgress(int percent) {
    if (m_loading && m_loading->isVisible()) m_loading->setValue(percent);
}

void QSWFWindow::closeEvent(QCloseEvent* event) {
    if (m_thread && m_thread->isRunning()) {
        QMsgBox box(QMessageBox::Warning, "Shrinkwell is working now. Are you sure to quit?",
                    QMessageBox::Yes | QMessageBox::No, this);
        if (box.exec() != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        m_pending.clear();
        // The run may have ended while the question was open; a stop request
        // without a run would linger in the engine.
        if (m_thread) {
            Uninit();
            m_closing = true;
        }
    }
    g_bExitRequested = true;
    event->accept();
}
