// The "Image" option tab: player size, image properties, zoom and quality.
#pragma once
#include "ui/optiontab.h"

class CPlayerSizeSelector;
class CSliderSpin;
class QCheckBox;

class QImageTab : public QOptionTab {
    Q_OBJECT
public:
    explicit QImageTab(QWidget* parent = nullptr);

    void setImageInfo(QSWFInfo* info);
    void getImageInfo(QSWFInfo* info);

    void setRadioBtnChecked(int n);
    int getRadioBtnChecked() const;
    bool widthIsStageSize() const;

    void ConImageCustomChanged();
    void DisImageCustomChanged();

    CPlayerSizeSelector* sizeSelector() const { return m_size; }
    CSliderSpin* zoomRatio() const { return m_zoomRatio; }
    CSliderSpin* customQuality() const { return m_customPV; }
    QButtonGroup* qualityGroup() const { return m_quality; }

signals:
    void SliderChanged(int radio);

public slots:
    void CompressRatioclicked(bool on);
    void setSliderChanged();

private:
    CPlayerSizeSelector* m_size;
    QCheckBox* m_dm;
    QCheckBox* m_ftoj;
    QCheckBox* m_diia;
    QCheckBox* m_icso;
    QCheckBox* m_iaco;
    QCheckBox* m_zoom;
    CSliderSpin* m_zoomRatio;
    QButtonGroup* m_quality;
    CSliderSpin* m_customPV;
};
