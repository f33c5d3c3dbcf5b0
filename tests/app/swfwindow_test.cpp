// The engine bridge (resource lists, compression on a worker thread with its
// progress carried to the GUI thread), the main window end to end, size text,
// output naming and the option tabs.
#include <algorithm>
#include <functional>

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QThread>
#include <QTreeWidget>

#include "core/enginestate.h"
#include "main/bridge.h"
#include "main/taskthread.h"
#include "pipeline/tagsmith.h"
#include "settings/schema.h"
#include "settings/config.h"
#include "settings/shrinkwell.h"
#include "settings/swfinfo.h"
#include "ui/fonttab.h"
#include "ui/imagetab.h"
#include "ui/loadfaildlg.h"
#include "ui/outputdlg.h"
#include "ui/outputnaming.h"
#include "ui/playersize.h"
#include "ui/resourcelist.h"
#include "ui/shapetab.h"
#include "ui/sizetext.h"
#include "ui/sliderspin.h"
#include "ui/soundtab.h"
#include "ui/swfwindow.h"
#include "ui/tasklist.h"
#include "ui/videotab.h"
#include "uitest.h"
#include "widgets/imagebutton.h"

namespace {
struct Outcome {
    QString srcpath, outpath;
    bool failed;
};

void addFiles(QSWFWindow& w, QStringList files) { w.AddFiles(files); }

// Moves a resource-list slider the way a mouse drag ends.
void release(QSlider* s, int value) {
    s->setSliderDown(true);
    s->setValue(value);
    s->setSliderDown(false);
}

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
    struct Seen {
        void* window;
        void* item;
        int value;
        bool guiThread;
    };
    QString m_tmp, m_src;
    QList<Seen> seen;
    QList<int> loading;
    int windowTag = 0, itemTag = 0;

    static Tparams best() { return findpreset("Best")->params; }
    QString put(const char* name, const swfb::Bytes& data) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        return swfb::writefile(QFile::encodeName(path).toStdString(), data) ? path : QString();
    }

    // One compression on the bridge's worker, waited for through the event loop.
    QTaskThread* runWorker(const QString& from, const QString& out, Tparams p = best()) {
        auto* worker =
            new QTaskThread(from, m_tmp, p, SWFinfoCallBack, out, &windowTag, &itemTag, isExeSource(from), this);
        QSignalSpy done(worker, &QThread::finished);
        worker->start(QThread::InheritPriority);
        if (done.wait(30000)) QCoreApplication::processEvents();  // values queued before finished()
        return worker;
    }

    void useOutputFolder(QSWFWindow& w, const QString& folder) {
        w.config()->SetSavePath(folder);
        w.config()->SetShowOutputDlg(1);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_out = m_dir.path() + "/out";
        QDir().mkpath(m_out);
        m_tmp = m_dir.filePath(QStringLiteral("temp"));
        QVERIFY(QDir().mkpath(m_tmp));
        // Several shapes so that reading and writing report progress more than once.
        m_src = put("movie.swf", swfb::boxes(6));
        QVERIFY(!m_src.isEmpty());
        QProgressRelay* relay = QProgressRelay::instance();
        connect(relay, &QProgressRelay::itemProgress, this, [this](void* w, void* i, int v) {
            seen.append({w, i, v, QThread::currentThread() == qApp->thread()});
        });
        connect(relay, &QProgressRelay::loadingProgress, this, [this](int v) {
            QVERIFY(QThread::currentThread() == qApp->thread());
            loading.append(v);
        });
    }

    void init() {
        // Leftovers of one case must not decide the next.
        CCancelProc.store(0);
        seen.clear();
        loading.clear();
    }

    // The engine bridge first, before any window run has moved its progress.
    void resourceListOnGuiThread() {
        Trlist* list = nullptr;
        getResourceList(m_src, m_tmp, SWFinfoCallBack, &list);
        QVERIFY(list);
        QCOMPARE(list[RES_SHAPE].count, 6);
        // Delivered during the call, not queued for later.
        QVERIFY(!loading.isEmpty());
        QCOMPARE(loading.last(), 100);
        QVERIFY(std::is_sorted(loading.begin(), loading.end()));
        QVERIFY(seen.isEmpty());

        // A stage that starts lower than the last value shown shows nothing until it passes it.
        resetProgressHighWaterMark();
        RESTYPE = 2;
        for (int p : {60, 40, 60, 100}) {
            _thisrato = p;
            SWFinfoCallBack(1, 8, &windowTag, &itemTag);
        }
        RESTYPE = -1;
        _thisrato = 0;
        QList<int> values;
        for (const Seen& s : seen) values << s.value;
        QCOMPARE(values, (QList<int>{80, 100}));
    }

    // The stage size goes to the image scaling; the engine's record never sees
    // it, and the worker's copy of the record comes back with it zeroed.
    void compressOnWorker() {
        const QString out = m_dir.filePath(QStringLiteral("movie_compressed.swf"));
        Tparams mine = best();
        mine.ImgPmps_x = 275;
        mine.ImgPmps_y = 800;
        QTaskThread* worker = runWorker(m_src, out, mine);
        const Tparams& used = worker->params();
        QCOMPARE(QList<int>({used.ImgPmps_x, used.ImgPmps_y, CCparams.ImgPmps_x, CCparams.ImgPmps_y}),
                 QList<int>(4, 0));
        QCOMPARE(RatoImageSizeX, 0.5);
        QCOMPARE(RatoImageSizeY, 2.0);
        QCOMPARE(mine.ImgPmps_x, 275);
        QVERIFY(worker->isFinished());
        QVERIFY(worker->outputWritten());
        QVERIFY(worker->errorText().isEmpty());
        QCOMPARE(isFlashFile(out, m_tmp), 1u);

        QVERIFY(seen.size() >= 3);
        QList<int> values;
        for (const Seen& s : seen) {
            QVERIFY(s.guiThread);
            QCOMPARE(s.window, static_cast<void*>(&windowTag));
            QCOMPARE(s.item, static_cast<void*>(&itemTag));
            values << s.value;
        }
        QVERIFY2(std::is_sorted(values.begin(), values.end()), qPrintable(QDebug::toString(values)));
        QVERIFY(values.first() <= 50);   // reading fills the first half
        QVERIFY(values.contains(50));
        QCOMPARE(values.last(), 100);    // writing the second
        QVERIFY(std::any_of(values.begin(), values.end(), [](int v) { return v > 50 && v < 100; }));
        delete worker;

        // Not smaller: the output is the source's bytes and the worker says so;
        // damaged: nothing is written and the reason names the damage.
        const swfb::Bytes grows = swfb::noisy();
        const QString noisy = m_dir.filePath(QStringLiteral("noisy_compressed.swf"));
        worker = runWorker(put("noisy.swf", grows), noisy);
        QVERIFY(worker->outputWritten());
        QVERIFY(worker->sourceKept());
        QCOMPARE(swfb::readfile(QFile::encodeName(noisy).toStdString()), grows);
        delete worker;

        swfb::Bytes broken = swfb::boxes(3, 'C');
        broken.back() ^= 0x55;
        const QString badout = m_dir.filePath(QStringLiteral("broken_compressed.swf"));
        worker = runWorker(put("broken.swf", broken), badout);
        QVERIFY(!worker->outputWritten());
        QVERIFY(!worker->sourceKept());
        QVERIFY2(worker->errorText().startsWith(QStringLiteral("damaged: zlib check failed")),
                 qPrintable(worker->errorText()));
        QVERIFY(!QFileInfo::exists(badout));
        delete worker;
    }

    void addingAndCompressingAMovie() {
        QString src = uitest::writeMovie(m_dir.path() + "/boxes.swf", 40);
        QSWFWindow w;
        useOutputFolder(w, m_out);
        addFiles(w, {src});
        QCOMPARE(w.taskList()->topLevelItemCount(), 1);
        auto* row = w.taskList()->task(0);
        QCOMPARE(row->text(0), QString("boxes.swf"));
        QCOMPARE(QList<int>({row->stageWidth, row->stageHeight}), QList<int>({550, 400}));
        QVERIFY(row->isChecked());
        // Shapes are found and checked; kinds the movie lacks stay unchecked.
        QTWResourceItem* shapes = w.resourceList()->row(RES_SHAPE);
        QVERIFY(shapes->isChecked());
        QVERIFY(!w.resourceList()->row(RES_SOUND)->isChecked());
        QVERIFY(row->info()->isKindChecked(RES_SHAPE));

        // The engine reports from the worker; the bar must only ever move on the GUI thread.
        QList<int> values;
        bool offThread = false;
        connect(row->progressBar(), &QProgressBar::valueChanged, this, [&](int v) {
            values.append(v);
            offThread |= QThread::currentThread() != qApp->thread();
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

        // An output folder that cannot be made: the file is listed as failed.
        useOutputFolder(w, uitest::writeFile(m_dir.path() + "/blocker", "") + "/sub");
        out = compressAll(w);
        QCOMPARE(out.size(), 1);
        QVERIFY(out[0].failed);
        QVERIFY(row->progressBar()->format().startsWith("Failed: "));
    }

    // Files that cannot be read are listed with the reason, not added. A file added twice
    // is one output; vanished and unchecked files are skipped; one spoiled after adding
    // fails and its claimed placeholder is not left behind.
    void rejectedSkippedAndSpoiledFiles() {
        QString a = uitest::writeMovie(m_dir.path() + "/gone.swf", 3);
        QString b = uitest::writeMovie(m_dir.path() + "/kept.swf", 3);
        QString c = uitest::writeMovie(m_dir.path() + "/unchecked.swf", 3);
        QString d = uitest::writeMovie(m_dir.path() + "/spoiled.swf", 5);
        QString junk = uitest::writeFile(m_dir.path() + "/junk.swf", "this is plain text, not a movie");
        QSWFWindow w;
        useOutputFolder(w, m_out);
        QStringList reasons;
        uitest::whenModal<CLoadSWFVideoFail>([&reasons](CLoadSWFVideoFail* dialog) {
            for (int i = 0; i < dialog->list()->topLevelItemCount(); ++i)
                reasons.append(dialog->list()->topLevelItem(i)->text(1));
            dialog->close();
        });
        addFiles(w, {a, junk, b, b, m_dir.path() + "/missing.swf", c, d});
        QCOMPARE(reasons, QStringList({"Not a Flash movie (.swf, or a projector .exe carrying one).", "No such file."}));
        QCOMPARE(w.taskList()->topLevelItemCount(), 5);
        w.taskList()->task(3)->setCheckState(0, Qt::Unchecked);
        QFile::remove(a);
        uitest::writeFile(d, "not a movie at all");
        QList<Outcome> out = compressAll(w);
        QCOMPARE(out.size(), 2);
        QCOMPARE(QList<bool>({out[0].srcpath == b, out[0].failed, out[1].srcpath == d, out[1].failed}),
                 QList<bool>({true, false, true, true}));
        QVERIFY(!QFile::exists(m_out + "/spoiled_compressed.swf"));
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

    void naming() {
        // Source; output path, base name, projector flag.
        const struct {
            const char *source, *outpath, *basename;
            int isExe;
        } rows[] = {
            {"/m/movie.SWF", "/out/movie_compressed.SWF", "movie", 0},
            {"/m/game.exe", "/out/game_compressed.exe", "game", 1},
            {"/m/a.b.swf", "/out/a.b_compressed.swf", "a.b", 0},  // the last dot splits
            {"/m/noext", "/out/noext_compressed.", "noext", 1},
            {"movie.swf", "/out/_compressed.swf", "", 0},  // no folder
            {"/m.d/plain", "/out/plain_compressed.", "plain", 1},  // a dot in the folder only
        };
        for (const auto& row : rows) {
            const COutputNames n = splitOutputNames(row.source, "/out");
            QCOMPARE(n.outpath, QString(row.outpath));
            QCOMPARE(n.basename, QString(row.basename));
            QCOMPARE(n.outbasename, QString(row.basename) + "_compressed");
            QCOMPARE(n.isExe, row.isExe);
        }
        // The output is claimed at once: what an earlier run left there is emptied.
        QTemporaryDir dir;
        QString out = uitest::writeFile(dir.path() + "/movie_compressed.swf", "left from an earlier run");
        COutputNames n = makeOutputNames("/m/movie.swf", dir.path());
        QCOMPARE(n.outpath, out);
        QCOMPARE(QFileInfo(out).size(), 0);
        // An output folder that cannot exist: nothing is claimed, the planned name stays.
        uitest::writeFile(dir.path() + "/file", "");
        n = makeOutputNames("/m/movie.swf", dir.path() + "/file/sub");
        QCOMPARE(n.outpath, dir.path() + "/file/sub/movie_compressed.swf");
        QVERIFY(!QFileInfo::exists(n.outpath));
    }

    // Sizes as the output list and the progress bars show them.
    void sizeTextAndOutputList() {
        const std::pair<qlonglong, const char*> rows[] = {
            {-5, "0KB"},
            {0, "0KB"},
            {1, "1 KB"},
            {1536, "1 KB"},  // truncates
            {1048575, "1023 KB"},
            {1048576, "1.00 MB"},
            {2621440, "2.50 MB"},
            {1073741824, "1.00 GB"},
            {5368709120, "5.00 GB"},
        };
        for (const auto& [bytes, text] : rows) {
            QString got;
            GetSizeString(bytes, got);
            QCOMPARE(got, QString(text));
        }
        QTemporaryDir dir;
        QString src = uitest::writeMovie(dir.path() + "/a.swf", 3);
        tagOutList done, missing, failed;
        done.srcpath = missing.srcpath = failed.srcpath = src;
        done.basename = "a";
        done.outbasename = "a_compressed";
        done.outpath = uitest::writeFile(dir.path() + "/a_compressed.swf", QByteArray(3000, 'x'));
        missing.outpath = dir.path() + "/b_compressed.swf";
        failed.outpath = dir.path() + "/c_compressed.swf";
        failed.failed = true;
        failed.error = "cannot write";
        Qshowdlg dialog({&done, &missing, &failed}, dir.path());
        QTreeWidget* list = dialog.list();
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("a"));
        QCOMPARE(list->topLevelItem(0)->text(2), QString("a_compressed"));
        QCOMPARE(list->topLevelItem(0)->text(3), QString("2 KB"));
        // Not produced, but not known to have failed either: the size of nothing.
        QCOMPARE(list->topLevelItem(1)->text(3), QString("0KB"));
        QCOMPARE(list->topLevelItem(2)->text(3), QString(Qshowdlg::FAILED_TEXT));
        QVERIFY(list->topLevelItem(2)->toolTip(3).contains("cannot write"));
    }

    void windowSliderRadioCoupling() {
        QSWFWindow w;
        QResourceList* res = w.resourceList();
        // Tabs wait for a movie with such resources; these clicks stand for the user's.
        for (QWidget* tab : std::initializer_list<QWidget*>{w.imageTab(), w.soundTab(), w.videoTab()})
            tab->setEnabled(true);
        release(res->slider(RES_IMAGE), 20);
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 0);  // "Best quality"
        release(res->slider(RES_IMAGE), 21);
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 1);  // "Good quality"
        QCOMPARE(res->slider(RES_IMAGE)->value(), 40);
        w.soundTab()->qualityGroup()->button(2)->click();  // "Normal quality"
        QCOMPARE(res->slider(RES_SOUND)->value(), 54);
        release(res->slider(RES_SOUND), 90);
        QCOMPARE(w.soundTab()->getRadioBtnQualityChecked(), 4);
        w.videoTab()->qualityGroup()->button(3)->click();
        QCOMPARE(res->slider(RES_VIDEO)->value(), 75);
        release(res->slider(RES_VIDEO), 45);
        QCOMPARE(w.videoTab()->getRadioBtnChecked(), 2);
        QCOMPARE(res->row(RES_IMAGE)->label()->text(), QString(" 40%"));

        // Shape and font ratios are mirrored both ways.
        res->slider(RES_SHAPE)->setValue(35);
        QCOMPARE(w.shapeTab()->ratio()->value(), 35);
        w.shapeTab()->ratio()->spin()->setValue(77);
        QCOMPARE(res->slider(RES_SHAPE)->value(), 77);
        w.fontTab()->ratio()->setValue(9);
        QCOMPARE(res->slider(RES_FONT)->value(), 9);
        res->slider(RES_FONT)->setValue(30);
        QCOMPARE(w.fontTab()->ratio()->spin()->value(), 30);

        // Tab edits select Custom without loading it; Custom can be saved under a name.
        QComboBox* presets = w.presetSelector();
        QCOMPARE(presets->count(), 6);
        QCOMPARE(presets->itemText(5), QString("Custom"));
        presets->setCurrentIndex(1);  // "Good": image quality radio 1
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 1);
        QVERIFY(!w.saveButton()->isEnabled());
        w.shapeTab()->ratio()->setValue(55);
        QCOMPARE(presets->currentIndex(), 5);
        // The tabs keep the user's values, not the Custom record's.
        QCOMPARE(w.shapeTab()->ratio()->value(), 55);
        QCOMPARE(w.imageTab()->getRadioBtnChecked(), 1);
        QVERIFY(w.saveButton()->isEnabled());
        QVERIFY(!w.removeButton()->isEnabled());
        // Loading a preset into the tabs is not an edit.
        presets->setCurrentIndex(2);
        QCOMPARE(presets->currentIndex(), 2);

        // Saving and removing user settings.
        presets->setCurrentIndex(5);
        w.shapeTab()->ratio()->setValue(42);
        presets->setEditText("My small <files>");
        w.pbtnSaveClicked();
        QCOMPARE(presets->count(), 7);
        QCOMPARE(presets->currentIndex(), 6);
        QCOMPARE(presets->currentText(), QString("My small <files>"));
        QCOMPARE(w.settings()->CustomCount(), 1);
        QCOMPARE(w.settings()->getCustomItem(0)->Sha_ForceCCR, 42);
        QCOMPARE(w.settings()->getCustomItem(0)->isDelete, 1);
        QVERIFY(w.removeButton()->isEnabled());

        // Same name again: asked, and "Overwrite" stores the new values.
        w.shapeTab()->ratio()->setValue(43);
        uitest::whenModal<QMessageBox>([](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                if (b->text() == "Overwrite") b->click();
        });
        w.pbtnSaveClicked();
        QCOMPARE(w.settings()->CustomCount(), 1);
        QCOMPARE(w.settings()->getCustomItem(0)->Sha_ForceCCR, 43);

        // A built-in name is refused.
        presets->setEditText("Best");
        uitest::answerNextBox(QMessageBox::Ok);
        w.pbtnSaveClicked();
        QCOMPARE(presets->count(), 7);
        QCOMPARE(w.settings()->getBuiltinItem(0)->isDelete, 0);

        presets->setCurrentIndex(6);
        uitest::answerNextBox(QMessageBox::Yes);
        w.pbtnRemoveClicked();
        QCOMPARE(presets->count(), 6);
        QCOMPARE(w.settings()->CustomCount(), 0);
    }

    // Every control, changed alone, reaches the engine's record through the tabs,
    // the window's reading of them and the bridge, and changes nothing else there.
    // The values loaded are off the controls' defaults, so that a tab that does
    // not load one is caught too.
    void everyControlReachesTheEngine() {
        QTemporaryDir dir;
        const QString src = uitest::writeMovie(dir.filePath("m.swf"), 1);
        QSWFWindow w;
        QImageTab* image = w.imageTab();
        QSoundTab* sound = w.soundTab();
        QVideoTab* video = w.videoTab();
        for (QWidget* tab : std::initializer_list<QWidget*>{image, w.shapeTab(), sound, video, w.fontTab()})
            tab->setEnabled(true);  // as a movie with every kind would
        Tparams base = best();
        base.Img_Aio = base.Audio_q = base.Video_q = 4;
        base.Img_CustomPV = 55;
        base.Sha_ForceCCR = 64;
        base.Sha_FontCCR = 8;
        base.Audio_s = 22;
        base.Audio_b = 96;
        base.Video_CB = 200;
        base.VideoPmps_x = 1024;
        base.VideoPmps_y = 768;
        auto check = [&](const QString& what, const std::function<void()>& act, int32_t Tparams::*field, int value) {
            QSWFInfo info;
            info.setParams(base);
            image->setImageInfo(&info);
            w.shapeTab()->setShapeInfo(&info);
            w.fontTab()->setFontInfo(&info);
            sound->setSoundInfo(&info);
            video->setVideoInfo(&info);
            act();
            w.readTabs(&info);
            Tparams p{};
            CopySWfInfoToCompress(&info, p);
            CompressSWF(src, dir.path(), p, nullptr, dir.filePath("m_compressed.swf"), nullptr, nullptr, 0);
            Tparams want = base;
            want.*field = value;
            for (int i = 0; i < RECORD_FIELD_COUNT; ++i)
                QVERIFY2(CCparams.*paramfields[i].member == want.*paramfields[i].member,
                         qPrintable(QString("%1: %2").arg(what, paramfields[i].name)));
        };
        // A button clicked by its text, or a change made by act.
        const struct {
            QWidget* tab;
            const char* what;
            std::function<void()> act;
            int32_t Tparams::*field;
            int value;
        } rows[] = {
            {image, "Delete metadata", {}, &Tparams::Img_Dm, 0},
            {image, "Force to jpeg", {}, &Tparams::Img_Ftoj, 0},
            {image, "Delete invisible area", {}, &Tparams::Img_Diia, 0},
            {image, "Intelligent color smooth optimization", {}, &Tparams::Img_Icso, 0},
            {image, "intelligent alpha channel optimization", {}, &Tparams::Img_Iaco, 0},
            {image, "Good quality", {}, &Tparams::Img_Aio, 1},
            {w.shapeTab(), "Intelligent morphing optimization", {}, &Tparams::Sha_Imo, 0},
            {w.shapeTab(), "Intelligent delete useless points", {}, &Tparams::Sha_Idup, 0},
            {w.shapeTab(), "Line optimization", {}, &Tparams::Sha_PenOpt, 1},
            {w.shapeTab(), "Edge detail optimization", {}, &Tparams::Sha_ForceStraight, 1},
            {w.shapeTab(), "Quality focussed optimization", {}, &Tparams::Sha_Hifi, 0},
            {w.fontTab(), "Quality optimization", {}, &Tparams::Sha_FontHifi, 0},
            {sound, "Advanced ABR encoding(average bitrate)", {}, &Tparams::Audio_e, 2},
            {sound, "Normal quality", {}, &Tparams::Audio_q, 2},
            {sound, "Keep stereo", {}, &Tparams::Audio_Mono, 0},
            {video, "Normal quality", {}, &Tparams::Video_q, 2},
            {video, "player height", [&] { video->sizeSelector()->setSize(1024, 480); }, &Tparams::VideoPmps_y, 480},
            {w.shapeTab(), "ratio", [&] { w.shapeTab()->ratio()->spin()->setValue(12); }, &Tparams::Sha_ForceCCR, 12},
            {w.fontTab(), "ratio past its top", [&] { w.fontTab()->ratio()->setValue(40); }, &Tparams::Sha_FontCCR, 32},
            {image, "JPEG quality", [&] { image->customQuality()->setValue(33); }, &Tparams::Img_CustomPV, 33},
            {sound, "rate", [&] { sound->rateBox()->setValue(11); }, &Tparams::Audio_s, 11},
            {sound, "bitrate", [&] { sound->bitrateBox()->setValue(48); }, &Tparams::Audio_b, 48},
            {video, "bitrate", [&] { video->bitrateBox()->setValue(150); }, &Tparams::Video_CB, 150},
        };
        for (const auto& row : rows) {
            check(row.what, row.act ? row.act : [&row] {
                QAbstractButton* control = nullptr;
                for (auto* b : row.tab->findChildren<QAbstractButton*>())
                    if (b->text() == row.what) control = b;
                QVERIFY2(control, row.what);
                control->click();
            }, row.field, row.value);
        }

        // The tabs hold base, with its custom levels, from the last row. A custom value is loaded and
        // read only with its custom radio checked, and its control is enabled only then.
        QVERIFY(image->customQuality()->isEnabled());
        QVERIFY(sound->rateBox()->isEnabled());
        QSWFInfo in, out;
        in.Img_Aio = 1;
        in.Audio_q = 2;
        in.Img_CustomPV = 5;
        in.Audio_s = 44;
        image->setImageInfo(&in);
        sound->setSoundInfo(&in);
        QVERIFY(!image->customQuality()->isEnabled());
        QVERIFY(!sound->bitrateBox()->isEnabled());
        QCOMPARE(image->customQuality()->value(), 55);
        QCOMPARE(sound->rateBox()->value(), 22);
        out.Img_CustomPV = 70;
        out.Audio_s = 11;
        image->getImageInfo(&out);
        sound->getSoundInfo(&out);
        QCOMPARE(QList<int>({out.Img_CustomPV, out.Audio_s}), QList<int>({70, 11}));
    }
};

UITEST_MAIN(SWFWindowTest)
#include "swfwindow_test.moc"
