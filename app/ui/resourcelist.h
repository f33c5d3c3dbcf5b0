// The resource list: one row per resource kind of the selected file, with a
// check box, the kind's size and a compression-rate slider.
#pragma once
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "main/constants.h"

class QLabel;
class QSlider;
class QSWFInfo;

class QTWResourceItem : public QTreeWidgetItem {
public:
    QTWResourceItem(TResType type, QSlider* slider, QLabel* label);

    TResType type() const { return m_type; }
    QSlider* slider() const { return m_slider; }
    QLabel* label() const { return m_label; }
    bool isChecked() const { return checkState(0) == Qt::Checked; }
    // The check box also switches the slider, whoever sets it.
    void setData(int column, int role, const QVariant& value) override;

    void* object1 = nullptr;
    void* object2 = nullptr;

private:
    TResType m_type;
    QSlider* m_slider;
    QLabel* m_label;
};

class QResourceList : public QTreeWidget {
    Q_OBJECT
public:
    explicit QResourceList(QWidget* parent = nullptr);

    // Image, Shape, Sound, Video and Font have rows; AS has none.
    QTWResourceItem* row(TResType type) const;
    QSlider* slider(TResType type) const;

    // Check states and sizes from the record; sliders stay.
    void showRecord(const QSWFInfo* info);
    // Every row unchecked, sizes empty.
    void reset();

    // The quality radio a released Image, Sound or Video slider stands for.
    static int bandOf(int value);
    // The slider value that stands for a quality radio of that kind.
    static int valueOfRadio(TResType type, int radio);
    // " 62%": the share of the slider's maximum.
    static QString percentText(int value, int maximum);

signals:
    void sliderReleased(TResType type, int value);
    void sliderMoved(TResType type, int value);

private:
    QTWResourceItem* m_rows[RES_COUNT] = {};
};
