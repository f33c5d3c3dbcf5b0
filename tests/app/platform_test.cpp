// Who the program is and where it keeps its files.
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cstring>

#include "main/constants.h"
#include "platform/platform.h"

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void identity() {
        char buf[200];
        std::memset(buf, 0x41, sizeof buf);
        QCOMPARE(GetBundleIdentifier(buf, sizeof buf), 0);
        QCOMPARE(QByteArray(buf), DEFAULT_BUNDLE_ID.toUtf8());
        QCOMPARE(buf[sizeof buf - 1], '\0');
        std::memset(buf, 0, sizeof buf);
        QCOMPARE(GetInfoAttribute(buf, sizeof buf, "CFBundleVersion"), 0);
        QCOMPARE(QByteArray(buf), QByteArray(SHRINKWELL_APP_VERSION));
        QVERIFY(GetInfoAttribute(buf, sizeof buf, "CFBundleName") != 0);
        // Too small a buffer fails rather than cutting the name.
        char tiny[4];
        QVERIFY(GetBundleIdentifier(tiny, sizeof tiny) != 0);
        QVERIFY(GetBundleIdentifier(nullptr, 10) != 0);
    }

    void folders() {
        const QString data = dataDirectory();
        const QString temp = tempDirectory();
        QVERIFY(data.endsWith(QLatin1Char('/') + g_strBundleId));
        QVERIFY(data.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
        QVERIFY(temp.endsWith(QLatin1Char('/') + g_strBundleId + QStringLiteral("/temp")));
        QVERIFY(temp.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)));
        QVERIFY(data != temp);
    }

    void tempFolderIsPrivateAndOwnedByThisRun() {
        QTemporaryDir root;
        const QString cache = root.filePath(QStringLiteral("cache/temp"));
        const QString mine = makeTempDirectory(cache);
        QVERIFY(mine.startsWith(cache + QStringLiteral("/app-")));
        struct stat st;
        QVERIFY(stat(QFile::encodeName(mine).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0700));
        // A second instance gets a folder of its own and leaves this one alone.
        const QString other = makeTempDirectory(cache);
        QVERIFY(!other.isEmpty() && other != mine);
        QVERIFY(QDir(mine).exists());
        removeTempDirectory(other);
        QVERIFY(!QDir(other).exists());
        // A shared folder anyone may rename things in is refused.
        const QString shared = root.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(chmod(QFile::encodeName(shared).constData(), 0777) == 0);
        QString why;
        QVERIFY(makeTempDirectory(shared, &why).isEmpty());
        QVERIFY2(why.contains(QStringLiteral("not sticky")), qPrintable(why));
        QVERIFY(makeTempDirectory(QString()).isEmpty());
    }

    void openFolderIgnoresNothing() {
        // No text, no folder: nothing is opened and nothing breaks.
        OpenFolderFun(nullptr, 5);
        const unsigned short none[1] = {0};
        OpenFolderFun(none, 0);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "platform_test.moc"
