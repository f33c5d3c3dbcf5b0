// Common ground of the five option tabs: every user change of a control is
// announced by CustomChanged(), and loading a record silences the announcements.
#pragma once
#include <QList>
#include <QMetaObject>
#include <QWidget>

class QAbstractButton;
class QAbstractSlider;
class QButtonGroup;
class QComboBox;
class QSpinBox;
class QSWFInfo;

class QOptionTab : public QWidget {
    Q_OBJECT
public:
    explicit QOptionTab(QWidget* parent = nullptr);

signals:
    void CustomChanged();

protected:
    void track(QAbstractButton* b);
    void track(QAbstractSlider* s);
    void track(QSpinBox* s);
    void track(QComboBox* c);
    void track(QButtonGroup* g);
    void keep(const QMetaObject::Connection& c) { m_connections.append(c); }
    void untrackAll();

    // Checks button id of the group, or none for an id it does not hold.
    static void checkRadio(QButtonGroup* g, int id);

private:
    QList<QMetaObject::Connection> m_connections;
};
