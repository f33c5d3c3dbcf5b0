// The "Shape" option tab: the shape compression ratio and the outline options.
#pragma once
#include "ui/optiontab.h"

class CSliderSpin;
class QCheckBox;

class QShapeTab : public QOptionTab {
    Q_OBJECT
public:
    explicit QShapeTab(QWidget* parent = nullptr);

    void setShapeInfo(QSWFInfo* info);
    void getShapeInfo(QSWFInfo* info);
    void ConShapeCustomChanged();
    void DisShapeCustomChanged();

    CSliderSpin* ratio() const { return m_ratio; }

private:
    CSliderSpin* m_ratio;
    QCheckBox* m_imo;
    QCheckBox* m_idup;
    QCheckBox* m_hifi;
    QCheckBox* m_penopt;
    QCheckBox* m_straight;
};
