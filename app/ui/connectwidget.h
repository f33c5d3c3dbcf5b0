// The "Connection" page of the preferences: the proxy for the update check.
#pragma once
#include <QWidget>

class Config;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CConnectWidget : public QWidget {
    Q_OBJECT
public:
    explicit CConnectWidget(Config* config, QWidget* parent = nullptr);

    // Stores the six proxy keys into the configuration.
    void SaveConnect();

    QCheckBox* useProxyCheck() const { return m_chkUseProxy; }
    QLineEdit* hostEdit() const { return m_editHost; }
    QLineEdit* portEdit() const { return m_editPort; }
    QComboBox* typeCombo() const { return m_cmbType; }
    QLineEdit* userEdit() const { return m_editUser; }
    QLineEdit* passwordEdit() const { return m_editPassword; }

public slots:
    void getSystemProxySlot();

private slots:
    void updateEnabled();

private:
    Config* m_config;
    QCheckBox* m_chkUseProxy;
    QLineEdit* m_editHost;
    QLineEdit* m_editPort;
    QComboBox* m_cmbType;
    QLineEdit* m_editUser;
    QLineEdit* m_editPassword;
    QPushButton* m_btnGetProxy;
};
