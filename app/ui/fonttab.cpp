#include "ui/fonttab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include "settings/swfinfo.h"
#include "ui/sliderspin.h"

QFontTab::QFontTab(QWidget* parent) : QOptionTab(parent) {
    const Tfield& ratio = paramfield(&Tparams::Sha_FontCCR);
    m_ratio = new CSliderSpin(ratio.lo, ratio.hi, 20, 120, this);
    m_hifi = new QCheckBox("Quality optimization", this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Custom compression ratio:", this), 0, 0);
    grid->addWidget(m_ratio, 0, 1);
    grid->addWidget(m_hifi, 1, 0);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    ConFontCustomChanged();
}

void QFontTab::ConFontCustomChanged() {
    untrackAll();
    track(m_ratio->slider());
    track(m_hifi);
}

void QFontTab::DisFontCustomChanged() { untrackAll(); }

void QFontTab::setFontInfo(QSWFInfo* info) {
    DisFontCustomChanged();
    m_ratio->setValue(info->Sha_FontCCR);
    m_hifi->setChecked(info->Sha_FontHifi == 1);
    ConFontCustomChanged();
}

void QFontTab::getFontInfo(QSWFInfo* info) {
    info->Sha_FontCCR = m_ratio->value();
    info->Sha_FontHifi = m_hifi->isChecked() ? 1 : 0;
}
