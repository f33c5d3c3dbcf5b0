// The task list: one row per movie, with the file's own settings record and a
// progress bar.
#pragma once
#include <QString>
#include <QTreeWidget>
#include <QTreeWidgetItem>

class QProgressBar;
class QSWFInfo;

class QTWItem : public QTreeWidgetItem {
public:
    // Takes ownership of info.
    QTWItem(const QString& path, QSWFInfo* info);
    ~QTWItem() override;

    QSWFInfo* info() const { return m_info; }
    QProgressBar* progressBar() const { return m_bar; }
    void setProgressBar(QProgressBar* bar) { m_bar = bar; }
    const QString& path() const { return m_path; }
    const QString& folder() const { return m_folder; }
    bool isChecked() const { return checkState(0) == Qt::Checked; }

    int stageWidth = 0;   // pixels, from the movie header
    int stageHeight = 0;
    void* object1 = nullptr;
    void* object2 = nullptr;

private:
    QSWFInfo* m_info;
    QProgressBar* m_bar = nullptr;
    QString m_path;
    QString m_folder;
};

class QTaskList : public QTreeWidget {
    Q_OBJECT
public:
    explicit QTaskList(QWidget* parent = nullptr);

    static const char* const SELECTED_STYLE;
    static const char* const PROGRESS_STYLE;

    // Appends a row for path with a fresh progress bar and makes it current.
    QTWItem* addTask(const QString& path, QSWFInfo* info);
    // Removes the row with its record and progress bar.
    void removeTask(QTWItem* item);
    QList<QTWItem*> tasks() const;
    QTWItem* task(int row) const;
};
