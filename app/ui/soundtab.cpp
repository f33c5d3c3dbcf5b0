#include "ui/soundtab.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/swfinfo.h"

namespace {
QSpinBox* ratebox(QWidget* parent, int32_t Tparams::*field, int value) {
    auto* box = new QSpinBox(parent);
    box->setRange(paramfield(field).lo, paramfield(field).hi);
    box->setValue(value);
    box->setFixedWidth(60);
    box->setEnabled(false);
    return box;
}
}  // namespace

QSoundTab::QSoundTab(QWidget* parent) : QOptionTab(parent) {
    auto* encodingbox = new QGroupBox("Encoding", this);
    m_encoding = new QButtonGroup(this);
    auto* encodingcol = new QVBoxLayout(encodingbox);
    const char* const encodings[] = {"Keep original CBR encoding(fix bitrate)", "Advanced VBR encoding(dynamic bitrate)",
                                     "Advanced ABR encoding(average bitrate)"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(encodings[i], encodingbox);
        m_encoding->addButton(radio, i);
        encodingcol->addWidget(radio);
    }
    encodingcol->addStretch(1);

    auto* qualitybox = new QGroupBox("Quality", this);
    m_quality = new QButtonGroup(this);
    auto* qualitycol = new QVBoxLayout(qualitybox);
    const char* const qualities[] = {"Best quality", "Good quality", "Normal quality", "Best file size with low quality",
                                     "Custom bitrate"};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(qualities[i], qualitybox);
        m_quality->addButton(radio, i);
        qualitycol->addWidget(radio);
    }
    m_rate = ratebox(qualitybox, &Tparams::Audio_s, 11);
    m_bitrate = ratebox(qualitybox, &Tparams::Audio_b, 32);
    auto* customrow = new QHBoxLayout;
    customrow->addSpacing(20);
    customrow->addWidget(m_rate);
    customrow->addWidget(new QLabel("KHz", qualitybox));
    customrow->addSpacing(10);
    customrow->addWidget(m_bitrate);
    customrow->addWidget(new QLabel("Kpbs", qualitybox));
    customrow->addStretch(1);
    qualitycol->addLayout(customrow);
    qualitycol->addStretch(1);
    connect(m_quality->button(4), &QAbstractButton::toggled, this, &QSoundTab::CutomBitrateclicked);

    auto* channelbox = new QGroupBox("Sound channel", this);
    m_stereo = new QRadioButton("Keep stereo", channelbox);
    m_mono = new QRadioButton("Force to mono", channelbox);
    auto* channelcol = new QVBoxLayout(channelbox);
    channelcol->addWidget(m_stereo);
    channelcol->addWidget(m_mono);
    channelcol->addStretch(1);

    auto* row = new QHBoxLayout(this);
    row->addWidget(encodingbox, 3);
    row->addWidget(qualitybox, 3);
    row->addWidget(channelbox, 2);
    ConSoundCustomChanged();
}

void QSoundTab::CutomBitrateclicked(bool on) {
    m_rate->setEnabled(on);
    m_bitrate->setEnabled(on);
}

void QSoundTab::setSliderChanged() { emit SliderChanged(qMax(0, m_quality->checkedId())); }

void QSoundTab::ConSoundCustomChanged() {
    untrackAll();
    track(m_encoding);
    track(m_quality);
    track(m_rate);
    track(m_bitrate);
    track(m_mono);
    keep(connect(m_quality, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) setSliderChanged();
    }));
}

void QSoundTab::DisSoundCustomChanged() { untrackAll(); }

void QSoundTab::setRadioBtnQualityChecked(int n) {
    QAbstractButton* b = m_quality->button(n);
    if (!b) return;
    if (b->isChecked()) emit SliderChanged(n);
    else b->setChecked(true);
}

void QSoundTab::setRadioBtnEncodeChecked(int n) {
    if (QAbstractButton* b = m_encoding->button(n)) b->setChecked(true);
}

int QSoundTab::getRadioBtnQualityChecked() const { return m_quality->checkedId(); }

int QSoundTab::getRadioBtnEncodeChecked() const { return m_encoding->checkedId(); }

void QSoundTab::setSoundInfo(QSWFInfo* info) {
    DisSoundCustomChanged();
    checkRadio(m_encoding, info->Audio_e);
    checkRadio(m_quality, info->Audio_q);
    if (info->Audio_q == LEVEL_CUSTOM) {
        m_rate->setValue(info->Audio_s);
        m_bitrate->setValue(info->Audio_b);
    }
    CutomBitrateclicked(info->Audio_q == LEVEL_CUSTOM);
    if (info->Audio_Mono == 0) m_stereo->setChecked(true);
    else if (info->Audio_Mono == 1) m_mono->setChecked(true);
    ConSoundCustomChanged();
}

void QSoundTab::getSoundInfo(QSWFInfo* info) {
    info->Audio_e = m_encoding->checkedId();
    info->Audio_q = m_quality->checkedId();
    if (info->Audio_q == LEVEL_CUSTOM) {
        info->Audio_s = m_rate->value();
        info->Audio_b = m_bitrate->value();
    }
    info->Audio_Mono = m_mono->isChecked() ? 1 : 0;
}
