#include "main/bridge.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <atomic>

#include "pipeline/tagsmith.h"
#include "main/constants.h"

namespace {

// Only increases are shown; 100 resets it so that the next run starts from 0.
std::atomic<int> highwater{0};

QByteArray local8(const QString& s) { return QFile::encodeName(s); }

}  // namespace

namespace {

Tmoviejob enginejob(const QString& src, const QString& tmpDir) {
    Tmoviejob job;
    job.source = local8(src).toStdString();
    job.toolsdir = local8(toolsDirectory()).toStdString();
    job.tmpdir = local8(tmpDir).toStdString();
    return job;
}

}  // namespace

void CompressSWF(const QString& src, const QString& tmpDir, Tparams& params, TSWFCallBack cb, const QString& out,
                 void* window, void* item, int isExe, QString* error, bool* kept) {
    Tmoviejob job = enginejob(src, tmpDir);
    job.output = local8(out).toStdString();
    job.params = params;
    job.asexe = isExe;
    job.progress = cb;
    job.object1 = window;
    job.object2 = item;
    job.phase = [](Tmoviephase p) { RESTYPE = p == MOVIE_WRITE ? 2 : 1; };
    const Tmovieresult r = compressmovie(job);
    // The caller's record leaves as the engine received it.
    params.ImgPmps_x = 0;
    params.ImgPmps_y = 0;
    if (kept) *kept = r.kept;
    if (error) {
        // Only for the caller's report: the run itself is over either way.
        error->clear();
        if (!r.written) {
            *error = QString::fromLocal8Bit(r.reason.c_str());
            if (error->isEmpty()) *error = QStringLiteral("The output file could not be written.");
        }
    }
}

void getResourceList(const QString& src, const QString& tmpDir, TSWFCallBack cb, Trlist** list) {
    Tmoviejob job = enginejob(src, tmpDir);
    job.progress = cb;
    job.phase = [](Tmoviephase) { RESTYPE = 0; };
    inspectmovie(job);
    // The engine's own list keeps what the read counted until the next file.
    if (list) *list = getresourcelist();
}

unsigned isFlashFile(const QString& src, const QString& tmpDir) {
    const QByteArray tools = local8(toolsDirectory());
    const QByteArray tmp = local8(tmpDir);
    one_initdata(tools.constData(), tmp.constData());
    const bool ok = readflashhead(local8(src).constData()).ok;
    appfina();
    return ok ? 1u : 0u;
}

int getSrcFlashHead(char* path, int& version, unsigned& filelength, int& xmin, int& xmax, int& ymin, int& ymax,
                    int& framerate, int& framecount, unsigned char& red, unsigned char& green, unsigned char& blue) {
    return getflashhead(path, version, filelength, xmin, xmax, ymin, ymax, framerate, framecount, red, green, blue);
}

Tflashhead readSrcFlashHead(const QString& src) { return readflashhead(local8(src).constData()); }

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
