#include "ui/videotab.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/swfinfo.h"
#include "ui/playersize.h"

QVideoTab::QVideoTab(QWidget* parent) : QOptionTab(parent) {
    auto* sizebox = new QGroupBox("Properties", this);
    m_size = new CPlayerSizeSelector(sizebox);
    auto* grid = new QGridLayout(sizebox);
    grid->addWidget(new QLabel("Maximum player width:", sizebox), 0, 0);
    grid->addWidget(m_size->widthBox(), 0, 1);
    grid->addWidget(new QLabel("Maximum player height:", sizebox), 1, 0);
    grid->addWidget(m_size->heightBox(), 1, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(2, 1);

    auto* qualitybox = new QGroupBox("Video quality", this);
    m_quality = new QButtonGroup(this);
    auto* qualitycol = new QVBoxLayout(qualitybox);
    const char* const names[] = {"Best quality", "Good quality", "Normal quality", "Best file size with low quality",
                                 "Custom bitrate"};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(names[i], qualitybox);
        m_quality->addButton(radio, i);
        qualitycol->addWidget(radio);
    }
    m_bitrate = new QSpinBox(qualitybox);
    m_bitrate->setRange(paramfield(&Tparams::Video_CB).lo, paramfield(&Tparams::Video_CB).hi);
    m_bitrate->setValue(32);
    m_bitrate->setFixedWidth(60);
    m_bitrate->setEnabled(false);
    auto* customrow = new QHBoxLayout;
    customrow->addSpacing(20);
    customrow->addWidget(m_bitrate);
    customrow->addWidget(new QLabel("Kbps", qualitybox));
    customrow->addStretch(1);
    qualitycol->addLayout(customrow);
    qualitycol->addStretch(1);
    connect(m_quality->button(4), &QAbstractButton::toggled, this, &QVideoTab::CutomBitrateclicked);

    auto* row = new QHBoxLayout(this);
    row->addWidget(sizebox, 3);
    row->addWidget(qualitybox, 2);
    ConVideoCustomChanged();
}

void QVideoTab::CutomBitrateclicked(bool on) { m_bitrate->setEnabled(on); }

void QVideoTab::setSliderChanged() { emit SliderChanged(qMax(0, m_quality->checkedId())); }

void QVideoTab::ConVideoCustomChanged() {
    untrackAll();
    track(m_size->widthBox());
    track(m_size->heightBox());
    track(m_quality);
    track(m_bitrate);
    keep(connect(m_quality, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) setSliderChanged();
    }));
}

void QVideoTab::DisVideoCustomChanged() { untrackAll(); }

void QVideoTab::setRadioBtnChecked(int n) {
    QAbstractButton* b = m_quality->button(n);
    if (!b) return;
    if (b->isChecked()) emit SliderChanged(n);
    else b->setChecked(true);
}

int QVideoTab::getRadioBtnChecked() const { return m_quality->checkedId(); }

bool QVideoTab::widthIsStageSize() const { return m_size->widthIsStageSize(); }

void QVideoTab::setVideoInfo(QSWFInfo* info) {
    DisVideoCustomChanged();
    m_size->setSize(info->VideoPmps_x, info->VideoPmps_y);
    checkRadio(m_quality, info->Video_q);
    if (info->Video_q == LEVEL_CUSTOM) m_bitrate->setValue(info->Video_CB);
    CutomBitrateclicked(info->Video_q == LEVEL_CUSTOM);
    ConVideoCustomChanged();
}

void QVideoTab::getVideoInfo(QSWFInfo* info) {
    m_size->size(info->VideoPmps_x, info->VideoPmps_y);
    info->Video_q = m_quality->checkedId();
    if (info->Video_q == LEVEL_CUSTOM) info->Video_CB = m_bitrate->value();
}
