#include "ui/loadprogress.h"

#include "main/constants.h"
#include "ui/tasklist.h"

CLoadFileProgressBar::CLoadFileProgressBar(QWidget* parent) : QProgressDialog(parent) {
    setWindowTitle(WINDOW_TITLE);
    setWindowModality(Qt::WindowModal);
    setModal(true);
    setFixedSize(400, 80);
    setCancelButton(nullptr);
    setRange(0, 100);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setStyleSheet(QTaskList::PROGRESS_STYLE);
}

void CLoadFileProgressBar::showFor(const QString& path) {
    QString name = path.mid(path.lastIndexOf('/') + 1);
    setLabelText(QStringLiteral("Loading files:%1, please wait...").arg(name));
    setValue(0);
    show();
}
