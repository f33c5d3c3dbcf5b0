// The preferences dialog: the general page's settings, OK and Cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "settings/config.h"
#include "ui/connectwidget.h"
#include "ui/preferences.h"
#include "ui/updatewidget.h"

class PreferencesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString folder(int i) {
        const QString f = dir.filePath(QStringLiteral("out%1").arg(i));
        QDir().mkpath(f);
        return f;
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        if (Config::loginName().isEmpty()) qputenv("USER", "tester");
    }

    void saveStoresGeneralPage() {
        const QString file = dir.filePath(QStringLiteral("c.xml"));
        Config c(file);
        CUpdateWidget page(&c);
        page.UpdateOutputComboBox(folder(1));
        page.UpdateOutputComboBox(folder(2));
        page.UpdateOutputComboBox(folder(1));  // known: moves up, no second entry
        QCOMPARE(page.outputCombo()->count(), 3);
        page.UpdateOutputComboBox(folder(2));
        page.outputCombo()->setCurrentIndex(1);  // folder 1 chosen from further down
        page.showOutputCheck()->setChecked(true);
        page.autoUpdateCheck()->setChecked(true);
        page.setScheduleChoice(1);
        page.SaveUpdate();
        QCOMPARE(c.GetAutoUpdate(), 1);
        QCOMPARE(c.GetAutoDays(), 7);
        QCOMPARE(c.GetSavePath(), folder(1));
        QCOMPARE(c.GetShowOutputDlg(), 1);
        QStringList history;
        c.GetOutputPathList(&history);
        QCOMPARE(history.first(), folder(1));
        QCOMPARE(history.at(1), folder(2));

        page.setScheduleChoice(3);
        page.daysSpin()->setValue(12);
        page.SaveUpdate();
        QCOMPARE(c.GetAutoDays(), 12);
        page.autoUpdateCheck()->setChecked(false);
        page.SaveUpdate();
        QCOMPARE(c.GetAutoUpdate(), 0);
        QCOMPARE(c.GetAutoDays(), 12);
    }

    void okSavesAndCancelDoesNot() {
        const QString file = dir.filePath(QStringLiteral("f.xml"));
        {
            Config c(file);
            COmblenSettings dlg(&c);
            dlg.connectionPage()->useProxyCheck()->setChecked(true);
            dlg.connectionPage()->hostEdit()->setText(QStringLiteral("kept.lan"));
            dlg.generalPage()->showOutputCheck()->setChecked(true);
            dlg.okClicked();
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        }
        {
            Config c(file);
            QCOMPARE(c.GetProxyHost(), QStringLiteral("kept.lan"));
            QCOMPARE(c.GetShowOutputDlg(), 1);
            COmblenSettings dlg(&c);
            dlg.connectionPage()->hostEdit()->setText(QStringLiteral("dropped.lan"));
            dlg.reject();
            QCOMPARE(c.GetProxyHost(), QStringLiteral("kept.lan"));
        }
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("host")).toString(), QStringLiteral("kept.lan"));
    }

};

QTEST_MAIN(PreferencesTest)
#include "preferences_test.moc"
