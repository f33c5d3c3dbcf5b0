// The program's icons and the update check.
#include <QCoreApplication>
#include <QIcon>
#include <QPixmap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "main/constants.h"
#include "settings/config.h"
#include "widgets/updatecheck.h"

class WidgetsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        if (Config::loginName().isEmpty()) qputenv("USER", "tester");
    }

    void everyIconIsThere_data() {
        QTest::addColumn<QString>("name");
        for (const char* n : {"add", "add02", "browse", "clear", "compress", "delete", "moreoptions_fold",
                              "moreoptions_unfold", "myapp", "open1", "proxy", "remove", "save", "savebutton"})
            QTest::newRow(n) << QStringLiteral(":/res/image/%1.png").arg(QLatin1String(n));
    }
    void everyIconIsThere() {
        QFETCH(QString, name);
        QPixmap p(name);
        QVERIFY2(!p.isNull(), qPrintable(name));
        QVERIFY(p.width() >= 16 && p.height() >= 16);
        // Drawn, not blank.
        const QImage img = p.toImage();
        bool painted = false;
        for (int y = 0; y < img.height() && !painted; ++y)
            for (int x = 0; x < img.width() && !painted; ++x) painted = qAlpha(img.pixel(x, y)) > 0;
        QVERIFY(painted);
    }

    void schedule() {
        Config c(dir.filePath(QStringLiteral("u.xml")));
        const QDate today(2026, 3, 10);
        c.SetAutoUpdate(1);
        c.SetAutoDays(7);
        c.SetDate(today.addDays(-6));
        QVERIFY(!CUpdateCheck::isDue(c, today));
        c.SetDate(today.addDays(-7));
        QVERIFY(CUpdateCheck::isDue(c, today));
        c.SetAutoUpdate(0);
        QVERIFY(!CUpdateCheck::isDue(c, today));
        c.SetAutoUpdate(1);
        c.SetAutoDays(0);  // no interval stored: once a day at most
        c.SetDate(today);
        QVERIFY(!CUpdateCheck::isDue(c, today));
        QVERIFY(CUpdateCheck::isDue(c, today.addDays(1)));
    }

    void noUpdaterNoCheck() {
        Config c(dir.filePath(QStringLiteral("v.xml")));
        c.SetAutoUpdate(1);
        c.SetAutoDays(1);
        c.SetDate(QDate(2000, 1, 1));
        QVERIFY(!QFileInfo::exists(CUpdateCheck::updaterPath()));
        QVERIFY(!CUpdateCheck::run(c, true));
        QVERIFY(!CUpdateCheck::run(c, false));
        QCOMPARE(c.GetDate(), QDate(2000, 1, 1));
        QVERIFY(CUpdateCheck::updaterPath().startsWith(QCoreApplication::applicationDirPath()));
    }

    void updaterArguments() {
        Config c(dir.filePath(QStringLiteral("w.xml")));
        c.SetUseProxy(1);
        c.SetProxyType(1);
        c.SetProxyHost(QStringLiteral("gate"));
        c.SetProxyPort(QStringLiteral("1080"));
        c.SetProxyUserName(QStringLiteral("amy"));
        c.SetProxyPassword(QStringLiteral("s3cret"));
        const QStringList args = CUpdateCheck::arguments(c);
        QVERIFY(args.contains(QStringLiteral("socks5")));
        QVERIFY(args.contains(QStringLiteral("gate")));
        QVERIFY(args.contains(APP_NAME));
        QVERIFY(args.contains(g_strVersion));
        // Other users can read a command line.
        QVERIFY(!args.join(QLatin1Char(' ')).contains(QStringLiteral("s3cret")));
        c.SetUseProxy(0);
        QVERIFY(!CUpdateCheck::arguments(c).contains(QStringLiteral("gate")));
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
