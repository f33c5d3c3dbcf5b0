// Runs one compression off the GUI thread.
#pragma once
#include <QString>
#include <QThread>

#include "main/bridge.h"

class QTaskThread : public QThread {
    Q_OBJECT
public:
    QTaskThread(const QString& src, const QString& tmpDir, const Tparams& params, TSWFCallBack cb, const QString& out,
                void* window, void* item, int isExe, QObject* parent = nullptr);

    // Valid once finished() was emitted.
    bool outputWritten() const { return m_written; }
    // The engine's reason when no output was written.
    QString errorText() const { return m_error; }
    // The result was not smaller: the output holds the source's bytes.
    bool sourceKept() const { return m_kept; }
    // The record as handed to the engine (ImgPmps_x/_y zeroed after the run).
    const Tparams& params() const { return m_params; }
    const QString& sourcePath() const { return m_src; }
    const QString& outputPath() const { return m_out; }
    void* item() const { return m_item; }

protected:
    void run() override;

private:
    QString m_src;
    QString m_tmpDir;
    Tparams m_params;
    TSWFCallBack m_cb;
    QString m_out;
    void* m_window;
    void* m_item;
    int m_isExe;
    bool m_written = false;
    bool m_kept = false;
    QString m_error;
};
