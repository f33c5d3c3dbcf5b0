// The preferences dialog: output-folder history, update schedule, proxy page.
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
    static QStringList items(const QComboBox* c) {
        QStringList l;
        for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
        return l;
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        if (Config::loginName().isEmpty()) qputenv("USER", "tester");
    }

    void historyKeepsTenAndMovesToTop() {
        Config c(dir.filePath(QStringLiteral("b.xml")));
        CUpdateWidget page(&c);
        QComboBox* combo = page.outputCombo();
        for (int i = 1; i <= 10; ++i) page.UpdateOutputComboBox(folder(i));
        QCOMPARE(combo->count(), 10);  // the default folder was the oldest
        QCOMPARE(combo->itemText(0), folder(10));
        QCOMPARE(combo->itemText(9), folder(1));
        page.UpdateOutputComboBox(folder(11));
        QCOMPARE(combo->count(), 10);
        QVERIFY(!items(combo).contains(folder(1)));
        // Already known: moves up, no duplicate.
        page.UpdateOutputComboBox(folder(5));
        QCOMPARE(combo->count(), 10);
        QCOMPARE(combo->itemText(0), folder(5));
        QCOMPARE(items(combo).count(folder(5)), 1);
        QCOMPARE(combo->currentIndex(), 0);
        // Already selected: nothing changes.
        const QStringList before = items(combo);
        page.UpdateOutputComboBox(folder(5));
        QCOMPARE(items(combo), before);
    }

    void saveStoresGeneralPage() {
        const QString file = dir.filePath(QStringLiteral("c.xml"));
        Config c(file);
        CUpdateWidget page(&c);
        page.UpdateOutputComboBox(folder(1));
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

    void scheduleControls() {
        Config c(dir.filePath(QStringLiteral("d.xml")));
        c.SetAutoUpdate(1);
        c.SetAutoDays(45);
        CUpdateWidget page(&c);
        QCOMPARE(page.daysSpin()->value(), 3);
        QCOMPARE(page.scheduleChoice(), 3);
        QVERIFY(page.daysSpin()->isEnabled());
        page.setScheduleChoice(0);
        QVERIFY(!page.daysSpin()->isEnabled());
        c.SetAutoDays(30);
        CUpdateWidget monthly(&c);
        QCOMPARE(monthly.scheduleChoice(), 2);
        c.SetAutoDays(7);
        CUpdateWidget weekly(&c);
        QCOMPARE(weekly.scheduleChoice(), 1);
    }

    void probeLeavesNothingBehind() {
        const QString f = folder(40);
        QVERIFY(CUpdateWidget::isFolderWritable(f));
        QCOMPARE(QDir(f).entryList(QDir::Files | QDir::Hidden).size(), 0);
        QVERIFY(!CUpdateWidget::isFolderWritable(dir.filePath(QStringLiteral("missing/folder"))));
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
