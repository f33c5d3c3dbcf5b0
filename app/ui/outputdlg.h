// The output list shown when a compression run ends: each source with its size
// and the compressed copy with its size, or the reason it was not written.
#pragma once
#include <QDialog>
#include <QList>

#include "ui/outputnaming.h"

class QTreeWidget;
class QPushButton;

class Qshowdlg : public QDialog {
    Q_OBJECT
public:
    Qshowdlg(const QList<tagOutList*>& list, const QString& outdir, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    QPushButton* openButton() const { return m_btnOpen; }
    // The text of a failed output's size cell.
    static const char* const FAILED_TEXT;

public slots:
    void btnokClicked();
    void btnOpenClicked();

private:
    QString m_outdir;
    QTreeWidget* m_list;
    QPushButton* m_btnCancel;
    QPushButton* m_btnOpen;
};
