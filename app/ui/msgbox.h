// Every message box of the program: the window title and the program's icon.
#pragma once
#include <QMessageBox>

class QMsgBox : public QMessageBox {
    Q_OBJECT
public:
    QMsgBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QWidget* parent = nullptr);
};
