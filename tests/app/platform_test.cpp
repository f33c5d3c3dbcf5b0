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
        // No text, no folder: nothing is opened and nothing breaks.
        OpenFolderFun(nullptr, 5);
        const unsigned short none[1] = {0};
        OpenFolderFun(none, 0);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "platform_test.moc"
