// The settings files: "config.xml" (defaults, the reset for a new login name,
// the history, its permissions) and the preferences dialog that edits it;
// "custom.xml" (user presets) and its records; the private temporary folder.
#include <QCheckBox>
#include <QComboBox>
#include <QDomDocument>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "main/constants.h"
#include "platform/platform.h"
#include "settings/config.h"
#include "settings/shrinkwell.h"
#include "ui/connectwidget.h"
#include "ui/preferences.h"
#include "ui/updatewidget.h"
#include "uitest.h"
#include "widgets/updatecheck.h"

class ConfigTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static int mode(const QString& file) {
        return int(std::filesystem::status(QFile::encodeName(file).constData()).permissions());
    }
    QString folder(int i) {
        const QString f = dir.filePath(QStringLiteral("out%1").arg(i));
        QDir().mkpath(f);
        return f;
    }
    // A file last reset for someone else, with every preference off the defaults.
    void writeForeign(const QString& file, const QString& user) {
        QSettings s(file, QSettings::IniFormat);
        const std::pair<const char*, QVariant> values[] = {
            {"UserName", user}, {"useProxy", 1}, {"proxyType", 2}, {"host", "proxy.lan"}, {"port", "3128"},
            {"ProxyUserName", "bob"}, {"password", "secret"}, {"ShowOutputDlg", 0}, {"Days", 14}, {"RunTimes", 1},
            {"VideoSavePath", dir.path()}, {"WindowWidth", "wide"}, {"WindowHeight", 480},
        };
        for (const auto& [key, value] : values) s.setValue(QString::fromLatin1(key), value);
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        // The login rule needs a name to compare with.
        if (Config::loginName().isEmpty()) qputenv("USER", "tester");
        QVERIFY(!Config::loginName().isEmpty());
    }

    void freshFile() {
        const QString file = path("new/data/fresh.xml");  // in a folder that does not exist yet
        Config c(file);
        QCOMPARE(QList<int>({c.GetShowOutputDlg(), c.GetAutoUpdate(), c.GetAutoDays(), c.GetUseProxy()}),
                 QList<int>({1, 0, 3, 0}));  // no updater ships
        const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        QCOMPARE(c.GetSavePath(), movies + QDir::separator() + g_strBundleId);
        QVERIFY(QFileInfo(c.GetSavePath()).isDir());
        // Saved at once, for the user alone.
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("UserName")).toString(), Config::loginName());
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
    }

    void outputHistory() {
        const QString file = path("history.xml");
        QStringList list;
        for (int i = 0; i < 12; ++i) list << folder(10 + i);
        list[3] = path("gone");
        list[5].clear();
        // Ten at most; folders that are gone and empty entries are dropped.
        const QStringList want{list[0], list[1], list[2], list[4], list[6], list[7], list[8], list[9]};
        {
            Config c(file);
            c.SetOutPutPathList(&list);
            c.Save();
        }
        Config c(file);  // read back at the next start
        QStringList kept;
        c.GetOutputPathList(&kept);
        QCOMPARE(kept, want);
    }

    void tempFolderIsPrivateAndOwnedByThisRun() {
        const QString cache = dir.filePath(QStringLiteral("cache/temp"));
        const QString mine = makeTempDirectory(cache);
        QVERIFY(mine.startsWith(cache + QStringLiteral("/app-")));
        QCOMPARE(mode(mine), 0700);
        // A second instance gets a folder of its own and leaves this one alone.
        const QString other = makeTempDirectory(cache);
        QVERIFY(!other.isEmpty() && other != mine);
        QVERIFY(QDir(mine).exists());
        removeTempDirectory(other);
        QVERIFY(!QDir(other).exists());
        // A shared folder anyone may rename things in is refused.
        const QString shared = path("shared");
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

    // The preferences: what the general page saves, and the dialog's OK and Cancel.
    void preferences() {
        Config general(path("c.xml"));
        CUpdateWidget page(&general);
        page.UpdateOutputComboBox(folder(1));
        page.UpdateOutputComboBox(folder(2));
        page.UpdateOutputComboBox(folder(1));  // known: moves up, no second entry
        QCOMPARE(page.outputCombo()->count(), 3);
        page.UpdateOutputComboBox(folder(2));
        page.outputCombo()->setCurrentIndex(1);  // folder 1 chosen from further down
        page.autoUpdateCheck()->setChecked(true);
        page.setScheduleChoice(1);
        page.SaveUpdate();
        QCOMPARE(general.GetAutoUpdate(), 1);
        QCOMPARE(general.GetAutoDays(), 7);
        QCOMPARE(general.GetSavePath(), folder(1));
        QStringList history;
        general.GetOutputPathList(&history);
        QCOMPARE(history.mid(0, 2), QStringList({folder(1), folder(2)}));

        page.setScheduleChoice(3);
        page.daysSpin()->setValue(12);
        page.SaveUpdate();
        QCOMPARE(general.GetAutoDays(), 12);
        page.autoUpdateCheck()->setChecked(false);
        page.SaveUpdate();
        QCOMPARE(general.GetAutoUpdate(), 0);
        QCOMPARE(general.GetAutoDays(), 12);

        // The file holds a proxy password: never readable by others, even when it was before.
        const QString file = uitest::writeFile(path("f.xml"), "");
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
        {
            Config c(file);
            COmblenSettings dlg(&c);
            dlg.connectionPage()->useProxyCheck()->setChecked(true);
            dlg.connectionPage()->hostEdit()->setText(QStringLiteral("kept.lan"));
            dlg.connectionPage()->passwordEdit()->setText(QStringLiteral("hunter2"));
            dlg.generalPage()->showOutputCheck()->setChecked(false);
            dlg.okClicked();
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(mode(file), 0600);
        }
        {
            Config c(file);
            QCOMPARE(c.GetProxyHost(), QStringLiteral("kept.lan"));
            QCOMPARE(c.GetProxyPassword(), QStringLiteral("hunter2"));
            QCOMPARE(c.GetShowOutputDlg(), 0);
            COmblenSettings dlg(&c);
            dlg.connectionPage()->hostEdit()->setText(QStringLiteral("dropped.lan"));
            dlg.reject();
            QCOMPARE(c.GetProxyHost(), QStringLiteral("kept.lan"));
        }
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("host")).toString(), QStringLiteral("kept.lan"));
    }

    void updaterArguments() {
        Config c(dir.filePath(QStringLiteral("w.xml")));
        c.SetUseProxy(1);
        c.SetProxyType(1);
        c.SetProxyHost(QStringLiteral("gate"));
        c.SetProxyPassword(QStringLiteral("s3cret"));
        const QStringList args = CUpdateCheck::arguments(c);
        for (const QString& want : {QStringLiteral("socks5"), QStringLiteral("gate"), APP_NAME, g_strVersion})
            QVERIFY2(args.contains(want), qPrintable(want));
        // Other users can read a command line.
        QVERIFY(!args.join(QLatin1Char(' ')).contains(QStringLiteral("s3cret")));
        c.SetUseProxy(0);
        QVERIFY(!CUpdateCheck::arguments(c).contains(QStringLiteral("gate")));
    }

    // Hand-written files: booleans, gaps, words where numbers belong; missing and broken files read as empty.
    void handWrittenFiles() {
        const QString xml = path("hand.xml");
        uitest::writeFile(xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info version=\"1.0\"><SWFinfo><hand>"
                               "<isDelete>0</isDelete><Sha_Imo>5</Sha_Imo><Sha_Idup>0</Sha_Idup><Audio_q>three"
                               "</Audio_q><Img_Aio> 3 </Img_Aio></hand></SWFinfo><other><SWFpath>/movies/</SWFpath>"
                               "<CmbIndex>7</CmbIndex></other></info>\n");
        QShrinkwell s(xml);
        QCOMPARE(s.CustomCount(), 1);
        const QSWFInfo* r = s.getCustomItem(0);
        // Sha_Imo (16) and Sha_Idup (17) are booleans; Video_CB is missing, Audio_q not a number.
        QCOMPARE(QList<int>({r->isDelete, r->field(16), r->field(17), r->Video_CB, r->Audio_q, r->Img_Aio}),
                 QList<int>({0, 1, 0, 0, 0, 3}));
        QCOMPARE(s.getSWFPath(), QStringLiteral("/movies/"));
        QCOMPARE(s.getCmbIndex(), 7);
        s.Save();
        QFile f(xml);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("<Sha_Imo>1</Sha_Imo>"));
        const QString broken = uitest::writeFile(path("broken.xml"), "<info><SWFinfo><a><Video_CB>9</Video_CB></a><b");
        for (const QString& file : {path("nothing-here.xml"), broken}) {
            QShrinkwell empty(file);
            QCOMPARE(empty.CustomCount(), 0);
            QVERIFY(empty.getSWFPath().isEmpty());
            QCOMPARE(empty.getCmbIndex(), 0);
        }
    }

    // Every stored field reads back. A name that is not an XML element name is
    // stored encoded and reads back intact, without costing the records after it.
    void roundTrip() {
        const QStringList names{"My web preset", "1st", "a:b", "<&>\"'", "_x0041_", "_x", "Grüße",
                                QString::fromUtf8("\xF0\x9F\x98\x80 smile"), "-dash", "plain_name.v2"};
        const QString xml = path("roundtrip.xml");
        {
            QShrinkwell s(xml);
            for (int i = 0; i < names.size(); ++i) s.addCustom(names[i])->Video_CB = i + 1;
            QSWFInfo* a = s.addCustom(QStringLiteral("last"));
            for (int i = 0; i < 34; ++i) a->setField(i, 100 + i);
            a->Audio_Mono = 0;
            a->setKindChecked(RES_IMAGE, true);
            s.setSWFPath(QStringLiteral("/home/u/films"));
            s.setCmbIndex(6);
            s.Save();
        }
        QFile f(xml);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QDomDocument doc;
        QVERIFY(doc.setContent(&f, true));
        QShrinkwell s(xml);
        QCOMPARE(s.CustomCount(), names.size() + 1);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(s.getCustomItem(i)->name, names[i]);
            QCOMPARE(s.getCustomItem(i)->Video_CB, i + 1);
        }
        const QSWFInfo* a = s.getCustomItem(names.size());
        QCOMPARE(a->isDelete, 1);
        QCOMPARE(a->owner, &s);
        for (int i = 0; i < 34; ++i) {
            if (i == 29) continue;
            QCOMPARE(a->field(i), (i == 16 || i == 17) ? 1 : 100 + i);
        }
        // Not stored: the channel choice and the kind flags come back as a new record has them.
        QCOMPARE(a->Audio_Mono, 1);
        QVERIFY(!a->isKindChecked(RES_IMAGE));
        QCOMPARE(s.getSWFPath(), QStringLiteral("/home/u/films") + QDir::separator());
        QCOMPARE(s.getCmbIndex(), 6);
        QCOMPARE(QShrinkwell::encodeElementName(QStringLiteral("plain_name.v2")), QStringLiteral("plain_name.v2"));
        QCOMPARE(QShrinkwell::encodeElementName(QStringLiteral("a b")), QStringLiteral("a_x0020_b"));
    }

    void toEngineRecord() {
        QSWFInfo r;
        Tparams p;
        std::memset(&p, 0x55, sizeof p);
        // Kinds checked: none, all, all but images. Script is never skipped.
        const QList<int> skips[] = {{1, 1, 1, 1, 0, 1}, {0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}};
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < RES_COUNT; ++k) r.setKindChecked(TResType(k), c == 1 || (c == 2 && k != RES_IMAGE));
            CopySWfInfoToCompress(&r, p);
            const QList<int> got{p.Skip_Shape, p.Skip_Image, p.Skip_Sound, p.Skip_Font, p.Skip_AS, p.Skip_Video};
            QCOMPARE(got, skips[c]);
        }
    }
};

QTEST_MAIN(ConfigTest)
#include "config_test.moc"
