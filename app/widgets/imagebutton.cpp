#include "widgets/imagebutton.h"

CImageButton::CImageButton(const QString& icon, const QString& text, const QString& toolTip, QWidget* parent)
    : QPushButton(text, parent) {
    setImage(icon);
    if (!toolTip.isEmpty()) setToolTip(toolTip);
}

void CImageButton::setImage(const QString& icon) { setIcon(QIcon(icon)); }
