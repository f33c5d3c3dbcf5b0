// "config.xml": defaults, the reset for a new login name, the history and the
// file's permissions.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "main/constants.h"
#include "settings/config.h"

class ConfigTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static int mode(const QString& file) {
        struct stat st {};
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    }
    // A file last reset for someone else, with every preference off the defaults.
    void writeForeign(const QString& file, const QString& user) {
        QSettings s(file, QSettings::IniFormat);
        s.setValue(QStringLiteral("UserName"), user);
        s.setValue(QStringLiteral("useProxy"), 1);
        s.setValue(QStringLiteral("proxyType"), 2);
        s.setValue(QStringLiteral("host"), QStringLiteral("proxy.lan"));
        s.setValue(QStringLiteral("port"), QStringLiteral("3128"));
        s.setValue(QStringLiteral("ProxyUserName"), QStringLiteral("bob"));
        s.setValue(QStringLiteral("password"), QStringLiteral("secret"));
        s.setValue(QStringLiteral("ShowOutputDlg"), 0);
        s.setValue(QStringLiteral("Days"), 14);
        s.setValue(QStringLiteral("RunTimes"), 1);
        s.setValue(QStringLiteral("VideoSavePath"), dir.path());
        s.setValue(QStringLiteral("WindowWidth"), QStringLiteral("wide"));
        s.setValue(QStringLiteral("WindowHeight"), 480);
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        // The login rule needs a name to compare with.
        if (Config::loginName().isEmpty()) qputenv("USER", "tester");
        QVERIFY(!Config::loginName().isEmpty());
    }

    void freshFile() {
        const QString file = path("fresh.xml");
        Config c(file);
        QCOMPARE(QList<int>({c.GetShowOutputDlg(), c.GetAutoUpdate(), c.GetAutoDays(), c.GetUseProxy()}),
                 QList<int>({1, 0, 3, 0}));  // no updater ships
        const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        QCOMPARE(c.GetSavePath(), movies + QDir::separator() + g_strBundleId);
        QVERIFY(QFileInfo(c.GetSavePath()).isDir());
        // Saved at once, for the user alone.
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("UserName")).toString(), Config::loginName());
        QCOMPARE(s.value(QStringLiteral("Days")).toInt(), 3);
        QCOMPARE(mode(file), 0600);
    }

    // A file last reset for another login name is reset for this one (the
    // proxy and the output dialog); the same name in another case is not.
    void loginNameDecidesTheReset() {
        for (bool same : {false, true}) {
            const QString file = path(same ? "mine.xml" : "foreign.xml");
            writeForeign(file, same ? Config::loginName().toUpper() : Config::loginName() + QStringLiteral("-else"));
            Config c(file);
            const QStringList got{QString::number(c.GetUseProxy()), QString::number(c.GetProxyType()),
                                  c.GetProxyHost(), c.GetProxyPort(), c.GetProxyUserName(), c.GetProxyPassword(),
                                  QString::number(c.GetShowOutputDlg()), QString::number(c.GetAutoDays())};
            const QStringList kept{"1", "2", "proxy.lan", "3128", "bob", "secret", "0", "14"};
            const QStringList reset{"0", "0", "", "", "", "", "1", "3"};
            QCOMPARE(got, same ? kept : reset);
            // Not part of the reset.
            QCOMPARE(c.GetRunTimes(), 1);
            QCOMPARE(c.GetSavePath(), dir.path());
            QCOMPARE(c.GetWindowWidth(), 0);  // not a number
            QCOMPARE(c.GetWindowHeight(), 480);
            QSettings s(file, QSettings::IniFormat);
            QCOMPARE(s.value(QStringLiteral("password")).toString().isEmpty(), !same);
        }
        QSettings s(path("foreign.xml"), QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("UserName")).toString(), Config::loginName());
    }

    // The file holds a proxy password: never readable by others, even when
    // it was before.
    void passwordFileIsPrivate() {
        const QString file = path("private.xml");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther));
        Config c(file);
        c.SetProxyPassword(QStringLiteral("hunter2"));
        c.SetUseProxy(1);
        c.Save();
        QCOMPARE(mode(file), 0600);
        Config again(file);
        QCOMPARE(again.GetProxyPassword(), QStringLiteral("hunter2"));
        QCOMPARE(mode(file), 0600);
        // A file in a folder that does not exist yet is created private too.
        const QString nested = dir.filePath(QStringLiteral("new/data/config.xml"));
        Config n(nested);
        QCOMPARE(mode(nested), 0600);
    }

    void outputHistory() {
        const QString file = path("history.xml");
        QTemporaryDir folders;
        QStringList list;
        for (int i = 0; i < 12; ++i) {
            const QString f = folders.filePath(QStringLiteral("f%1").arg(i));
            QDir().mkpath(f);
            list << f;
        }
        list[3] = folders.filePath(QStringLiteral("gone"));
        list[5].clear();
        {
            Config c(file);
            c.SetOutPutPathList(&list);
            c.Save();
            QStringList kept;
            c.GetOutputPathList(&kept);
            QStringList expected = list.mid(0, 10);
            expected.removeAt(5);
            expected.removeAt(3);
            QCOMPARE(kept, expected);
        }
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("OutputPath9")).toString(), list[9]);
        QVERIFY(!s.contains(QStringLiteral("OutputPath10")));
        // Read back at the next start.
        Config c(file);
        QStringList kept;
        c.GetOutputPathList(&kept);
        QCOMPARE(kept.size(), 8);
        QCOMPARE(kept.first(), list[0]);
    }
};

QTEST_GUILESS_MAIN(ConfigTest)
#include "config_test.moc"
