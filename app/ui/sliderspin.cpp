#include "ui/sliderspin.h"

#include <QHBoxLayout>
#include <QSlider>
#include <QSpinBox>

CSliderSpin::CSliderSpin(int minimum, int maximum, int value, int sliderwidth, QWidget* parent)
    : QWidget(parent), m_slider(new QSlider(Qt::Horizontal, this)), m_spin(new QSpinBox(this)) {
    m_slider->setRange(minimum, maximum);
    m_slider->setFixedWidth(sliderwidth);
    m_spin->setRange(minimum, maximum);
    m_spin->setFixedWidth(60);
    m_slider->setValue(value);
    m_spin->setValue(value);
    // Setting an equal value emits nothing, so the pair cannot loop.
    connect(m_slider, &QSlider::valueChanged, m_spin, &QSpinBox::setValue);
    connect(m_spin, &QSpinBox::valueChanged, m_slider, &QSlider::setValue);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_slider);
    row->addWidget(m_spin);
    row->addStretch(1);
}

int CSliderSpin::value() const { return m_slider->value(); }

void CSliderSpin::setValue(int v) { m_slider->setValue(v); }
