// Lists the files that could not be added, each with the reason: missing,
// unreadable, empty or not a Flash movie.
#pragma once
#include <QDialog>
#include <QStringList>

class QTreeWidget;

class CLoadSWFVideoFail : public QDialog {
    Q_OBJECT
public:
    // reasons[i] says why paths[i] failed.
    CLoadSWFVideoFail(const QStringList& paths, void* object, QWidget* parent = nullptr,
                      const QStringList& reasons = {});

    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list;
    void* m_object;
};
