// A plain push button showing one of the program's icons.
#pragma once
#include <QPushButton>

class CImageButton : public QPushButton {
    Q_OBJECT
public:
    // icon: a resource name such as ":/res/image/add.png".
    CImageButton(const QString& icon, const QString& text, const QString& toolTip, QWidget* parent = nullptr);
    explicit CImageButton(QWidget* parent = nullptr) : QPushButton(parent) {}
    void setImage(const QString& icon);
};
