// The start panel: shown until the first movies arrive, by the file dialog or
// by dropping them here.
#pragma once
#include <QStringList>
#include <QUrl>
#include <QWidget>

class QPushButton;

class QDisplayWnd : public QWidget {
    Q_OBJECT
public:
    explicit QDisplayWnd(QWidget* parent = nullptr);

    // Where the file dialog starts.
    void setStartFolder(const QString& folder) { m_folder = folder; }
    // The files collected by the last dialog or drop; the caller takes them.
    QStringList takeFiles();
    bool leftByDrop() const { return m_leftByDrop; }
    QPushButton* addButton() const { return m_btnAdd; }

signals:
    void AddSWFFileFinish(bool added);

public slots:
    void openFiles();
    // Collects the local files of a drop that exist.
    bool dropFiles(const QList<QUrl>& urls);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* m_btnAdd;
    QString m_folder;
    QStringList m_files;
    bool m_leftByDrop = false;
};
