// The main window end to end: adding movies, the run loop on the worker
// thread, the output list (including outputs that could not be written) and
// closing while a run is going.
#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProgressBar>
#include <QSignalSpy>
#include <QThread>
#include <QTreeWidget>

#include "core/enginestate.h"
#include "settings/config.h"
#include "settings/swfinfo.h"
#include "ui/displaywnd.h"
#include "ui/loadfaildlg.h"
#include "ui/outputdlg.h"
#include "ui/resourcelist.h"
#include "ui/swfwindow.h"
#include "ui/tasklist.h"
#include "uitest.h"
#include "widgets/imagebutton.h"

namespace {
struct Outcome {
    QString srcpath, outpath;
    bool failed;
};

void addFiles(QSWFWindow& w, QStringList files) { w.AddFiles(files); }

// Runs the checked rows and returns the output list as the window showed it.
QList<Outcome> compressAll(QSWFWindow& w, int timeoutms = 60000) {
    QList<Outcome> seen;
    QObject::connect(&w, &QSWFWindow::outputListReady, &w, [&seen](const QList<tagOutList*>& list) {
        for (const tagOutList* e : list) seen.append({e->srcpath, e->outpath, e->failed});
        uitest::whenModal<Qshowdlg>([](Qshowdlg* dialog) { dialog->close(); });
    });
    QSignalSpy done(&w, &QSWFWindow::runFinished);
    w.pbtnCompressClicked();
    if (done.isEmpty()) done.wait(timeoutms);
    QCoreApplication::processEvents();
    QObject::disconnect(&w, &QSWFWindow::outputListReady, &w, nullptr);
    return seen;
}
}  // namespace

class SWFWindowTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_out;

    void useOutputFolder(QSWFWindow& w, const QString& folder) {
        w.config()->SetSavePath(folder);
        w.config()->SetShowOutputDlg(1);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_out = m_dir.path() + "/out";
        QDir().mkpath(m_out);
    }

    void init() {
        // Leftovers of one case must not decide the next.
        CCancelProc.store(0);
    }

    void addingAndCompressingAMovie() {
        QString src = uitest::writeMovie(m_dir.path() + "/boxes.swf", 40);
        QSWFWindow w;
        useOutputFolder(w, m_out);
        QStringList files{src};
        w.AddFiles(files);
        QVERIFY(files.isEmpty());
        QCOMPARE(w.taskList()->topLevelItemCount(), 1);
        auto* row = w.taskList()->task(0);
        QCOMPARE(row->text(0), QString("boxes.swf"));
        QCOMPARE(row->stageWidth, 550);
        QCOMPARE(row->stageHeight, 400);
        QVERIFY(row->isChecked());
        // Shapes are found and checked; kinds the movie lacks stay unchecked.
        QTWResourceItem* shapes = w.resourceList()->row(RES_SHAPE);
        QVERIFY(shapes->isChecked());
        QVERIFY(!shapes->text(1).isEmpty());
        QVERIFY(!w.resourceList()->row(RES_SOUND)->isChecked());
        QVERIFY(row->info()->isKindChecked(RES_SHAPE));
        QVERIFY(row->info()->kinds[RES_SHAPE].srcsize > 0);

        // The engine reports from the worker; the bar must only ever move on the GUI thread.
        QList<int> values;
        bool offThread = false;
        QThread* gui = QThread::currentThread();
        connect(row->progressBar(), &QProgressBar::valueChanged, this, [&](int v) {
            values.append(v);
            offThread |= QThread::currentThread() != gui;
        }, Qt::DirectConnection);
        QList<Outcome> out = compressAll(w);
        QVERIFY(!offThread);
        QVERIFY(values.size() >= 2);
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(out.size(), 1);
        QVERIFY(!out[0].failed);
        QCOMPARE(out[0].outpath, m_out + "/boxes_compressed.swf");
        QVERIFY(QFileInfo(out[0].outpath).size() > 0);
        QCOMPARE(row->progressBar()->value(), 100);
        QVERIFY2(row->progressBar()->format().endsWith("%)") && row->progressBar()->format().contains("(saved "),
                 qPrintable(row->progressBar()->format()));
        QVERIFY(w.compressButton()->isEnabled());
        QVERIFY(w.outputList().isEmpty());  // emptied once shown
        QVERIFY(QFile::exists(src));
    }

    void sameFileTwiceIsOneOutput() {
        QString src = uitest::writeMovie(m_dir.path() + "/twice.swf", 5);
        QSWFWindow w;
        useOutputFolder(w, m_out);
        addFiles(w, {src, src});
        QCOMPARE(w.taskList()->topLevelItemCount(), 2);
        QList<Outcome> out = compressAll(w);
        QCOMPARE(out.size(), 1);
        QVERIFY(!out[0].failed);
    }

    void unwritableOutputIsListedAsFailed() {
        QString src = uitest::writeMovie(m_dir.path() + "/nowhere.swf", 5);
        QFile blocker(m_dir.path() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSWFWindow w;
        useOutputFolder(w, blocker.fileName() + "/sub");
        addFiles(w, {src});
        QList<Outcome> out = compressAll(w);
        QCOMPARE(out.size(), 1);
        QVERIFY(out[0].failed);
        QVERIFY(w.taskList()->task(0)->progressBar()->format().startsWith("Failed: "));
    }

    void sourceSpoiledBeforeTheRunFails() {
        QString src = uitest::writeMovie(m_dir.path() + "/spoiled.swf", 5);
        QSWFWindow w;
        useOutputFolder(w, m_out);
        addFiles(w, {src});
        QFile f(src);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("not a movie at all");
        f.close();
        QList<Outcome> out = compressAll(w);
        QCOMPARE(out.size(), 1);
        QVERIFY(out[0].failed);
        // The placeholder claimed for it is not left behind as an empty "result".
        QVERIFY(!QFile::exists(m_out + "/spoiled_compressed.swf"));
    }

    void vanishedAndUncheckedFilesAreSkipped() {
        QString a = uitest::writeMovie(m_dir.path() + "/gone.swf", 3);
        QString b = uitest::writeMovie(m_dir.path() + "/kept.swf", 3);
        QString c = uitest::writeMovie(m_dir.path() + "/unchecked.swf", 3);
        QSWFWindow w;
        useOutputFolder(w, m_out);
        addFiles(w, {a, b, c});
        QCOMPARE(w.taskList()->topLevelItemCount(), 3);
        w.taskList()->task(2)->setCheckState(0, Qt::Unchecked);
        QFile::remove(a);
        QList<Outcome> out = compressAll(w);
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].srcpath, b);
    }

    void rejectedFilesAreListedNotAdded() {
        QString junk = m_dir.path() + "/junk.swf";
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is plain text, not a movie");
        f.close();
        QString good = uitest::writeMovie(m_dir.path() + "/good.swf", 2);
        QSWFWindow w;
        QStringList reasons;
        uitest::whenModal<CLoadSWFVideoFail>([&reasons](CLoadSWFVideoFail* dialog) {
            for (int i = 0; i < dialog->list()->topLevelItemCount(); ++i)
                reasons.append(dialog->list()->topLevelItem(i)->text(1));
            dialog->close();
        });
        addFiles(w, {junk, m_dir.path() + "/missing.swf", good});
        QCOMPARE(reasons, QStringList({"Not a Flash movie (.swf, or a projector .exe carrying one).", "No such file."}));
        QCOMPARE(w.taskList()->topLevelItemCount(), 1);
    }

    void closingDuringARun() {
        // Large enough that the run is still going when the window is closed.
        QString src = uitest::writeMovie(m_dir.path() + "/big.swf", 30000);
        auto* w = new QSWFWindow;
        useOutputFolder(*w, m_out);
        w->show();
        addFiles(*w, {src});
        QSignalSpy done(w, &QSWFWindow::runFinished);
        w->pbtnCompressClicked();
        QVERIFY(w->isRunning());
        QVERIFY(!w->compressButton()->isEnabled());

        // "No" keeps the window and the run.
        uitest::answerNextBox(QMessageBox::No);
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        if (!w->isRunning()) QSKIP("the run ended before the window could be closed");

        uitest::answerNextBox(QMessageBox::Yes);
        QVERIFY(w->close());
        QVERIFY(!w->isVisible());
        delete w;  // waits for the engine to stop at its next tag
        QCOMPARE(done.count(), 0);
        QVERIFY(!QFile::exists(m_out + "/big_compressed.swf"));
        QCOMPARE(CCancelProc.load(), 0);
        QVERIFY(QFile::exists(src));
    }

};

UITEST_MAIN(SWFWindowTest)
#include "swfwindow_test.moc"
