// The "Font" option tab: the font compression ratio and glyph quality.
#pragma once
#include "ui/optiontab.h"

class CSliderSpin;
class QCheckBox;

class QFontTab : public QOptionTab {
    Q_OBJECT
public:
    explicit QFontTab(QWidget* parent = nullptr);

    void setFontInfo(QSWFInfo* info);
    void getFontInfo(QSWFInfo* info);
    void ConFontCustomChanged();
    void DisFontCustomChanged();

    CSliderSpin* ratio() const { return m_ratio; }
    QCheckBox* quality() const { return m_hifi; }

private:
    CSliderSpin* m_ratio;
    QCheckBox* m_hifi;
};
