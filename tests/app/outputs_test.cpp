// Size text, output naming and the output list.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "ui/outputdlg.h"
#include "ui/outputnaming.h"
#include "ui/sizetext.h"
#include "uitest.h"

namespace {
tagOutList entry(const QString& src, const QString& base, const QString& out, const QString& outbase) {
    tagOutList e;
    e.srcpath = src;
    e.basename = base;
    e.outpath = out;
    e.outbasename = outbase;
    return e;
}
}  // namespace

class OutputsTest : public QObject {
    Q_OBJECT
private slots:
    void sizeText_data() {
        QTest::addColumn<qlonglong>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative") << -5LL << "0KB";
        QTest::newRow("empty") << 0LL << "0KB";
        QTest::newRow("one byte") << 1LL << "1 KB";
        QTest::newRow("just under 1 KB") << 1023LL << "1 KB";
        QTest::newRow("1.5 KB truncates") << 1536LL << "1 KB";
        QTest::newRow("largest KB") << 1048575LL << "1023 KB";
        QTest::newRow("1 MB") << 1048576LL << "1.00 MB";
        QTest::newRow("2.5 MB") << 2621440LL << "2.50 MB";
        QTest::newRow("1 GB") << 1073741824LL << "1.00 GB";
        QTest::newRow("5 GB") << 5368709120LL << "5.00 GB";
    }
    void sizeText() {
        QFETCH(qlonglong, bytes);
        QFETCH(QString, text);
        QString got;
        GetSizeString(bytes, got);
        QCOMPARE(got, text);
    }

    void naming_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("outpath");
        QTest::addColumn<QString>("basename");
        QTest::addColumn<int>("isExe");
        QTest::newRow("upper-case swf") << "/m/movie.SWF" << "/out/movie_compressed.SWF" << "movie" << 0;
        QTest::newRow("projector") << "/m/game.exe" << "/out/game_compressed.exe" << "game" << 1;
        QTest::newRow("last dot splits") << "/m/a.b.swf" << "/out/a.b_compressed.swf" << "a.b" << 0;
        QTest::newRow("no extension") << "/m/noext" << "/out/noext_compressed." << "noext" << 1;
        QTest::newRow("no folder") << "movie.swf" << "/out/_compressed.swf" << "" << 0;
        QTest::newRow("dot in folder only") << "/m.d/plain" << "/out/plain_compressed." << "plain" << 1;
    }
    void naming() {
        QFETCH(QString, source);
        QFETCH(QString, outpath);
        QFETCH(QString, basename);
        QFETCH(int, isExe);
        COutputNames n = splitOutputNames(source, "/out");
        QCOMPARE(n.outpath, outpath);
        QCOMPARE(n.basename, basename);
        QCOMPARE(n.outbasename, basename + "_compressed");
        QCOMPARE(n.isExe, isExe);
    }

    void namingClaimsTheOutput() {
        QTemporaryDir dir;
        QString out = dir.path() + "/movie_compressed.swf";
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("left from an earlier run");
        old.close();
        COutputNames n = makeOutputNames("/m/movie.swf", dir.path());
        QCOMPARE(n.outpath, out);
        QCOMPARE(QFileInfo(out).size(), 0);  // emptied at once

        // An output folder that cannot exist: nothing is claimed, the planned name stays.
        QFile blocker(dir.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        n = makeOutputNames("/m/movie.swf", dir.path() + "/file/sub");
        QCOMPARE(n.outpath, dir.path() + "/file/sub/movie_compressed.swf");
        QVERIFY(!QFileInfo::exists(n.outpath));
    }

    void outputListRows() {
        QTemporaryDir dir;
        QString src = uitest::writeMovie(dir.path() + "/a.swf", 3);
        QFile out(dir.path() + "/a_compressed.swf");
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(3000, 'x'));
        out.close();
        tagOutList done = entry(src, "a", out.fileName(), "a_compressed");
        tagOutList missing = entry(src, "b", dir.path() + "/b_compressed.swf", "b_compressed");
        tagOutList failed = entry(src, "c", dir.path() + "/c_compressed.swf", "c_compressed");
        failed.failed = true;
        failed.error = "cannot write";
        Qshowdlg dialog({&done, &missing, &failed}, dir.path());
        QTreeWidget* list = dialog.list();
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("a"));
        QCOMPARE(list->topLevelItem(0)->text(2), QString("a_compressed"));
        QCOMPARE(list->topLevelItem(0)->text(3), QString("2 KB"));
        // Not produced, but not known to have failed either: the size of nothing.
        QCOMPARE(list->topLevelItem(1)->text(3), QString("0KB"));
        QCOMPARE(list->topLevelItem(2)->text(3), QString(Qshowdlg::FAILED_TEXT));
        QVERIFY(list->topLevelItem(2)->toolTip(3).contains("cannot write"));
    }

};

UITEST_MAIN(OutputsTest)
#include "outputs_test.moc"
