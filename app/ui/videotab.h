// The "Video" option tab: player size and quality or a custom bit rate.
#pragma once
#include "ui/optiontab.h"

class CPlayerSizeSelector;

class QVideoTab : public QOptionTab {
    Q_OBJECT
public:
    explicit QVideoTab(QWidget* parent = nullptr);

    void setVideoInfo(QSWFInfo* info);
    void getVideoInfo(QSWFInfo* info);

    void setRadioBtnChecked(int n);
    int getRadioBtnChecked() const;
    bool widthIsStageSize() const;

    void ConVideoCustomChanged();
    void DisVideoCustomChanged();

    CPlayerSizeSelector* sizeSelector() const { return m_size; }
    QButtonGroup* qualityGroup() const { return m_quality; }
    QSpinBox* bitrateBox() const { return m_bitrate; }

signals:
    void SliderChanged(int radio);

public slots:
    void CutomBitrateclicked(bool on);
    void setSliderChanged();

private:
    CPlayerSizeSelector* m_size;
    QButtonGroup* m_quality;
    QSpinBox* m_bitrate;
};
