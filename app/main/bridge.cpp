#include "main/bridge.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <atomic>

#include "core/tagsmith.h"
#include "main/constants.h"

namespace {

// Only increases are shown; 100 resets it so that the next run starts from 0.
std::atomic<int> highwater{0};

QByteArray local8(const QString& s) { return QFile::encodeName(s); }

}  // namespace

void CompressSWF(const QString& src, const QString& tmpDir, Tparams& params, TSWFCallBack cb, const QString& out,
                 void* window, void* item, int isExe, QString* error, bool* kept) {
    const QByteArray tools = local8(toolsDirectory());
    const QByteArray tmp = local8(tmpDir);
    one_initdata(tools.constData(), tmp.constData());
    setslobject(window, item);
    setslproc(cb);
    RESTYPE = 1;
    two_readfile(local8(src).constData());
    three_getflashdata();
    four_getexistsparam();
    five_allimgsetratodef(params.ImgPmps_x, params.ImgPmps_y);
    params.ImgPmps_x = 0;
    params.ImgPmps_y = 0;
    six_allparamset(params);
    seven_prepareopt();
    RESTYPE = 2;
    dooptimize(local8(out).constData(), isExe);
    const bool keptsource = keepsmaller(local8(out).constData(), 0) != 0;
    if (kept) *kept = keptsource;
    if (error) {
        // Only for the caller's report: the run itself is over either way.
        error->clear();
        if (dstfilesize() <= 0) {
            *error = QString::fromLocal8Bit(lasterror());
            if (error->isEmpty()) *error = QStringLiteral("The output file could not be written.");
        }
    }
    appfina();
}

void getResourceList(const QString& src, const QString& tmpDir, TSWFCallBack cb, Trlist** list) {
    const QByteArray tools = local8(toolsDirectory());
    const QByteArray tmp = local8(tmpDir);
    one_initdata(tools.constData(), tmp.constData());
    setslproc(cb);
    RESTYPE = 0;
    two_readfile(local8(src).constData());
    three_getflashdata();
    if (list) *list = getresourcelist();
    appfina();
}

unsigned isFlashFile(const QString& src, const QString& tmpDir) {
    const QByteArray tools = local8(toolsDirectory());
    const QByteArray tmp = local8(tmpDir);
    one_initdata(tools.constData(), tmp.constData());
    int version = 0, xmin = 0, xmax = 0, ymin = 0, ymax = 0, rate = 0, frames = 0;
    unsigned filelength = 0;
    unsigned char r = 0, g = 0, b = 0;
    const int ok = getflashhead(local8(src).constData(), version, filelength, xmin, xmax, ymin, ymax, rate, frames, r, g, b);
    appfina();
    return unsigned(ok);
}

int getSrcFlashHead(char* path, int& version, unsigned& filelength, int& xmin, int& xmax, int& ymin, int& ymax,
                    int& framerate, int& framecount, unsigned char& red, unsigned char& green, unsigned char& blue) {
    return getflashhead(path, version, filelength, xmin, xmax, ymin, ymax, framerate, framecount, red, green, blue);
}

void Uninit() { CancelProc(); }
int getProgress() { return position(); }
long long getSrcFileSize() { return srcfilesize(); }
long long getDstFileSize() { return dstfilesize(); }

int isExeSource(const QString& src) {
    return QFileInfo(src).suffix().compare(QStringLiteral("swf"), Qt::CaseInsensitive) == 0 ? 0 : 1;
}

int progressHighWaterMark() { return highwater.load(); }
void resetProgressHighWaterMark() { highwater.store(0); }

void SWFinfoCallBack(int, int, void* window, void* item) {
    const int p = position();
    if (p <= highwater.load()) return;
    highwater.store(p == 100 ? 0 : p);
    QProgressRelay* relay = QProgressRelay::instance();
    switch (RESTYPE.load()) {
    case 0: emit relay->loadingProgress(p); break;
    case 1: emit relay->itemProgress(window, item, p / 2); break;
    case 2: emit relay->itemProgress(window, item, p / 2 + 50); break;
    default: break;
    }
}

QProgressRelay* QProgressRelay::instance() {
    // Created on first use and kept for the life of the process.
    static QProgressRelay* relay = [] {
        auto* r = new QProgressRelay;
        // Belongs to the GUI thread even when a worker thread asks first.
        if (QCoreApplication::instance()) r->moveToThread(QCoreApplication::instance()->thread());
        return r;
    }();
    return relay;
}
