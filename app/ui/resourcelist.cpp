#include "ui/resourcelist.h"

#include <QHeaderView>
#include <QLabel>
#include <QSlider>

#include "settings/swfinfo.h"
#include "ui/sizetext.h"
#include "ui/tasklist.h"

QTWResourceItem::QTWResourceItem(TResType type, QSlider* slider, QLabel* label)
    : m_type(type), m_slider(slider), m_label(label) {
    setText(0, RES_KIND_NAMES.value(type));
    setFlags(flags() | Qt::ItemIsUserCheckable);
    setCheckState(0, Qt::Unchecked);
}

void QTWResourceItem::setData(int column, int role, const QVariant& value) {
    QTreeWidgetItem::setData(column, role, value);
    if (column == 0 && role == Qt::CheckStateRole && m_slider)
        m_slider->setEnabled(value.toInt() == Qt::Checked);
}

QResourceList::QResourceList(QWidget* parent) : QTreeWidget(parent) {
    setFixedWidth(488);
    setMinimumHeight(150);
    setColumnCount(4);
    setHeaderLabels({"Resource kind", "Original size", "Compression rate", " "});
    setColumnWidth(0, 120);
    setColumnWidth(1, 105);
    setColumnWidth(2, 220);
    setColumnWidth(3, 35);
    setRootIsDecorated(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet(QTaskList::SELECTED_STYLE);

    struct Spec {
        TResType type;
        int maximum, value, tick;
    };
    const Spec specs[] = {{RES_IMAGE, 100, 10, 10}, {RES_SHAPE, 100, 20, 0}, {RES_SOUND, 100, 10, 0},
                          {RES_VIDEO, 100, 10, 0}, {RES_FONT, 32, 20, 4}};
    for (const Spec& s : specs) {
        auto* slider = new QSlider(Qt::Horizontal);
        slider->setRange(1, s.maximum);
        slider->setValue(s.value);
        slider->setFixedWidth(220);
        slider->setTickPosition(QSlider::TicksBelow);
        if (s.tick) slider->setTickInterval(s.tick);
        auto* label = new QLabel(percentText(s.value, s.maximum));
        auto* item = new QTWResourceItem(s.type, slider, label);
        addTopLevelItem(item);
        setItemWidget(item, 2, slider);
        setItemWidget(item, 3, label);
        m_rows[s.type] = item;
        connect(slider, &QSlider::valueChanged, this, [this, s, label](int v) {
            label->setText(percentText(v, s.maximum));
            emit sliderMoved(s.type, v);
        });
        connect(slider, &QSlider::sliderReleased, this,
                [this, s, slider] { emit sliderReleased(s.type, slider->value()); });
    }
}

QTWResourceItem* QResourceList::row(TResType type) const { return type >= 0 && type < RES_COUNT ? m_rows[type] : nullptr; }

QSlider* QResourceList::slider(TResType type) const {
    QTWResourceItem* r = row(type);
    return r ? r->slider() : nullptr;
}

void QResourceList::showRecord(const QSWFInfo* info) {
    for (QTWResourceItem* r : m_rows) {
        if (!r) continue;
        r->setCheckState(0, info->isKindChecked(r->type()) ? Qt::Checked : Qt::Unchecked);
        int size = info->kinds[r->type()].srcsize;
        r->setText(1, size ? GetSizeString(size) : QString());
    }
}

void QResourceList::reset() {
    for (QTWResourceItem* r : m_rows) {
        if (!r) continue;
        r->setCheckState(0, Qt::Unchecked);
        r->setText(1, QString());
    }
}

int QResourceList::bandOf(int value) {
    if (value <= 20) return 0;
    if (value <= 40) return 1;
    if (value <= 60) return 2;
    if (value <= 80) return 3;
    return 4;
}

int QResourceList::valueOfRadio(TResType type, int radio) {
    static const int image[5] = {20, 40, 60, 80, 100};
    static const int sound[5] = {15, 36, 54, 68, 85};
    static const int video[5] = {18, 28, 45, 75, 96};
    if (radio < 0 || radio > 4) radio = 0;
    switch (type) {
    case RES_IMAGE: return image[radio];
    case RES_SOUND: return sound[radio];
    case RES_VIDEO: return video[radio];
    default: return -1;
    }
}

QString QResourceList::percentText(int value, int maximum) {
    return " " + QString::number(int(double(value) / maximum * 100)) + "%";
}
