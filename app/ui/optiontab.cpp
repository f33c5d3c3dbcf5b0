#include "ui/optiontab.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QComboBox>
#include <QSpinBox>

QOptionTab::QOptionTab(QWidget* parent) : QWidget(parent) {}

void QOptionTab::track(QAbstractButton* b) { keep(connect(b, &QAbstractButton::toggled, this, &QOptionTab::CustomChanged)); }

void QOptionTab::track(QAbstractSlider* s) {
    keep(connect(s, &QAbstractSlider::valueChanged, this, &QOptionTab::CustomChanged));
}

void QOptionTab::track(QSpinBox* s) { keep(connect(s, &QSpinBox::valueChanged, this, &QOptionTab::CustomChanged)); }

void QOptionTab::track(QComboBox* c) {
    keep(connect(c, &QComboBox::currentIndexChanged, this, &QOptionTab::CustomChanged));
    keep(connect(c, &QComboBox::editTextChanged, this, &QOptionTab::CustomChanged));
}

void QOptionTab::track(QButtonGroup* g) {
    // Only the button that becomes checked counts: a switch is one change, not two.
    keep(connect(g, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) emit CustomChanged();
    }));
}

void QOptionTab::untrackAll() {
    for (const auto& c : m_connections) disconnect(c);
    m_connections.clear();
}

void QOptionTab::checkRadio(QButtonGroup* g, int id) {
    if (QAbstractButton* b = g->button(id)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its last button.
    g->setExclusive(false);
    for (QAbstractButton* b : g->buttons()) b->setChecked(false);
    g->setExclusive(true);
}
