// The update check's command line.
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
