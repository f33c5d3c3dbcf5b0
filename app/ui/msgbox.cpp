#include "ui/msgbox.h"

#include <QIcon>

#include "main/constants.h"

QMsgBox::QMsgBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons, QWidget* parent)
    : QMessageBox(icon, WINDOW_TITLE, text, buttons, parent) {
    setWindowIcon(QIcon(APP_ICON));
}
