#include "ui/preferences.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "main/constants.h"
#include "settings/config.h"
#include "ui/connectwidget.h"
#include "ui/updatewidget.h"

namespace {

QPushButton* skinnedButton(const QString& text, const QString& shortcut, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setShortcut(QKeySequence(shortcut));
    b->setMinimumSize(96, 28);
    b->setStyleSheet(QStringLiteral("QPushButton{border-image: url(:/res/image/savebutton.png); padding: 4px 16px;}"
                                    "QPushButton:pressed{padding-top: 5px;}"));
    return b;
}

}  // namespace

COmblenSettings::COmblenSettings(Config* config, QWidget* parent) : QDialog(parent), m_config(config) {
    setWindowTitle(QStringLiteral("Preferences"));
    setWindowIcon(QIcon(APP_ICON));
    setModal(true);

    auto* tabs = new QTabWidget(this);
    m_general = new CUpdateWidget(config, tabs);
    m_connection = new CConnectWidget(config, tabs);
    tabs->addTab(m_general, QStringLiteral("General"));
    tabs->addTab(m_connection, QStringLiteral("Connection"));

    m_btnOk = skinnedButton(QStringLiteral("OK"), QStringLiteral("Ctrl+O"), this);
    m_btnCancel = skinnedButton(QStringLiteral("Cancel"), QStringLiteral("Ctrl+W"), this);
    m_btnOk->setDefault(true);
    connect(m_btnOk, &QPushButton::clicked, this, &COmblenSettings::okClicked);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);
    resize(640, 400);
}

void COmblenSettings::okClicked() {
    if (m_config) {
        m_general->SaveUpdate();
        m_connection->SaveConnect();
        m_config->Save();
    }
    accept();
}
