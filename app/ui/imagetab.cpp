#include "ui/imagetab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/swfinfo.h"
#include "ui/playersize.h"
#include "ui/sliderspin.h"

QImageTab::QImageTab(QWidget* parent) : QOptionTab(parent) {
    auto* properties = new QGroupBox("Properties", this);
    m_size = new CPlayerSizeSelector(properties);
    m_dm = new QCheckBox("Delete metadata", properties);
    m_ftoj = new QCheckBox("Force to jpeg", properties);
    m_diia = new QCheckBox("Delete invisible area", properties);
    m_icso = new QCheckBox("Intelligent color smooth optimization", properties);
    m_iaco = new QCheckBox("intelligent alpha channel optimization", properties);
    m_zoom = new QCheckBox("Image zoom compression", properties);
    const Tfield& zoom = paramfield(&Tparams::Img_ForceZip);
    m_zoomRatio = new CSliderSpin(zoom.lo, zoom.hi, 10, 125, properties);

    auto* grid = new QGridLayout(properties);
    grid->addWidget(new QLabel("Maximum player width:", properties), 0, 0);
    grid->addWidget(m_size->widthBox(), 0, 1);
    grid->addWidget(new QLabel("Maximum player height:", properties), 1, 0);
    grid->addWidget(m_size->heightBox(), 1, 1);
    grid->addWidget(m_dm, 2, 0);
    grid->addWidget(m_ftoj, 2, 1);
    grid->addWidget(m_diia, 3, 0);
    grid->addWidget(m_icso, 3, 1);
    grid->addWidget(m_iaco, 4, 0);
    grid->addWidget(m_zoom, 4, 1);
    grid->addWidget(new QLabel("Zoom control ratio:", properties), 5, 0);
    grid->addWidget(m_zoomRatio, 5, 1);
    grid->setRowStretch(6, 1);

    auto* qualitybox = new QGroupBox("Image quality", this);
    m_quality = new QButtonGroup(this);
    auto* qualitycol = new QVBoxLayout(qualitybox);
    const char* const names[] = {"Best quality", "Good quality", "Normal quality", "Best file size with low quality",
                                 "Custom quality control compression ratio"};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(names[i], qualitybox);
        m_quality->addButton(radio, i);
        qualitycol->addWidget(radio);
    }
    const Tfield& quality = paramfield(&Tparams::Img_CustomPV);
    m_customPV = new CSliderSpin(quality.lo, quality.hi, 70, 50, qualitybox);
    m_customPV->setEnabled(false);
    auto* customrow = new QHBoxLayout;
    customrow->addSpacing(20);
    customrow->addWidget(m_customPV);
    qualitycol->addLayout(customrow);
    qualitycol->addStretch(1);
    connect(m_quality->button(4), &QAbstractButton::toggled, this, &QImageTab::CompressRatioclicked);

    auto* row = new QHBoxLayout(this);
    row->addWidget(properties, 3);
    row->addWidget(qualitybox, 2);
    ConImageCustomChanged();
}

void QImageTab::CompressRatioclicked(bool on) { m_customPV->setEnabled(on); }

void QImageTab::setSliderChanged() { emit SliderChanged(qMax(0, m_quality->checkedId())); }

void QImageTab::ConImageCustomChanged() {
    untrackAll();
    track(m_size->widthBox());
    track(m_size->heightBox());
    for (QCheckBox* b : {m_dm, m_ftoj, m_diia, m_icso, m_iaco, m_zoom}) track(b);
    track(m_zoomRatio->slider());
    track(m_quality);
    track(m_customPV->slider());
    keep(connect(m_quality, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) setSliderChanged();
    }));
}

void QImageTab::DisImageCustomChanged() { untrackAll(); }

void QImageTab::setRadioBtnChecked(int n) {
    QAbstractButton* b = m_quality->button(n);
    if (!b) return;
    if (b->isChecked()) emit SliderChanged(n);
    else b->setChecked(true);  // the toggle announces it
}

int QImageTab::getRadioBtnChecked() const { return m_quality->checkedId(); }

bool QImageTab::widthIsStageSize() const { return m_size->widthIsStageSize(); }

void QImageTab::setImageInfo(QSWFInfo* info) {
    DisImageCustomChanged();
    m_size->setSize(info->ImgPmps_x, info->ImgPmps_y);
    m_dm->setChecked(info->Img_Dm == 1);
    m_ftoj->setChecked(info->Img_Ftoj == 1);
    m_diia->setChecked(info->Img_Diia == 1);
    m_icso->setChecked(info->Img_Icso == 1);
    m_iaco->setChecked(info->Img_Iaco == 1);
    m_zoomRatio->setValue(info->Img_ForceZip);
    checkRadio(m_quality, info->Img_Aio);
    if (info->Img_Aio == LEVEL_CUSTOM) m_customPV->setValue(info->Img_CustomPV);
    CompressRatioclicked(info->Img_Aio == LEVEL_CUSTOM);
    ConImageCustomChanged();
}

void QImageTab::getImageInfo(QSWFInfo* info) {
    m_size->size(info->ImgPmps_x, info->ImgPmps_y);
    info->Img_Dm = m_dm->isChecked() ? 1 : 0;
    info->Img_Ftoj = m_ftoj->isChecked() ? 1 : 0;
    info->Img_Diia = m_diia->isChecked() ? 1 : 0;
    info->Img_Icso = m_icso->isChecked() ? 1 : 0;
    info->Img_Iaco = m_iaco->isChecked() ? 1 : 0;
    info->Img_ForceZip = m_zoomRatio->value();
    info->Img_Aio = m_quality->checkedId();
    if (info->Img_Aio == LEVEL_CUSTOM) info->Img_CustomPV = m_customPV->value();
}
