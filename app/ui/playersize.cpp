#include "ui/playersize.h"

#include <QComboBox>
#include <QWidget>

namespace {
const char* const kStageSize = "Current Flash Stage Size";

QComboBox* makebox(QWidget* parent, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    // A typed size stays edit text; it must not grow the list and break the pairing.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setFixedWidth(220);
    box->addItems(items);
    box->setCurrentIndex(0);
    return box;
}
}  // namespace

CPlayerSizeSelector::CPlayerSizeSelector(QWidget* parent) : QObject(parent) {
    m_width = makebox(parent, {kStageSize, "1400", "1280", "1024", "800", "640"});
    m_height = makebox(parent, {kStageSize, "900", "1024", "768", "600", "480"});
    connect(m_width, &QComboBox::currentIndexChanged, this, [this](int i) { follow(m_height, i); });
    connect(m_height, &QComboBox::currentIndexChanged, this, [this](int i) { follow(m_width, i); });
}

void CPlayerSizeSelector::follow(QComboBox* to, int index) {
    if (m_loading || index < 0 || index >= to->count() || to->currentIndex() == index) return;
    m_loading = true;
    to->setCurrentIndex(index);
    m_loading = false;
}

void CPlayerSizeSelector::setSize(int width, int height) {
    m_loading = true;
    if (width == 0 || height == 0) {
        m_width->setCurrentIndex(0);
        m_height->setCurrentIndex(0);
    } else {
        int wi = m_width->findText(QString::number(width));
        int hi = m_height->findText(QString::number(height));
        if (wi > 0 && hi > 0) {
            m_width->setCurrentIndex(wi);
            m_height->setCurrentIndex(hi);
        } else {
            // Off the list: no entry is selected and the values stand as typed text.
            m_width->setCurrentIndex(-1);
            m_height->setCurrentIndex(-1);
            m_width->setEditText(QString::number(width));
            m_height->setEditText(QString::number(height));
        }
    }
    m_loading = false;
}

bool CPlayerSizeSelector::showsStageSize(const QComboBox* box) {
    return box->currentIndex() == 0 && box->currentText() == box->itemText(0);
}

bool CPlayerSizeSelector::widthIsStageSize() const { return showsStageSize(m_width); }

void CPlayerSizeSelector::size(int& width, int& height) const {
    if (showsStageSize(m_width) || showsStageSize(m_height)) {
        width = height = 0;
        return;
    }
    width = m_width->currentText().trimmed().toInt();
    height = m_height->currentText().trimmed().toInt();
}
