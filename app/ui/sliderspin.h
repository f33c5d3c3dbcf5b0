// A slider with a spin box beside it that always shows the same value.
#pragma once
#include <QWidget>

class QSlider;
class QSpinBox;

class CSliderSpin : public QWidget {
    Q_OBJECT
public:
    CSliderSpin(int minimum, int maximum, int value, int sliderwidth, QWidget* parent = nullptr);

    QSlider* slider() const { return m_slider; }
    QSpinBox* spin() const { return m_spin; }
    int value() const;
    void setValue(int v);

private:
    QSlider* m_slider;
    QSpinBox* m_spin;
};
