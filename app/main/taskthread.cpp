#include "main/taskthread.h"

QTaskThread::QTaskThread(const QString& src, const QString& tmpDir, const Tparams& params, TSWFCallBack cb,
                         const QString& out, void* window, void* item, int isExe, QObject* parent)
    : QThread(parent), m_src(src), m_tmpDir(tmpDir), m_params(params), m_cb(cb), m_out(out), m_window(window),
      m_item(item), m_isExe(isExe) {}

void QTaskThread::run() {
    QString error;
    CompressSWF(m_src, m_tmpDir, m_params, m_cb, m_out, m_window, m_item, m_isExe, &error, &m_kept);
    m_error = error;
    m_written = error.isEmpty();
}
