// The "Sound" option tab: MP3 encoding, quality or custom rates, channels.
#pragma once
#include "ui/optiontab.h"

class QRadioButton;

class QSoundTab : public QOptionTab {
    Q_OBJECT
public:
    explicit QSoundTab(QWidget* parent = nullptr);

    void setSoundInfo(QSWFInfo* info);
    void getSoundInfo(QSWFInfo* info);

    void setRadioBtnQualityChecked(int n);
    void setRadioBtnEncodeChecked(int n);
    int getRadioBtnQualityChecked() const;
    int getRadioBtnEncodeChecked() const;

    void ConSoundCustomChanged();
    void DisSoundCustomChanged();

    QButtonGroup* qualityGroup() const { return m_quality; }
    QSpinBox* rateBox() const { return m_rate; }
    QSpinBox* bitrateBox() const { return m_bitrate; }

signals:
    void SliderChanged(int radio);

public slots:
    void CutomBitrateclicked(bool on);
    void setSliderChanged();

private:
    QButtonGroup* m_encoding;
    QButtonGroup* m_quality;
    QSpinBox* m_rate;
    QSpinBox* m_bitrate;
    QRadioButton* m_stereo;
    QRadioButton* m_mono;
};
