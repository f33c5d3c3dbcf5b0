#include "ui/updatewidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/platform.h"
#include "settings/config.h"
#include "widgets/updatecheck.h"
#include "widgets/imagebutton.h"
#include "ui/msgbox.h"

namespace {

const int scheduleDays[] = {1, 7, 30};

void inform(QWidget* parent, const QString& text) {
    QMsgBox box(QMessageBox::Information, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace

CUpdateWidget::CUpdateWidget(Config* config, QWidget* parent) : QWidget(parent), m_config(config) {
    auto* folderLabel = new QLabel(QStringLiteral("Save optimized file to:"), this);
    m_cmbOutput = new QComboBox(this);
    m_cmbOutput->setMinimumWidth(380);
    m_cmbOutput->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* browse = new CImageButton(QStringLiteral(":/res/image/browse.png"), QStringLiteral("Browse..."), QString(), this);
    auto* open = new CImageButton(QStringLiteral(":/res/image/open1.png"), QStringLiteral("Open"), QString(), this);
    connect(browse, &QPushButton::clicked, this, &CUpdateWidget::setOutputDirSlot);
    connect(open, &QPushButton::clicked, this, &CUpdateWidget::openOutPutDir);

    QStringList history;
    if (m_config) m_config->GetOutputPathList(&history);
    if (history.isEmpty()) history << Config::defaultSavePath();
    m_cmbOutput->addItems(history);
    m_cmbOutput->setCurrentIndex(0);

    m_chkShowOutput = new QCheckBox(QStringLiteral("Show optimized file list when finished."), this);
    m_chkShowOutput->setChecked(m_config && m_config->GetShowOutputDlg());

    m_chkUpdate = new QCheckBox(QStringLiteral("Enable automatic update check."), this);
    const char* const choices[] = {"Update every day", "Update every week", "Update every month",
                                   "Number of days between update checks"};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        m_radio[i] = new QRadioButton(QString::fromLatin1(choices[i]), this);
        group->addButton(m_radio[i], i);
        connect(m_radio[i], &QRadioButton::toggled, this, &CUpdateWidget::updateEnabled);
    }
    m_spinDays = new QSpinBox(this);
    m_spinDays->setRange(1, 30);
    connect(m_chkUpdate, &QCheckBox::toggled, this, &CUpdateWidget::updateEnabled);

    const int days = m_config ? m_config->GetAutoDays() : 3;
    m_spinDays->setValue(days >= 1 && days <= 30 ? days : 3);
    int choice = 3;
    for (int i = 0; i < 3; ++i)
        if (days == scheduleDays[i]) choice = i;
    setScheduleChoice(choice);
    m_chkUpdate->setChecked(m_config && m_config->GetAutoUpdate() != 0);

    auto* folderBox = new QGroupBox(QStringLiteral("Output"), this);
    auto* folderGrid = new QGridLayout(folderBox);
    folderGrid->addWidget(folderLabel, 0, 0, 1, 3);
    folderGrid->addWidget(m_cmbOutput, 1, 0);
    folderGrid->addWidget(browse, 1, 1);
    folderGrid->addWidget(open, 1, 2);
    folderGrid->setColumnStretch(0, 1);
    folderGrid->addWidget(m_chkShowOutput, 2, 0, 1, 3);

    auto* updateBox = new QGroupBox(QStringLiteral("Update"), this);
    auto* updateLayout = new QVBoxLayout(updateBox);
    updateLayout->addWidget(m_chkUpdate);
    for (int i = 0; i < 3; ++i) updateLayout->addWidget(m_radio[i]);
    auto* daysRow = new QHBoxLayout;
    daysRow->addWidget(m_radio[3]);
    daysRow->addWidget(m_spinDays);
    daysRow->addStretch(1);
    updateLayout->addLayout(daysRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folderBox);
    layout->addWidget(updateBox);
    layout->addStretch(1);
    // A schedule for an updater that is not installed would promise nothing.
    updateBox->setVisible(CUpdateCheck::available());
    updateEnabled();
}

int CUpdateWidget::scheduleChoice() const {
    for (int i = 0; i < 4; ++i)
        if (m_radio[i]->isChecked()) return i;
    return 3;
}

void CUpdateWidget::setScheduleChoice(int i) {
    if (i >= 0 && i < 4) m_radio[i]->setChecked(true);
}

void CUpdateWidget::updateEnabled() {
    const bool on = m_chkUpdate->isChecked();
    for (QRadioButton* r : m_radio) r->setEnabled(on);
    m_spinDays->setEnabled(on && m_radio[3]->isChecked());
}

bool CUpdateWidget::isFolderWritable(const QString& folder) {
    // QSettings would create a missing folder on the way.
    if (!QFileInfo(folder).isDir()) return false;
    const QTime now = QTime::currentTime();
    QRandomGenerator random(quint32(now.second() * 1000 + now.msec()));
    QString probe;
    do {
        // Never overwrite (and then delete) a file of the user's.
        probe = folder + QStringLiteral("/OutPutTest%1").arg(random.bounded(1000000));
    } while (QFileInfo::exists(probe));
    {
        QSettings ini(probe, QSettings::IniFormat);
        ini.setValue(QStringLiteral("isWrite"), QStringLiteral("Yes"));
        ini.sync();
    }
    if (!QFileInfo::exists(probe)) return false;
    QFile::remove(probe);
    return true;
}

void CUpdateWidget::setOutputDirSlot() {
    const QString folder = getExistingDirectory(QStringLiteral("Open Directory"), m_cmbOutput->currentText());
    if (folder.isEmpty()) return;
    if (isFolderWritable(folder)) {
        UpdateOutputComboBox(folder);
    } else {
        inform(this, QStringLiteral("The current output directory is not writable or has no permission to "
                                             "access,please verify whether you are logged on with an administrator "
                                             "account?"));
    }
}

void CUpdateWidget::UpdateOutputComboBox(const QString& folder) {
    if (folder.isEmpty()) return;
    const int at = m_cmbOutput->findText(folder);
    if (at >= 0 && at == m_cmbOutput->currentIndex()) return;
    if (at >= 0) m_cmbOutput->removeItem(at);
    m_cmbOutput->insertItem(0, folder);
    while (m_cmbOutput->count() > Config::HISTORY_SIZE) m_cmbOutput->removeItem(m_cmbOutput->count() - 1);
    m_cmbOutput->setCurrentIndex(0);
}

void CUpdateWidget::openOutPutDir() {
    const QString folder = m_cmbOutput->currentText();
    if (QFileInfo(folder).isDir()) OpenFolder(folder);
    else inform(this, QStringLiteral("Select the directory does not exist, please re-select!"));
}

void CUpdateWidget::SaveUpdate() {
    if (!m_config) return;
    if (!m_chkUpdate->isChecked()) {
        m_config->SetAutoUpdate(0);
    } else {
        m_config->SetAutoUpdate(1);
        const int c = scheduleChoice();
        m_config->SetAutoDays(c < 3 ? scheduleDays[c] : m_spinDays->value());
    }
    // The chosen folder leads the history even when it was picked further down.
    const QString selected = m_cmbOutput->currentText();
    const int at = m_cmbOutput->currentIndex();
    if (at > 0) {
        m_cmbOutput->removeItem(at);
        m_cmbOutput->insertItem(0, selected);
        m_cmbOutput->setCurrentIndex(0);
    }
    QStringList history;
    for (int i = 0; i < m_cmbOutput->count(); ++i) history << m_cmbOutput->itemText(i);
    m_config->SetOutPutPathList(&history);
    m_config->SetSavePath(selected);
    m_config->SetShowOutputDlg(m_chkShowOutput->isChecked() ? 1 : 0);
}
