// The modal progress dialog shown while a movie added to the task list is read.
#pragma once
#include <QProgressDialog>

class CLoadFileProgressBar : public QProgressDialog {
    Q_OBJECT
public:
    explicit CLoadFileProgressBar(QWidget* parent = nullptr);
    // "Loading files:<name>, please wait..." with name the text after the last "/".
    void showFor(const QString& path);
};
