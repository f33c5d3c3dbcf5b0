// Lists the files that could not be added because they are not readable
// Flash movies.
#pragma once
#include <QDialog>
#include <QStringList>

class QTreeWidget;

class CLoadSWFVideoFail : public QDialog {
    Q_OBJECT
public:
    CLoadSWFVideoFail(const QStringList& paths, void* object, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list;
    void* m_object;
};
