// The preferences dialog: "General" and "Connection" pages over one
// configuration; "OK" stores both and saves the file.
#pragma once
#include <QDialog>

class Config;
class CConnectWidget;
class CUpdateWidget;
class QPushButton;

class COmblenSettings : public QDialog {
    Q_OBJECT
public:
    explicit COmblenSettings(Config* config, QWidget* parent = nullptr);

    CUpdateWidget* generalPage() const { return m_general; }
    CConnectWidget* connectionPage() const { return m_connection; }

public slots:
    void okClicked();

private:
    Config* m_config;
    CUpdateWidget* m_general;
    CConnectWidget* m_connection;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
};
