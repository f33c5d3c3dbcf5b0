#include "ui/connectwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/platform.h"
#include "settings/config.h"
#include "widgets/imagebutton.h"

CConnectWidget::CConnectWidget(Config* config, QWidget* parent) : QWidget(parent), m_config(config) {
    m_chkUseProxy = new QCheckBox(QStringLiteral("Use Proxy"), this);
    m_editHost = new QLineEdit(this);
    m_editPort = new QLineEdit(this);
    m_editPort->setMaximumWidth(80);
    m_cmbType = new QComboBox(this);
    m_cmbType->addItems({QStringLiteral("Http"), QStringLiteral("Socks5"), QStringLiteral("Http Caching"),
                         QStringLiteral("Ftp Caching")});
    m_editUser = new QLineEdit(this);
    m_editPassword = new QLineEdit(this);
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_btnGetProxy = new CImageButton(QStringLiteral(":/res/image/proxy.png"), QStringLiteral("Get Proxy"), QString(), this);

    if (m_config) {
        m_chkUseProxy->setChecked(m_config->GetUseProxy() != 0);
        m_editHost->setText(m_config->GetProxyHost());
        m_editPort->setText(m_config->GetProxyPort());
        const int type = m_config->GetProxyType();
        m_cmbType->setCurrentIndex(type >= 0 && type < m_cmbType->count() ? type : 0);
        m_editUser->setText(m_config->GetProxyUserName());
        m_editPassword->setText(m_config->GetProxyPassword());
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Host:"), this), 0, 0);
    grid->addWidget(m_editHost, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Port:"), this), 0, 2);
    grid->addWidget(m_editPort, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Proxy Type:"), this), 1, 0);
    grid->addWidget(m_cmbType, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Username:"), this), 2, 0);
    grid->addWidget(m_editUser, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), this), 3, 0);
    grid->addWidget(m_editPassword, 3, 1);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_chkUseProxy);
    layout->addLayout(grid);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_btnGetProxy);
    layout->addLayout(row);
    layout->addStretch(1);

    connect(m_chkUseProxy, &QCheckBox::toggled, this, &CConnectWidget::updateEnabled);
    connect(m_btnGetProxy, &QPushButton::clicked, this, &CConnectWidget::getSystemProxySlot);
    updateEnabled();
}

void CConnectWidget::updateEnabled() {
    const bool on = m_chkUseProxy->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(m_editHost), static_cast<QWidget*>(m_editPort),
                       static_cast<QWidget*>(m_cmbType), static_cast<QWidget*>(m_editUser),
                       static_cast<QWidget*>(m_editPassword)})
        w->setEnabled(on);
}

void CConnectWidget::getSystemProxySlot() {
    SystemProxy proxy;
    if (GetSystemProxy(&proxy) != 0 || !proxy.httpEnabled) return;
    m_chkUseProxy->setChecked(true);
    m_editHost->setText(QString::fromUtf8(proxy.httpHost));
    m_editPort->setText(proxy.httpPort > 0 ? QString::number(proxy.httpPort) : QString());
    m_cmbType->setCurrentIndex(0);
    m_editUser->setText(QString::fromUtf8(proxy.httpUser));
}

void CConnectWidget::SaveConnect() {
    if (!m_config) return;
    m_config->SetUseProxy(m_chkUseProxy->isChecked() ? 1 : 0);
    m_config->SetProxyType(m_cmbType->currentIndex());
    m_config->SetProxyHost(m_editHost->text());
    m_config->SetProxyPort(m_editPort->text());
    m_config->SetProxyUserName(m_editUser->text());
    m_config->SetProxyPassword(m_editPassword->text());
}
