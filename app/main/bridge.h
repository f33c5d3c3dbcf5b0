// The thin layer through which the program drives the engine. The engine is a
// process-wide singleton: these calls are never made from two threads at once.
#pragma once
#include <QObject>
#include <QString>

#include "core/container.h"
#include "core/enginestate.h"
#include "core/params.h"

using TSWFCallBack = void (*)(int kind, int code, void* window, void* item);

// Reads src and writes out; fields ImgPmps_x/_y of params go to the image
// scaling stage and are zeroed in params before the record reaches the
// engine. The engine's verdict is not returned; when error is given it
// receives the engine's reason when no output was written (empty otherwise).
// A result that is not smaller is replaced by the source's bytes; kept, when
// given, says whether that happened.
void CompressSWF(const QString& src, const QString& tmpDir, Tparams& params, TSWFCallBack cb, const QString& out,
                 void* window, void* item, int isExe, QString* error = nullptr, bool* kept = nullptr);
// Points *list at the engine's resource list of src (six records in TResType
// order); valid until the next engine call.
void getResourceList(const QString& src, const QString& tmpDir, TSWFCallBack cb, Trlist** list);
// Non-zero when src is a readable SWF or SWF projector.
unsigned isFlashFile(const QString& src, const QString& tmpDir);
int getSrcFlashHead(char* path, int& version, unsigned& filelength, int& xmin, int& xmax, int& ymin, int& ymax,
                    int& framerate, int& framecount, unsigned char& red, unsigned char& green, unsigned char& blue);
// The same in one record.
Tflashhead readSrcFlashHead(const QString& src);
// Asks a running compression to stop at its next tag; safe from any thread.
void Uninit();
int getProgress();
long long getSrcFileSize();
long long getDstFileSize();

// 1 unless the extension of src is "swf" in any letter case.
int isExeSource(const QString& src);

// The engine's progress callback for both the loading and the compressing
// path; see QProgressRelay for where its values go.
void SWFinfoCallBack(int kind, int code, void* window, void* item);
// The highest position shown so far; back to 0 once a run reached 100.
int progressHighWaterMark();
void resetProgressHighWaterMark();

// Carries the callback's values out of the engine. Connect with the default
// (auto) connection from an object of the GUI thread: values produced on the
// worker thread are then queued to the GUI thread in order, and values
// produced on the GUI thread (resource-list reads) arrive at once, while the
// engine call is still running.
class QProgressRelay : public QObject {
    Q_OBJECT
public:
    static QProgressRelay* instance();

signals:
    // RESTYPE 0: the file-loading dialog shows percent.
    void loadingProgress(int percent);
    // RESTYPE 1 and 2: the progress bar of item shows value (0-50 reading, 50-100 writing).
    void itemProgress(void* window, void* item, int value);

private:
    explicit QProgressRelay(QObject* parent = nullptr) : QObject(parent) {}
};
