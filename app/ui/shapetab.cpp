#include "ui/shapetab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include "settings/swfinfo.h"
#include "ui/sliderspin.h"

QShapeTab::QShapeTab(QWidget* parent) : QOptionTab(parent) {
    const Tfield& ratio = paramfield(&Tparams::Sha_ForceCCR);
    m_ratio = new CSliderSpin(ratio.lo, ratio.hi, 20, 240, this);
    m_imo = new QCheckBox("Intelligent morphing optimization", this);
    m_idup = new QCheckBox("Intelligent delete useless points", this);
    m_hifi = new QCheckBox("Quality focussed optimization", this);
    m_penopt = new QCheckBox("Line optimization", this);
    m_straight = new QCheckBox("Edge detail optimization", this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Custom compression ratio:", this), 0, 0);
    grid->addWidget(m_ratio, 0, 1, 1, 2);
    grid->addWidget(m_imo, 1, 0);
    grid->addWidget(m_idup, 1, 1);
    grid->addWidget(m_hifi, 2, 0);
    grid->addWidget(m_penopt, 2, 1);
    grid->addWidget(m_straight, 3, 0);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
    ConShapeCustomChanged();
}

void QShapeTab::ConShapeCustomChanged() {
    untrackAll();
    track(m_ratio->slider());
    for (QCheckBox* b : {m_imo, m_idup, m_hifi, m_penopt, m_straight}) track(b);
}

void QShapeTab::DisShapeCustomChanged() { untrackAll(); }

void QShapeTab::setShapeInfo(QSWFInfo* info) {
    DisShapeCustomChanged();
    m_ratio->setValue(info->Sha_ForceCCR);
    m_imo->setChecked(info->Sha_Imo != 0);
    m_idup->setChecked(info->Sha_Idup != 0);
    m_hifi->setChecked(info->Sha_Hifi == 1);
    m_penopt->setChecked(info->Sha_PenOpt == 1);
    m_straight->setChecked(info->Sha_ForceStraight == 1);
    ConShapeCustomChanged();
}

void QShapeTab::getShapeInfo(QSWFInfo* info) {
    info->Sha_ForceCCR = m_ratio->value();
    info->Sha_Imo = m_imo->isChecked();
    info->Sha_Idup = m_idup->isChecked();
    info->Sha_Hifi = m_hifi->isChecked() ? 1 : 0;
    info->Sha_PenOpt = m_penopt->isChecked() ? 1 : 0;
    info->Sha_ForceStraight = m_straight->isChecked() ? 1 : 0;
}
