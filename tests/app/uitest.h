// Shared ground of the window tests: a private home folder (the window reads
// and writes its settings there), answering modal dialogs, and test movies.
#pragma once
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include "support/swfbuilder.h"

namespace uitest {

inline void isolateHome(const QString& home) {
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + "/.local/share").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home + "/.cache").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toLocal8Bit());
    qputenv("SHRINKWELL_NO_BROWSER", "1");
}

// Runs f on the next modal window of class T to appear (a message box or a
// dialog run by exec(); the loading dialog is modal too, hence the class).
template <class T = QWidget>
void whenModal(std::function<void(T*)> f) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (T* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(w);
        }
    });
    timer->start();
}

// Presses the standard button of the next message box.
inline void answerNextBox(QMessageBox::StandardButton which) {
    whenModal<QMessageBox>([which](QMessageBox* box) {
        if (QAbstractButton* b = box->button(which)) b->click();
        else box->reject();
    });
}

inline QString writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(data);
    return path;
}

inline QString writeMovie(const QString& path, int shapes) {
    swfb::writefile(path.toStdString(), swfb::boxes(shapes));
    return path;
}

}  // namespace uitest

// Qt Test main with the window's folders under a fresh home.
#define UITEST_MAIN(Cls)                                  \
    int main(int argc, char** argv) {                     \
        QTemporaryDir home;                               \
        uitest::isolateHome(home.path());                 \
        QApplication app(argc, argv);                     \
        app.setQuitOnLastWindowClosed(false);             \
        Cls test;                                         \
        return QTest::qExec(&test, argc, argv);           \
    }
