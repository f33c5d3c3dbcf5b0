// Walks the window through the states a user sees (start panel, movies added,
// every option tab, preferences, output list, load failure) and checks each
// renders at its size. With SHRINKWELL_SCREENSHOTS=<folder> every state is
// also saved there as a PNG (scripts/screenshots.sh runs it under Xvfb).
#include <QDir>
#include <QFont>
#include <QPixmap>
#include <QSignalSpy>
#include <QTabWidget>

#include "settings/config.h"
#include "ui/loadfaildlg.h"
#include "ui/outputdlg.h"
#include "ui/preferences.h"
#include "ui/swfwindow.h"
#include "ui/tasklist.h"
#include "uitest.h"

class ScreenshotsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_shots = qEnvironmentVariable("SHRINKWELL_SCREENSHOTS");

    void shoot(QWidget* w, const QString& name) {
        QTest::qWait(150);  // let layouts and styles settle
        QPixmap pixmap = w->grab();
        QVERIFY2(!pixmap.isNull(), qPrintable(name));
        QCOMPARE(pixmap.size() / pixmap.devicePixelRatio(), w->size());
        if (!m_shots.isEmpty()) QVERIFY(pixmap.save(QDir(m_shots).filePath(name + ".png")));
    }

    // Three movies: real ones when the corpus is there, else built here.
    QStringList movies() {
        QStringList picks;
        QDir corpus(SHRINKWELL_CORPUS);
        for (const char* name : {"gnash__desktop__gnash-splash.swf", "gnash__samples__car_smash.swf",
                                 "gameswf__samples__test_nested_mask.swf"})
            if (corpus.exists(name)) picks << corpus.filePath(name);
        if (picks.size() == 3) return picks;
        return {uitest::writeMovie(m_dir.path() + "/intro.swf", 40), uitest::writeMovie(m_dir.path() + "/menu.swf", 400),
                uitest::writeMovie(m_dir.path() + "/banner.swf", 8)};
    }

private slots:
    void initTestCase() {
        if (!m_shots.isEmpty()) QVERIFY(QDir().mkpath(m_shots));
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(12);
        QApplication::setFont(font);
    }

    void states() {
        QSWFWindow w;
        w.config()->SetSavePath(m_dir.path() + "/out");
        w.config()->SetShowOutputDlg(1);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        shoot(&w, "01-start-panel");

        QStringList files = movies();
        w.AddFiles(files);
        QCOMPARE(w.taskList()->topLevelItemCount(), 3);
        w.taskList()->setCurrentItem(w.taskList()->topLevelItem(0));
        shoot(&w, "02-files-added");

        w.pbtnMoreOptionsClicked();
        const char* const tabs[] = {"image", "shape", "sound", "video", "font"};
        for (int i = 0; i < 5; ++i) {
            w.tabs()->setCurrentIndex(i);
            shoot(&w, QString("03-options-%1-%2").arg(i + 1).arg(tabs[i]));
        }

        int pages = 0;
        uitest::whenModal<COmblenSettings>([this, &pages](COmblenSettings* dialog) {
            auto* tabs = dialog->findChild<QTabWidget*>();
            for (int i = 0; tabs && i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                shoot(dialog, QString("04-preferences-%1").arg(tabs->tabText(i).toLower()));
                ++pages;
            }
            dialog->reject();
        });
        w.showPreferences();
        QCOMPARE(pages, 2);

        bool listed = false;
        uitest::whenModal<Qshowdlg>([this, &listed](Qshowdlg* dialog) {
            shoot(dialog, "05-output-list");
            listed = true;
            dialog->close();
        });
        QSignalSpy done(&w, &QSWFWindow::runFinished);
        w.pbtnCompressClicked();
        if (done.isEmpty()) QVERIFY(done.wait(120000));
        QTest::qWait(50);
        QVERIFY(listed);
        shoot(&w, "06-after-run");

        QString junk = uitest::writeFile(m_dir.path() + "/notes.txt", "not a movie");
        bool failed = false;
        uitest::whenModal<CLoadSWFVideoFail>([this, &failed](CLoadSWFVideoFail* dialog) {
            shoot(dialog, "07-load-failure");
            failed = true;
            dialog->close();
        });
        QStringList bad{junk, m_dir.path() + "/gone.swf"};
        w.AddFiles(bad);
        QVERIFY(failed);
    }
};

UITEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
