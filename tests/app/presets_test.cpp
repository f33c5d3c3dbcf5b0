// Built-in presets, new records and the "custom.xml" round trip.
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include "settings/shrinkwell.h"

class PresetsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const QString& name = QStringLiteral("custom.xml")) const { return dir.filePath(name); }
    void writeText(const QString& path, const QByteArray& text) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    static QByteArray record(const QByteArray& name, const QByteArray& fields) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info version=\"1.0\"><SWFinfo><" + name + ">" + fields +
               "</" + name + "></SWFinfo><other><SWFpath>/movies/</SWFpath><CmbIndex>7</CmbIndex></other></info>\n";
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void roundTrip() {
        const QString path = file(QStringLiteral("roundtrip.xml"));
        {
            QShrinkwell s(path);
            QSWFInfo* a = s.addCustom(QStringLiteral("small"));
            for (int i = 0; i < 34; ++i) a->setField(i, 100 + i);
            a->Audio_Mono = 0;
            a->setKindChecked(RES_IMAGE, true);
            QSWFInfo* b = s.addCustom(QStringLiteral("second"));
            b->Video_CB = 77;
            s.setSWFPath(QStringLiteral("/home/u/films"));
            s.setCmbIndex(6);
            s.Save();
        }
        QShrinkwell s(path);
        QCOMPARE(s.CustomCount(), 2);
        const QSWFInfo* a = s.getCustomItem(0);
        QCOMPARE(a->name, QStringLiteral("small"));
        QCOMPARE(a->isDelete, 1);
        QCOMPARE(a->owner, &s);
        for (int i = 0; i < 34; ++i) {
            if (i == 29) continue;
            QCOMPARE(a->field(i), (i == 16 || i == 17) ? 1 : 100 + i);
        }
        // Not stored: the channel choice and the kind flags come back as a new record has them.
        QCOMPARE(a->Audio_Mono, 1);
        QVERIFY(!a->isKindChecked(RES_IMAGE));
        QCOMPARE(s.getCustomItem(1)->name, QStringLiteral("second"));
        QCOMPARE(s.getCustomItem(1)->Video_CB, 77);
        QCOMPARE(s.getSWFPath(), QStringLiteral("/home/u/films") + QDir::separator());
        QCOMPARE(s.getCmbIndex(), 6);
    }

    void booleansAndGaps() {
        const QString path = file(QStringLiteral("hand.xml"));
        writeText(path, record("hand", "<isDelete>0</isDelete><Sha_Imo>5</Sha_Imo><Sha_Idup>0</Sha_Idup>"
                                       "<Audio_q>three</Audio_q><Img_Aio> 3 </Img_Aio>"));
        QShrinkwell s(path);
        QCOMPARE(s.CustomCount(), 1);
        const QSWFInfo* r = s.getCustomItem(0);
        QCOMPARE(r->isDelete, 0);
        QCOMPARE(r->field(16), 1);
        QCOMPARE(r->field(17), 0);
        QCOMPARE(r->Video_CB, 0);  // missing
        QCOMPARE(r->Audio_q, 0);   // not a number
        QCOMPARE(r->Img_Aio, 3);
        QCOMPARE(s.getSWFPath(), QStringLiteral("/movies/"));
        QCOMPARE(s.getCmbIndex(), 7);
        s.Save();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("<Sha_Imo>1</Sha_Imo>"));
    }

    void missingOrBrokenFile() {
        QShrinkwell none(file(QStringLiteral("nothing-here.xml")));
        QCOMPARE(none.CustomCount(), 0);
        QVERIFY(none.getSWFPath().isEmpty());
        QCOMPARE(none.getCmbIndex(), 0);

        const QString path = file(QStringLiteral("broken.xml"));
        writeText(path, "<info><SWFinfo><a><Video_CB>9</Video_CB></a><b");
        QShrinkwell broken(path);
        QCOMPARE(broken.CustomCount(), 0);
        QCOMPARE(broken.getCmbIndex(), 0);
    }

    // A name that is not an XML element name is stored encoded and reads back
    // intact, without costing the records after it.
    void anyNameReadsBack() {
        const QStringList names{QStringLiteral("My web preset"), QStringLiteral("1st"), QStringLiteral("a:b"),
                                QStringLiteral("<&>\"'"), QStringLiteral("_x0041_"), QStringLiteral("_x"),
                                QStringLiteral("Grüße"), QString::fromUtf8("\xF0\x9F\x98\x80 smile"),
                                QStringLiteral("-dash"), QStringLiteral("plain_name.v2")};
        const QString path = file(QStringLiteral("names.xml"));
        {
            QShrinkwell s(path);
            for (int i = 0; i < names.size(); ++i) s.addCustom(names[i])->Video_CB = i + 1;
            s.addCustom(QStringLiteral("last"))->Video_CB = 99;
            s.Save();
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QDomDocument doc;
        QVERIFY(doc.setContent(&f, true));
        QShrinkwell s(path);
        QCOMPARE(s.CustomCount(), names.size() + 1);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(s.getCustomItem(i)->name, names[i]);
            QCOMPARE(s.getCustomItem(i)->Video_CB, i + 1);
        }
        QCOMPARE(s.getCustomItem(names.size())->Video_CB, 99);
        QCOMPARE(QShrinkwell::encodeElementName(QStringLiteral("plain_name.v2")), QStringLiteral("plain_name.v2"));
        QCOMPARE(QShrinkwell::encodeElementName(QStringLiteral("a b")), QStringLiteral("a_x0020_b"));
    }

    void toEngineRecord() {
        QSWFInfo r;
        r.Sha_Imo = true;
        r.Img_Aio = 4;
        Tparams p;
        std::memset(&p, 0x55, sizeof p);
        for (int k = 0; k < RES_COUNT; ++k) r.setKindChecked(TResType(k), true);
        CopySWfInfoToCompress(&r, p);
        QCOMPARE(p.Sha_Imo, 1);
        QCOMPARE(p.Img_Aio, 4);
        QCOMPARE(p.Video_CB, 32);
        for (int v : {p.Skip_Shape, p.Skip_Image, p.Skip_Sound, p.Skip_Font, p.Skip_AS, p.Skip_Video}) QCOMPARE(v, 0);
        for (int k = 0; k < RES_COUNT; ++k) r.setKindChecked(TResType(k), false);
        CopySWfInfoToCompress(&r, p);
        const QList<int> skips{p.Skip_Shape, p.Skip_Image, p.Skip_Sound, p.Skip_Font, p.Skip_AS, p.Skip_Video};
        QCOMPARE(skips, (QList<int>{1, 1, 1, 1, 0, 1}));
        // Only the Image kind unchecked: only its skip flag is set.
        for (int k = 0; k < RES_COUNT; ++k) r.setKindChecked(TResType(k), k != RES_IMAGE);
        CopySWfInfoToCompress(&r, p);
        QCOMPARE(p.Skip_Image, 1);
        QCOMPARE(p.Skip_Shape + p.Skip_Sound + p.Skip_Font + p.Skip_Video, 0);

    }

};

QTEST_GUILESS_MAIN(PresetsTest)
#include "presets_test.moc"
