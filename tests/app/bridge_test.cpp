// The engine bridge: resource lists on the GUI thread, compression on a
// worker thread with its progress carried back to the GUI thread.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>

#include "settings/schema.h"
#include "pipeline/tagsmith.h"
#include "main/bridge.h"
#include "main/constants.h"
#include "main/taskthread.h"
#include "support/swfbuilder.h"

class BridgeTest : public QObject {
    Q_OBJECT

    struct Seen {
        void* window;
        void* item;
        int value;
        bool guiThread;
    };
    QTemporaryDir dir;
    QString tmp;
    QString src;
    QList<Seen> seen;
    QList<int> loading;
    int windowTag = 0, itemTag = 0;

    static Tparams best() { return findpreset("Best")->params; }
    QString put(const char* name, const swfb::Bytes& data) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        return swfb::writefile(QFile::encodeName(path).toStdString(), data) ? path : QString();
    }

    // One compression on the worker, waited for through the event loop.
    QTaskThread* runWorker(const QString& from, const QString& out, Tparams p = best()) {
        auto* worker =
            new QTaskThread(from, tmp, p, SWFinfoCallBack, out, &windowTag, &itemTag, isExeSource(from), this);
        QSignalSpy done(worker, &QThread::finished);
        worker->start(QThread::InheritPriority);
        if (done.wait(30000)) QCoreApplication::processEvents();  // values queued before finished()
        return worker;
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        tmp = dir.filePath(QStringLiteral("temp"));
        QVERIFY(QDir().mkpath(tmp));
        // Several shapes so that reading and writing report progress more than once.
        src = put("movie.swf", swfb::boxes(6));
        QVERIFY(!src.isEmpty());
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
        seen.clear();
        loading.clear();
    }

    void resourceListOnGuiThread() {
        Trlist* list = nullptr;
        getResourceList(src, tmp, SWFinfoCallBack, &list);
        QVERIFY(list);
        QCOMPARE(list[RES_SHAPE].count, 6);
        QVERIFY(list[RES_SHAPE].srcsize > 0);
        QCOMPARE(list[RES_IMAGE].count, 0);
        QCOMPARE(RESTYPE.load(), 0);
        // Delivered during the call, not queued for later.
        QVERIFY(!loading.isEmpty());
        QCOMPARE(loading.last(), 100);
        QVERIFY(std::is_sorted(loading.begin(), loading.end()));
        QVERIFY(seen.isEmpty());
        QCOMPARE(progressHighWaterMark(), 0);
    }

    void compressOnWorker() {
        const QString out = dir.filePath(QStringLiteral("movie_compressed.swf"));
        QTaskThread* worker = runWorker(src, out);
        QVERIFY(worker->isFinished());
        QVERIFY(worker->outputWritten());
        QVERIFY(worker->errorText().isEmpty());
        QVERIFY(QFileInfo(out).size() > 0);
        QCOMPARE(isFlashFile(out, tmp), 1u);
        QCOMPARE(RESTYPE.load(), 2);

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
    }

    // A stage that starts lower than the last value shown shows nothing until it passes it.
    void onlyIncreasesAreShown() {
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

    // The stage size goes to the image scaling; the engine's record never
    // sees it, and the caller's record comes back with it zeroed.
    void playerSizeIsZeroed() {
        Tparams p = best();
        p.ImgPmps_x = 275;
        p.ImgPmps_y = 800;
        CompressSWF(src, tmp, p, SWFinfoCallBack, dir.filePath(QStringLiteral("sized.swf")), nullptr, nullptr, 0);
        QCOMPARE(QList<int>({p.ImgPmps_x, p.ImgPmps_y, CCparams.ImgPmps_x, CCparams.ImgPmps_y}), QList<int>({0, 0, 0, 0}));
        QCOMPARE(RatoImageSizeX, 0.5);
        QCOMPARE(RatoImageSizeY, 2.0);
        QCOMPARE(CCparams.Audio_q, p.Audio_q);

        Tparams mine = best();
        mine.ImgPmps_x = 640;
        QTaskThread* worker = runWorker(src, dir.filePath(QStringLiteral("sized2.swf")), mine);
        QCOMPARE(worker->params().ImgPmps_x, 0);
        QCOMPARE(mine.ImgPmps_x, 640);  // the thread works on its own copy
        delete worker;
    }

    // Not smaller: the output is the source's bytes and the worker says so;
    // damaged: nothing is written and the reason names the damage.
    void keptAndDamagedAreReported() {
        const swfb::Bytes grows = swfb::noisy();
        const QString out = dir.filePath(QStringLiteral("noisy_compressed.swf"));
        QTaskThread* worker = runWorker(put("noisy.swf", grows), out);
        QVERIFY(worker->outputWritten());
        QVERIFY(worker->sourceKept());
        QCOMPARE(swfb::readfile(QFile::encodeName(out).toStdString()), grows);
        delete worker;

        swfb::Bytes broken = swfb::boxes(3, 'C');
        broken.back() ^= 0x55;
        const QString badout = dir.filePath(QStringLiteral("broken_compressed.swf"));
        worker = runWorker(put("broken.swf", broken), badout);
        QVERIFY(!worker->outputWritten());
        QVERIFY(!worker->sourceKept());
        QVERIFY2(worker->errorText().startsWith(QStringLiteral("damaged: zlib check failed")),
                 qPrintable(worker->errorText()));
        QVERIFY(!QFileInfo::exists(badout));
        delete worker;
    }
};

QTEST_GUILESS_MAIN(BridgeTest)
#include "bridge_test.moc"
