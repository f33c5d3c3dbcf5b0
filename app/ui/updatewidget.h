// The "General" page of the preferences: output folder with its history, the
// output-list switch and the update schedule.
#pragma once
#include <QWidget>

class Config;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

class CUpdateWidget : public QWidget {
    Q_OBJECT
public:
    explicit CUpdateWidget(Config* config, QWidget* parent = nullptr);

    // Stores the page into the configuration (does not write the file).
    void SaveUpdate();
    // Puts folder at the top of the history (moving it when it is there
    // already, dropping the tenth when full) and selects it.
    void UpdateOutputComboBox(const QString& folder);
    // Writes an INI probe file into folder and checks it arrived.
    static bool isFolderWritable(const QString& folder);

    QComboBox* outputCombo() const { return m_cmbOutput; }
    QCheckBox* showOutputCheck() const { return m_chkShowOutput; }
    QCheckBox* autoUpdateCheck() const { return m_chkUpdate; }
    QSpinBox* daysSpin() const { return m_spinDays; }
    // 0 every day, 1 every week, 2 every month, 3 number of days.
    int scheduleChoice() const;
    void setScheduleChoice(int i);

public slots:
    void setOutputDirSlot();
    void openOutPutDir();

private slots:
    void updateEnabled();

private:
    Config* m_config;
    QComboBox* m_cmbOutput;
    QCheckBox* m_chkShowOutput;
    QCheckBox* m_chkUpdate;
    QRadioButton* m_radio[4];
    QSpinBox* m_spinDays;
};
